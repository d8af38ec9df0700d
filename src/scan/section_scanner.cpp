#include "scan/section_scanner.h"

#include <utility>

#include "core/registry.h"

SectionScanner::SectionScanner(ProblemStore* store, ScanEvents* events)
    : m_bRunning(0), m_pStore(store), m_pEvents(events) {}

SectionScanner::~SectionScanner() = default;

void SectionScanner::RequestAbort() {
  Status("Aborting Scan...");
  m_bRunning = 0;
  Pump();
}

// Filed before the scanner goes on, and told at once.
void SectionScanner::Report(std::unique_ptr<ProblemRecord> record) {
  if (!m_pStore) return;
  const ScanSection* section = m_pStore->File(std::move(record));
  if (section && m_pEvents) {
    m_pEvents->ProblemFiled(*section, *section->problems.back(),
                            {m_pStore->totalProblems(), m_pStore->affectedSections()});
  }
}

void SectionScanner::Status(const std::string& text) {
  if (m_pEvents) m_pEvents->Progress(text);
}

void SectionScanner::Pump() {
  if (m_pEvents && m_pEvents->StopRequested() && m_bRunning) RequestAbort();
}

void SectionScanner::EntryFailed() {
  if (m_pEvents) m_pEvents->EntryFailed();
}

void SectionScanner::PauseAndPump(int pauseMs) {
  // No pause, no sleep: even Sleep(0) gives the processor away on a busy machine.
  if (pauseMs > 0) Sleep(static_cast<DWORD>(pauseMs));
  Pump();
}

void SectionScanner::ReportRegistry(int sectionId, HKEY hRoot, const std::string& keyPath,
                                    const std::string& valueName, std::string valueData,
                                    int isValue, std::string message) {
  auto record = std::make_unique<ProblemRecord>();
  record->errorType = kRegistryError;
  record->checked = 0;
  record->message = std::move(message);
  record->sectionId = sectionId;
  record->rootKey = hRoot;
  record->keyPath = keyPath;
  record->valueName = valueName;
  record->valueData = std::move(valueData);
  record->isValue = isValue;
  Report(std::move(record));
}

void SectionScanner::ReportFindings(int sectionId, HKEY hRoot, const std::string& keyPath,
                                    const std::string& valueName, Findings findings) {
  for (Finding& finding : findings) {
    ReportRegistry(sectionId, hRoot, keyPath, valueName, std::move(finding.data), finding.isValue,
                   std::move(finding.message));
  }
}

bool SectionScanner::OpenSectionKey(ScopedKey& key, HKEY hRoot, const std::string& subKey) {
  if (key.Open(hRoot, subKey)) return true;
  if (key.LastOpenResult() == ERROR_ACCESS_DENIED) {
    m_vDeniedKeys.push_back(subKey.empty() ? RootKeyName(hRoot) : RootKeyName(hRoot) + "\\" + subKey);
  }
  return false;
}

std::string FileNotFoundMessage(const std::string& path) {
  return "The File (" + path + ") cannot be found at the specified location.";
}
