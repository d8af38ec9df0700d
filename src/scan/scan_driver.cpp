#include "scan/scan_driver.h"

#include "core/elevation.h"
#include "core/product.h"
#include "framework/prompt.h"
#include "scan/path_tests.h"

void ScanDriverView::ShowScanEnd(const std::string& message, int) { ShowMessage(message); }

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

ScanDriver::ScanDriver(SectionCatalogue& catalogue, ProblemStore& store, SectionScanner& scanner,
                       ScanDriverView& view, ScanLogSession* log)
    : m_catalogue(catalogue), m_store(store), m_scanner(scanner), m_view(view), m_pLog(log) {}

void ScanDriver::PrepareScan() {
  m_view.ShowTotalProblems("Total Problems : 0");
  m_view.ShowAffectedSections("Affected Sections : 0");
  FillReadyRows();
  m_view.ShowStatusText("Preparing to Scan");
  m_store.Reset();
}

void ScanDriver::FillReadyRows() {
  m_view.DeleteAllRows();
  for (ScanSection& section : m_catalogue.Sections()) {
    if (!section.enabled) continue;
    section.progressRow = m_view.AppendRow(&section, section.name, "0", "Ready");
  }
}

void ScanDriver::OnScanButton() {
  if (m_view.ButtonCaption().find("Abort") != std::string::npos) {
    // A click while the scan is still starting would be undone by the start:
    // keep it, and stop waiting for the button to repaint.
    if (m_bStarting) m_bAbortAtStart = true;
    m_scanner.RequestAbort();
    return;
  }
  m_view.SetButtonCaption("Abort");
  m_bStarting = true;
  m_bAbortAtStart = false;
  for (int i = 0; i < 10 && !m_bAbortAtStart; ++i) {
    Sleep(10);
    PumpMessages();
  }
  m_bStarting = false;
  m_view.ShowAnimation(true);
  RunScan();
}

bool ScanDriver::RunSection(int sectionId) {
  SectionScanner& s = m_scanner;
  const int pause = m_nItemPauseMs;
  switch (sectionId) {
    case kVxdFiles: return s.ScanVxdFiles(pause) != 0;
    case kInstalledFonts: return s.ScanFonts(pause) != 0;
    case kSoundFiles: return s.ScanSoundFiles(pause) != 0;
    case kFileAssociations:
      // Only the program-identifier half decides; it stops at once after an abort.
      s.ScanFileAssociations();
      return s.ScanProgIds(0) != 0;
    case kSystemServices: return s.ScanServices(pause) != 0;
    case kHelpFiles: return s.ScanHelpFiles(pause) != 0;
    case kSharedFiles: return s.ScanSharedFiles(pause) != 0;
    case kApplicationPaths: return s.ScanAppPaths(pause) != 0;
    case kAddRemovePrograms: return s.ScanUninstallEntries(pause) != 0;
    case kActiveXCom: return s.ScanTypeLibraries() != 0;
    case kFullRegistryScan: return s.ScanMachineSoftware(0) != 0 && s.ScanUserSoftware() != 0;
    case kProgramShortcuts: return s.ScanShortcuts() != 0;
    default: return true;
  }
}

void ScanDriver::RunScan() {
  // Read anew each time: the list may have changed from the console or another
  // window since the last scan.
  m_store.SetIgnoreList(LoadIgnoreList());
  m_scanner.StartScan();
  m_nDeniedSections = 0;
  if (m_bAbortAtStart) {
    m_bAbortAtStart = false;
    m_scanner.RequestAbort();
  }
  if (m_pLog) m_pLog->Open();

  for (int row = 0; row < m_view.RowCount(); ++row) {
    ScanSection* section = m_view.RowSection(row);
    if (section == nullptr) continue;
    m_view.EnsureRowVisible(row);
    const int id = section->sectionId;
    const bool hasScanner = (id >= kStartupPrograms && id <= kActiveXCom) ||
                            id == kFullRegistryScan || id == kProgramShortcuts;
    if (!hasScanner) continue;

    m_view.SetRowImage(row, kImageScanning);
    m_scanner.ClearDeniedKeys();
    if (id != kStartupPrograms) {
      m_view.SetRowStatus(row, "Scanning");
      if (!RunSection(id)) {
        m_view.SetRowStatus(row, "Aborted");
        break;
      }
    }
    // Keys that would not open are not known to be clean: the row says so.
    const std::vector<std::string>& denied = m_scanner.DeniedKeys();
    if (!denied.empty()) {
      ++m_nDeniedSections;
      if (m_pLog) m_pLog->AppendNote(DeniedLogBlock(section->name, denied));
    }
    section->notChecked = m_scanner.UncheckedValues();
    if (section->notChecked > 0 && m_pLog)
      m_pLog->AppendNote(NotCheckedLogBlock(section->name, section->notChecked));
    m_view.SetRowStatus(row, denied.empty() ? "Finished" : "Access Denied");
    m_view.SetRowImage(row, kImageDone);
  }

  if (m_pLog && m_store.Ignoring()) m_pLog->NoteIgnored(IgnoredSummary(m_catalogue));
  if (m_pLog) m_pLog->Reset();
  m_view.ShowAnimation(false);
  m_strEndText = m_scanner.WasAborted() ? "Scan Aborted" : "Scan Complete";
  m_view.ShowStatusText(m_strEndText);
  m_view.ShowScanEnd(ScanEndMessage(m_strEndText, m_nDeniedSections, ProcessIsElevated()),
                     m_nDeniedSections);
  m_view.ShowResults();
}
