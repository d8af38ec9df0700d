#include "scan/scan_driver.h"

#include "core/product.h"
#include "scan/section_registry.h"

std::string ScanEndMessage(const std::string& endText, int deniedSections, bool elevated) {
  if (deniedSections <= 0) return endText;
  const bool one = deniedSections == 1;
  std::string text = endText + "\r\n\r\n" +
                     (one ? std::string("1 section could not be checked: access to its keys was denied.")
                          : std::to_string(deniedSections) +
                                " sections could not be checked: access to their keys was denied.");
  if (!elevated) {
    text += std::string(" Running ") + qb::kProductName + " as administrator checks " +
            (one ? "it." : "them.");
  }
  return text;
}

std::string DeniedLogBlock(const std::string& sectionName, const std::vector<std::string>& keys) {
  std::string block = "Section : " + sectionName + " \r\nStatus : Access Denied\r\n";
  for (const std::string& key : keys) block += "Key : " + key + "\r\n";
  return block + "\r\n";
}

std::string NotCheckedText(int values) {
  return values == 1 ? std::string("1 value was not checked: its name is not valid text.")
                     : std::to_string(values) + " values were not checked: their names are not valid text.";
}

std::string NotCheckedLogBlock(const std::string& sectionName, int values) {
  return "Section : " + sectionName + " \r\nNot Checked : " + NotCheckedText(values) + "\r\n\r\n";
}

const char* SectionStatusText(SectionStatus status) {
  switch (status) {
    case SectionStatus::kFinished: return "Finished";
    case SectionStatus::kAccessDenied: return "Access Denied";
    case SectionStatus::kAborted: return "Aborted";
  }
  return "";
}

ScanDriver::ScanDriver(SectionCatalogue& catalogue, ProblemStore& store, SectionScanner& scanner,
                       ScanEvents& events, ScanLogSession* log)
    : m_catalogue(catalogue), m_store(store), m_scanner(scanner), m_events(events), m_pLog(log) {}

void ScanDriver::PrepareScan() { m_store.Reset(); }

int ScanDriver::NotCheckedValues() const {
  int values = 0;
  for (const ScanSection& section : m_catalogue.Sections()) values += section.notChecked;
  return values;
}

void ScanDriver::RunScan() {
  // Read anew each time: the list may have changed from the console or another
  // window since the last scan.
  m_store.SetIgnoreList(LoadIgnoreList());
  m_scanner.SetSink(&m_store, &m_events);
  m_scanner.StartScan();
  m_nDeniedSections = 0;
  // A stop asked for while the scan was starting holds.
  if (m_events.StopRequested()) m_scanner.RequestAbort();
  if (m_pLog) m_pLog->Open();

  for (ScanSection& section : m_catalogue.Sections()) {
    const SectionEntry* entry = FindSectionEntry(section.sectionId);
    if (!section.enabled || entry == nullptr) continue;
    // A section with nothing to walk goes from Ready to Finished.
    if (entry->walk) m_events.SectionStarted(section);
    m_scanner.ClearDeniedKeys();
    if (entry->walk && !entry->walk(m_scanner, m_nItemPauseMs)) {
      m_events.SectionEnded(section, SectionStatus::kAborted);
      break;
    }
    // Keys that would not open are not known to be clean: the section says so.
    const std::vector<std::string>& denied = m_scanner.DeniedKeys();
    if (!denied.empty()) {
      ++m_nDeniedSections;
      if (m_pLog) m_pLog->AppendNote(DeniedLogBlock(section.name, denied));
    }
    section.notChecked = m_scanner.UncheckedValues();
    if (section.notChecked > 0 && m_pLog)
      m_pLog->AppendNote(NotCheckedLogBlock(section.name, section.notChecked));
    m_events.SectionEnded(section,
                          denied.empty() ? SectionStatus::kFinished : SectionStatus::kAccessDenied);
  }

  if (m_pLog && m_store.Ignoring()) m_pLog->NoteIgnored(IgnoredSummary(m_catalogue));
  if (m_pLog) m_pLog->Reset();
  m_strEndText = m_scanner.WasAborted() ? "Scan Aborted" : "Scan Complete";
}
