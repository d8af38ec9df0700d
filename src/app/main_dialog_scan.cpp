// The main window as the scan driver's view and the scanners' host.

#include <windows.h>
#include <commctrl.h>

#include <vector>

#include "app/cleaner_app.h"
#include "app/main_dialog.h"
#include "core/elevation.h"
#include "core/product.h"
#include "framework/prompt.h"
#include "scan/path_tests.h"

void MainDialog::OnScanButton() {
  if (m_bScanning) {
    m_pDriver->OnScanButton();  // the caption says Abort
    return;
  }
  m_bScanning = true;
  m_pDriver->OnScanButton();
  m_bScanning = false;
  if (m_bCloseAfterScan) EndDialog(IDCANCEL);
}

void MainDialog::ShowTotalProblems(const std::string& text) {
  SetDlgItemTextA(m_hWnd, kTotalLabel, text.c_str());
}

void MainDialog::ShowAffectedSections(const std::string& text) {
  SetDlgItemTextA(m_hWnd, kAffectedLabel, text.c_str());
}

void MainDialog::ShowSectionCount(int sectionId, const std::string& count) {
  for (int row = 0; row < RowCount(); ++row) {
    ScanSection* section = RowSection(row);
    if (section && section->sectionId == sectionId) {
      m_progress.SetCell(row, 1, count);
      return;
    }
  }
}

void MainDialog::DeleteAllRows() { SendMessageA(Item(kProgressList), LVM_DELETEALLITEMS, 0, 0); }

int MainDialog::AppendRow(ScanSection* section, const std::string& name, const std::string& count,
                          const std::string& status) {
  return m_progress.AppendRow(name, count, status, reinterpret_cast<LPARAM>(section));
}

int MainDialog::RowCount() {
  return static_cast<int>(SendMessageA(Item(kProgressList), LVM_GETITEMCOUNT, 0, 0));
}

ScanSection* MainDialog::RowSection(int row) {
  LVITEMA item = {};
  item.mask = LVIF_PARAM;
  item.iItem = row;
  if (!SendMessageA(Item(kProgressList), LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item)))
    return nullptr;
  return reinterpret_cast<ScanSection*>(item.lParam);
}

void MainDialog::SetRowStatus(int row, const std::string& status) { m_progress.SetCell(row, 2, status); }
void MainDialog::SetRowImage(int row, int image) { m_progress.SetProgressImage(image, row); }

void MainDialog::EnsureRowVisible(int row) {
  SendMessageA(Item(kProgressList), LVM_ENSUREVISIBLE, row, FALSE);
}

void MainDialog::ShowStatusText(const std::string& text) {
  m_status.Show(text);
  m_status.Flush();
}

std::string MainDialog::ButtonCaption() {
  char caption[64] = {};
  GetDlgItemTextA(m_hWnd, kScanButton, caption, sizeof(caption));
  return caption;
}

void MainDialog::SetButtonCaption(const std::string& caption) {
  SetDlgItemTextA(m_hWnd, kScanButton, caption.c_str());
}

void MainDialog::ShowAnimation(bool show) { ShowWindow(Item(kAnimation), show ? SW_SHOW : SW_HIDE); }

void MainDialog::ShowResults() {
  BeginPanelSwitch();
  HideAllPanels();
  ShowResultsPanel(true);
  EndPanelSwitch();
}

// The report travels as the window's own message, sent, so the problem is filed
// before the scanner goes on. Only the record handed over here is accepted: the
// message number is no way for anyone else to pass a pointer in.
void MainDialog::ReportProblem(std::unique_ptr<ProblemRecord> record) {
  if (!record || !m_pStore) return;
  if (!m_hWnd) {
    m_pStore->OnProblemFound(std::move(record));
    return;
  }
  m_pReporting = record.get();
  SendMessageA(m_hWnd, kReportProblemMessage, reinterpret_cast<WPARAM>(m_pReporting), 0);
  if (m_pReporting) {
    // The window did not take it (it is closing): file it directly.
    m_pReporting = nullptr;
    m_pStore->OnProblemFound(std::move(record));
    return;
  }
  record.release();  // now owned by its section
}

void MainDialog::OnProblemReport(ProblemRecord* record) {
  if (record == nullptr || record != m_pReporting) return;
  m_pReporting = nullptr;
  m_pStore->OnProblemFound(std::unique_ptr<ProblemRecord>(record));
}

void MainDialog::ShowScanEnd(const std::string& endMessage, int deniedSections) {
  // Values that could not be checked, and a log that could not be written, are
  // told here, once.
  std::string message = endMessage;
  int notChecked = 0;
  for (const ScanSection& section : m_pCatalogue->Sections()) notChecked += section.notChecked;
  if (notChecked > 0) message += "\r\n\r\n" + NotCheckedText(notChecked);
  if (!m_log.Problem().empty()) message += "\r\n\r\n" + m_log.Problem();
  if (!OfferElevatedRestart(deniedSections, ProcessIsElevated())) {
    ShowMessage(message);
    return;
  }
  // The window keeps its asInvoker manifest (so the start at log-on still
  // starts it): the restart is the user's choice, after the window has closed.
  if (AskYesNo(message + "\r\n\r\nRestart " + qb::kProductName + " as administrator now?",
               ApplicationTitle())) {
    m_app.RequestElevatedRestart();
    m_bCloseAfterScan = true;
  }
}

void MainDialog::ShowStatus(const std::string& text) { m_status.Show(text); }

void MainDialog::PumpInput() { PumpMessages(); }
