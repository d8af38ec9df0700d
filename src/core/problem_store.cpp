#include "core/problem_store.h"

#include <utility>

ProblemStore::ProblemStore(SectionCatalogue& catalogue, ExclusionTest isExcluded,
                           StoreView* view, ProblemLogSink* log)
    : m_catalogue(catalogue),
      m_pfnExcluded(isExcluded),
      m_pView(view),
      m_pLog(log),
      m_nTotalProblems(0),
      m_nAffectedSections(0) {}

int ProblemStore::OnProblemFound(std::unique_ptr<ProblemRecord> record) {
  if (!record) return 0;
  if (m_pfnExcluded && m_pfnExcluded(*record)) return 0;

  // Scanners only report for sections of the catalogue; a stray id is dropped
  // rather than counted where no row or list can hold it.
  ScanSection* section = m_catalogue.Find(record->sectionId);
  if (section == nullptr) return 0;

  ++m_nTotalProblems;
  if (m_pView) m_pView->ShowTotalProblems("Total Problems : " + std::to_string(m_nTotalProblems));

  const int countBefore = section->problemCount();
  if (m_pView) m_pView->ShowSectionCount(section->sectionId, std::to_string(countBefore + 1));
  if (countBefore == 0) {
    ++m_nAffectedSections;
    if (m_pView) {
      m_pView->ShowAffectedSections("Affected Sections : " + std::to_string(m_nAffectedSections));
    }
  }

  const std::string block = ProblemLogBlock(section->name, *record);
  section->problems.push_back(std::move(record));
  if (m_pLog) m_pLog->Append(block);
  return 0;
}

void ProblemStore::Reset() {
  m_catalogue.ClearProblems();
  m_nTotalProblems = 0;
  m_nAffectedSections = 0;
}
