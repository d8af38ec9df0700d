#pragma once
// ScanDriver: runs one scan over the enabled sections in catalogue order, with
// per-section progress rows, Abort at the next item, and the end text. Its
// effects on screen go through ScanDriverView, which the main window, the console
// front end and tests implement.

#include <string>
#include <vector>

#include "core/problem_store.h"
#include "core/section_catalogue.h"
#include "scan/section_scanner.h"

// The window's pause after each item of most scanners, in milliseconds.
constexpr int kWindowItemPauseMs = 5;

// Row icons of the progress list.
enum ProgressImage { kImagePending = 0, kImageScanning = 1, kImageDone = 2 };

class ScanDriverView : public StoreView {
 public:
  virtual void DeleteAllRows() = 0;
  // Appends a row (name, count, status) for the section; returns its index.
  virtual int AppendRow(ScanSection* section, const std::string& name, const std::string& count,
                        const std::string& status) = 0;
  virtual int RowCount() = 0;
  virtual ScanSection* RowSection(int row) = 0;
  virtual void SetRowStatus(int row, const std::string& status) = 0;
  virtual void SetRowImage(int row, int image) = 0;
  virtual void EnsureRowVisible(int row) = 0;
  // The status label (the scanner's own status texts come through its host).
  virtual void ShowStatusText(const std::string& text) = 0;
  virtual std::string ButtonCaption() = 0;
  virtual void SetButtonCaption(const std::string& caption) = 0;
  virtual void ShowAnimation(bool show) = 0;
  // After the end message: hide the panels and show the results.
  virtual void ShowResults() = 0;
  // The end of a scan: its message (ScanEndMessage) in a box. A view that can do
  // more for sections that could not be checked overrides it.
  virtual void ShowScanEnd(const std::string& message, int deniedSections);
};

// The scan log's session: opened before the first section, reset at the end.
class ScanLogSession {
 public:
  virtual ~ScanLogSession() = default;
  virtual bool Open() = 0;
  // At the end of a scan that applied an ignore list: the "N ignored" line for
  // the header. Called before Reset.
  virtual void NoteIgnored(const std::string& line) { (void)line; }
  virtual void Reset() = 0;
  // A block that is not a problem's (a section that could not be checked).
  virtual void AppendNote(const std::string& /*block*/) {}
};

// The end text, followed - when sections could not be checked - by how many, and
// (when this process is not elevated) that running as administrator checks them.
std::string ScanEndMessage(const std::string& endText, int deniedSections, bool elevated);
// The log's block for a section whose keys could not be opened.
std::string DeniedLogBlock(const std::string& sectionName, const std::vector<std::string>& keys);
// "N values were not checked: their names are not valid text."
std::string NotCheckedText(int values);
// The log's block for a section that passed over values whose names are no text.
std::string NotCheckedLogBlock(const std::string& sectionName, int values);

class ScanDriver {
 public:
  // log may be null (no log). The store is the one the scanner's host files into.
  ScanDriver(SectionCatalogue& catalogue, ProblemStore& store, SectionScanner& scanner,
             ScanDriverView& view, ScanLogSession* log);

  // Zero totals, Ready rows for the enabled sections, old problems destroyed.
  void PrepareScan();
  // The Ready rows alone (also used once when the catalogue is built).
  void FillReadyRows();
  // Start Scan / Abort.
  void OnScanButton();
  void RunScan();

  // The pause after each item of the scanners that have one. The window keeps the
  // default, so a repaint and an Abort click get their turn between items; the
  // console has no window to repaint and passes 0 unless asked to be gentle.
  void SetItemPauseMs(int pauseMs) { m_nItemPauseMs = pauseMs > 0 ? pauseMs : 0; }

  // "Scan Complete" or "Scan Aborted" after a scan; "" before one.
  const std::string& EndText() const { return m_strEndText; }
  // Sections of the last scan that ended "Access Denied".
  int DeniedSections() const { return m_nDeniedSections; }

 private:
  // Runs the scanner(s) of a section; false when the result that counts is 0.
  bool RunSection(int sectionId);

  SectionCatalogue& m_catalogue;
  ProblemStore& m_store;
  SectionScanner& m_scanner;
  ScanDriverView& m_view;
  ScanLogSession* m_pLog;
  std::string m_strEndText;
  int m_nDeniedSections = 0;
  bool m_bStarting = false;
  bool m_bAbortAtStart = false;
  int m_nItemPauseMs = kWindowItemPauseMs;
};
