#include "core/problem_store.h"

#include <algorithm>
#include <utility>

std::string IgnoredSummary(const SectionCatalogue& catalogue) {
  int total = 0;
  std::string parts;
  for (const ScanSection& section : catalogue.Sections()) {
    if (section.ignored == 0) continue;
    total += section.ignored;
    parts += (parts.empty() ? "" : ", ") + section.name + " : " + std::to_string(section.ignored);
  }
  return std::to_string(total) + " ignored" + (parts.empty() ? "" : " (" + parts + ")");
}

ProblemStore::ProblemStore(SectionCatalogue& catalogue, ExclusionTest isExcluded,
                           ProblemLogSink* log)
    : m_catalogue(catalogue),
      m_pfnExcluded(isExcluded),
      m_pLog(log),
      m_nTotalProblems(0),
      m_nAffectedSections(0) {}

ScanSection* ProblemStore::File(std::unique_ptr<ProblemRecord> record) {
  if (!record) return nullptr;
  if (m_pfnExcluded && m_pfnExcluded(*record)) return nullptr;

  // Scanners only report for sections of the catalogue; a stray id is dropped
  // rather than counted where no row or list can hold it.
  ScanSection* section = m_catalogue.Find(record->sectionId);
  if (section == nullptr) return nullptr;
  if (m_ignore.Matches(*record)) {
    ++section->ignored;
    return nullptr;
  }

  ++m_nTotalProblems;
  if (section->problems.empty()) ++m_nAffectedSections;
  if (m_pLog) m_pLog->Append(ProblemLogBlock(section->name, *record));
  section->problems.push_back(std::move(record));
  return section;
}

void ProblemStore::Reset() {
  m_catalogue.ClearProblems();
  m_nTotalProblems = 0;
  m_nAffectedSections = 0;
}

void ProblemStore::IgnoreFiled(ScanSection& section,
                               const std::vector<const ProblemRecord*>& problems) {
  const size_t before = section.problems.size();
  auto ignored = [&](const std::unique_ptr<ProblemRecord>& owned) {
    return std::find(problems.begin(), problems.end(), owned.get()) != problems.end();
  };
  section.problems.erase(std::remove_if(section.problems.begin(), section.problems.end(), ignored),
                         section.problems.end());
  const int taken = static_cast<int>(before - section.problems.size());
  if (taken == 0) return;
  section.ignored += taken;
  m_nTotalProblems -= taken;
  if (section.problems.empty()) --m_nAffectedSections;
}
