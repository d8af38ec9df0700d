#pragma once
// The problem store: files each reported problem in its section, keeps the scan's
// two running totals, and hands one block per problem to the scan log. The window
// (or the console front end, or a test) shows the totals through StoreView.

#include <memory>
#include <string>
#include <vector>

#include "core/ignore_list.h"
#include "core/problem_record.h"
#include "core/section_catalogue.h"

class StoreView {
 public:
  virtual ~StoreView() = default;
  virtual void ShowTotalProblems(const std::string& text) = 0;     // "Total Problems : %d"
  virtual void ShowAffectedSections(const std::string& text) = 0;  // "Affected Sections : %d"
  // The count column of the first progress row whose section has this id.
  virtual void ShowSectionCount(int sectionId, const std::string& count) = 0;
};

class ProblemLogSink {
 public:
  virtual ~ProblemLogSink() = default;
  virtual void Append(const std::string& block) = 0;
};

// True when a problem is to be suppressed (the exclusion list's test).
using ExclusionTest = bool (*)(const ProblemRecord&);

// "3 ignored (Installed Fonts : 1, Invalid Program Shortcuts : 2)", or "0 ignored".
std::string IgnoredSummary(const SectionCatalogue& catalogue);

class ProblemStore {
 public:
  // view and log may be null (nothing shown, nothing logged).
  ProblemStore(SectionCatalogue& catalogue, ExclusionTest isExcluded, StoreView* view,
               ProblemLogSink* log);

  // Takes a scanner's report: drops it when excluded, counts it as its section's
  // ignored when the ignore list names it, otherwise counts it, files it at the
  // end of its section's list and logs it. Always 0, as the window message
  // handler returns.
  int OnProblemFound(std::unique_ptr<ProblemRecord> record);

  // The ignore list the scan starting now applies (read at each scan's start).
  void SetIgnoreList(IgnoreList list) { m_ignore = std::move(list); }
  bool Ignoring() const { return !m_ignore.Empty(); }
  // The user ignores filed problems of a section after the scan: they leave the
  // section (and the totals) and count as its ignored. The records die here.
  void IgnoreFiled(ScanSection& section, const std::vector<const ProblemRecord*>& problems);

  // A new scan: every record of every section destroyed, both totals back to 0.
  void Reset();

  int totalProblems() const { return m_nTotalProblems; }
  int affectedSections() const { return m_nAffectedSections; }
  SectionCatalogue& Catalogue() { return m_catalogue; }

  void SetView(StoreView* view) { m_pView = view; }
  void SetLog(ProblemLogSink* log) { m_pLog = log; }

 private:
  SectionCatalogue& m_catalogue;
  ExclusionTest m_pfnExcluded;
  IgnoreList m_ignore;
  StoreView* m_pView;
  ProblemLogSink* m_pLog;
  int m_nTotalProblems;
  int m_nAffectedSections;
};
