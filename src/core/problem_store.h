#pragma once
// The problem store: files each reported problem in its section, keeps the scan's
// two running totals, and hands one block per problem to the scan log. Whoever
// runs the scan hears of each filed problem through the scan's events.

#include <memory>
#include <string>
#include <vector>

#include "core/ignore_list.h"
#include "core/problem_record.h"
#include "core/section_catalogue.h"

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
  // isExcluded and log may be null (nothing excluded, nothing logged).
  ProblemStore(SectionCatalogue& catalogue, ExclusionTest isExcluded, ProblemLogSink* log);

  // Takes a scanner's report: drops it when excluded, counts it as its section's
  // ignored when the ignore list names it, otherwise counts it, files it at the
  // end of its section's list and logs it. The section it was filed in, null
  // when it was not.
  ScanSection* File(std::unique_ptr<ProblemRecord> record);

  // The ignore list the scan starting now applies (read at each scan's start).
  void SetIgnoreList(IgnoreList list) { m_ignore = std::move(list); }
  bool Ignoring() const { return !m_ignore.Empty(); }
  // The user ignores filed problems of a section after the scan: they leave the
  // section (and the totals) and count as its ignored. The records die here; the
  // caller shows the counts anew.
  void IgnoreFiled(ScanSection& section, const std::vector<const ProblemRecord*>& problems);

  // A new scan: every record of every section destroyed, both totals back to 0.
  void Reset();

  int totalProblems() const { return m_nTotalProblems; }
  int affectedSections() const { return m_nAffectedSections; }
  SectionCatalogue& Catalogue() { return m_catalogue; }

  void SetLog(ProblemLogSink* log) { m_pLog = log; }

 private:
  SectionCatalogue& m_catalogue;
  ExclusionTest m_pfnExcluded;
  IgnoreList m_ignore;
  ProblemLogSink* m_pLog;
  int m_nTotalProblems;
  int m_nAffectedSections;
};
