#pragma once
// ScanDriver: runs one scan over the catalogue's enabled sections in catalogue
// order, each through its registered walk, with Abort at the next item. What
// happens goes to the scan's events (scan_events.h); the front end that runs the
// scan shows it.

#include <string>
#include <vector>

#include "core/problem_store.h"
#include "core/section_catalogue.h"
#include "scan/scan_events.h"
#include "scan/section_scanner.h"

// The window's pause after each item of most scanners, in milliseconds.
constexpr int kWindowItemPauseMs = 5;

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
  // log may be null (no log). The scanner files into the store and tells events.
  ScanDriver(SectionCatalogue& catalogue, ProblemStore& store, SectionScanner& scanner,
             ScanEvents& events, ScanLogSession* log);

  // Before a scan: every problem of the last one destroyed, the totals back to 0.
  void PrepareScan();
  // The scan: each enabled section in catalogue order, until the end or until
  // the events ask to stop (asked once before the first section too).
  void RunScan();

  // The pause after each item of the scanners that have one. The window keeps the
  // default, so a repaint and an Abort click get their turn between items; the
  // console has no window to repaint and passes 0 unless asked to be gentle.
  void SetItemPauseMs(int pauseMs) { m_nItemPauseMs = pauseMs > 0 ? pauseMs : 0; }

  // "Scan Complete" or "Scan Aborted" after a scan; "" before one.
  const std::string& EndText() const { return m_strEndText; }
  bool Aborted() const { return m_scanner.WasAborted(); }
  // Sections of the last scan that ended "Access Denied".
  int DeniedSections() const { return m_nDeniedSections; }
  // Values of the last scan passed over because their names are not text.
  int NotCheckedValues() const;

 private:
  SectionCatalogue& m_catalogue;
  ProblemStore& m_store;
  SectionScanner& m_scanner;
  ScanEvents& m_events;
  ScanLogSession* m_pLog;
  std::string m_strEndText;
  int m_nDeniedSections = 0;
  int m_nItemPauseMs = kWindowItemPauseMs;
};
