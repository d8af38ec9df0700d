#pragma once
// ScanEvents: what a scan tells whoever runs it, in the engine's own terms. The
// main window turns these into its progress rows, labels and status line; the
// console into a progress line on stderr and its report; tests record them.
// The engine knows no button, list row or window message.

#include <string>

#include "core/problem_record.h"
#include "core/section_catalogue.h"

enum class SectionStatus {
  kFinished,      // every entry was checked
  kAccessDenied,  // a key of the section is there but would not open: not checked
  kAborted,       // the scan was stopped in this section
};

// "Finished", "Access Denied" or "Aborted": the row status both front ends show.
const char* SectionStatusText(SectionStatus status);

struct ScanTotals {
  int problems = 0;          // filed so far in this scan
  int affectedSections = 0;  // sections with at least one of them
};

class ScanEvents {
 public:
  virtual ~ScanEvents() = default;
  // A section with entries to walk starts (one with none only ends).
  virtual void SectionStarted(const ScanSection& section) { (void)section; }
  virtual void SectionEnded(const ScanSection& section, SectionStatus status) {
    (void)section;
    (void)status;
  }
  // The store has taken the problem (it was neither excluded nor ignored); it is
  // the last of its section's problems. Called before the scanner goes on.
  virtual void ProblemFiled(const ScanSection& section, const ProblemRecord& problem,
                            const ScanTotals& totals) {
    (void)section;
    (void)problem;
    (void)totals;
  }
  // The entry being checked, usually a path.
  virtual void Progress(const std::string& text) { (void)text; }
  // Whether a progress text given now would be seen. A long walk asks before it
  // composes one, as most of its items go by while the line is hidden or was
  // redrawn a moment ago.
  virtual bool ProgressWanted() { return true; }
  // Asked between entries: lets waiting input through (a repaint, an Abort
  // click, Ctrl+C) and says whether the scan is to stop there.
  virtual bool StopRequested() { return false; }
  // An entry could not be tested for an internal error; the walk went on.
  virtual void EntryFailed() {}
};

// What a front end says when an entry could not be tested.
constexpr const char* kEntryFailedText = "Internal Windows Error, Please restart";
