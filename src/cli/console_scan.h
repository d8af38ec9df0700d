#pragma once
// ConsoleScan: one scan run from the console with the same driver, scanners,
// settings and scan log as the window. Rows, status and prompts go to the
// console: a throttled progress line on stderr, Ctrl+C as the Abort button.

#include <memory>
#include <string>
#include <vector>

#include "app/scan_log.h"
#include "core/problem_store.h"
#include "core/section_catalogue.h"
#include "scan/scan_driver.h"
#include "scan/section_scanner.h"

struct ConsoleRow {
  ScanSection* section;
  std::string status;
};

class ConsoleScan : public ScanDriverView, public ScanHost, public ScanLogSession {
 public:
  // Writes the first-run settings when the settings key is missing, then builds
  // the catalogue from the stored section choice.
  ConsoleScan();
  ~ConsoleScan() override;

  ConsoleScan(const ConsoleScan&) = delete;
  ConsoleScan& operator=(const ConsoleScan&) = delete;

  // Limits the scan to the listed ids ("3,4,13"), in catalogue order; the stored
  // choice is left as it is. False, with a message, for a malformed list.
  bool SelectSections(const std::string& list, std::string& error);

  // The pause after each item: none unless asked for (the window pauses so that it
  // can repaint between items; a console has nothing to repaint).
  void SetItemPauseMs(int pauseMs) { m_driver.SetItemPauseMs(pauseMs); }

  // Runs the scan; the progress line shows only when stderr is a console. When
  // the process is not elevated, stderr says so first; a scan log that could not
  // be written is said there last.
  void Run();

  const std::string& EndText() const { return m_driver.EndText(); }
  // Sections that ended "Access Denied": their keys would not open.
  int DeniedSections() const { return m_driver.DeniedSections(); }
  bool Aborted() const { return m_scanner.WasAborted(); }
  const std::vector<ConsoleRow>& Rows() const { return m_rows; }
  SectionCatalogue& Catalogue() { return *m_pCatalogue; }
  ProblemStore& Store() { return m_store; }
  const std::string& LogPath() const { return m_strLogPath; }
  // Why the scan log is missing or incomplete; "" when it was written whole.
  const std::string& LogProblem() const { return m_log.Problem(); }
  // Messages the engine showed during the scan (other than the end text).
  const std::vector<std::string>& Messages() const { return m_vMessages; }

  // Ctrl+C, or a test standing in for it: abort at the next item.
  static void RequestAbortFromConsole();

  // ScanDriverView
  void ShowTotalProblems(const std::string&) override {}
  void ShowAffectedSections(const std::string&) override {}
  void ShowSectionCount(int, const std::string&) override {}
  void DeleteAllRows() override { m_rows.clear(); }
  int AppendRow(ScanSection* section, const std::string& name, const std::string& count,
                const std::string& status) override;
  int RowCount() override { return static_cast<int>(m_rows.size()); }
  ScanSection* RowSection(int row) override;
  void SetRowStatus(int row, const std::string& status) override;
  void SetRowImage(int, int) override {}
  void EnsureRowVisible(int) override {}
  void ShowStatusText(const std::string& text) override { ShowStatus(text); }
  std::string ButtonCaption() override { return "Start Scan"; }
  void SetButtonCaption(const std::string&) override {}
  void ShowAnimation(bool) override {}
  void ShowResults() override {}
  // The report says it: no message on the way.
  void ShowScanEnd(const std::string&, int) override {}

  // ScanHost
  void ReportProblem(std::unique_ptr<ProblemRecord> record) override;
  void ShowStatus(const std::string& text) override;
  bool StatusWanted() override;
  void PumpInput() override;

  // ScanLogSession: the scan log, whose path is kept for the report.
  bool Open() override;
  void NoteIgnored(const std::string& line) override { m_log.NoteIgnored(line); }
  void Reset() override { m_log.Reset(); }

 private:
  class Prompts;

  std::unique_ptr<SectionCatalogue> m_pCatalogue;
  ScanLog m_log;
  ProblemStore m_store;
  SectionScanner m_scanner;
  ScanDriver m_driver;
  std::unique_ptr<Prompts> m_pPrompts;
  std::vector<ConsoleRow> m_rows;
  std::vector<std::string> m_vMessages;
  std::string m_strSection;
  std::string m_strLogPath;
  bool m_bProgress = false;
  bool m_bHoldAfterFirst = true;  // the test seam's moment: the first problem filed
  unsigned long long m_nLastProgress = 0;
};
