#pragma once
// ConsoleScan: the console's scan session. One scan with the same driver,
// scanners, settings and scan log as the window; its events go to the console:
// a throttled progress line on stderr, Ctrl+C as the Abort button. The session
// keeps the problems found until it ends, for the report and for `clean`.

#include <memory>
#include <string>
#include <vector>

#include "app/scan_log.h"
#include "core/problem_store.h"
#include "core/section_catalogue.h"
#include "scan/scan_driver.h"
#include "scan/scan_events.h"
#include "scan/section_scanner.h"

// A section the scan was to run and how it ended ("Ready" when never reached).
struct ConsoleRow {
  ScanSection* section;
  std::string status;
};

class ConsoleScan : private ScanEvents, private ScanLogSession {
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

  // Ctrl+C, or a test standing in for it: abort at the next item.
  static void RequestAbortFromConsole();

 private:
  // ScanEvents
  void SectionStarted(const ScanSection& section) override;
  void SectionEnded(const ScanSection& section, SectionStatus status) override;
  void ProblemFiled(const ScanSection& section, const ProblemRecord& problem,
                    const ScanTotals& totals) override;
  void Progress(const std::string& text) override;
  bool ProgressWanted() override;
  bool StopRequested() override;
  void EntryFailed() override;

  // ScanLogSession: the scan log, whose path is kept for the report.
  bool Open() override;
  void NoteIgnored(const std::string& line) override { m_log.NoteIgnored(line); }
  void Reset() override { m_log.Reset(); }
  void AppendNote(const std::string& block) override { m_log.AppendNote(block); }

  ConsoleRow* RowOf(const ScanSection& section);

  std::unique_ptr<SectionCatalogue> m_pCatalogue;
  ScanLog m_log;
  ProblemStore m_store;
  SectionScanner m_scanner;
  ScanDriver m_driver;
  std::vector<ConsoleRow> m_rows;
  std::string m_strSection;
  std::string m_strLogPath;
  bool m_bProgress = false;
  bool m_bHoldAfterFirst = true;  // the test seam's moment: the first problem filed
  unsigned long long m_nLastProgress = 0;
};
