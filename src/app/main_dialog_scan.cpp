// The main window's scan: the Start Scan / Abort button, and the scan's events
// shown in the progress rows, the totals and the status line. The scan runs
// inside the click on Start Scan, on this thread: between items the window lets
// its messages through, so it paints and takes the Abort click.

#include <windows.h>
#include <commctrl.h>

#include "app/cleaner_app.h"
#include "app/main_dialog.h"
#include "core/elevation.h"
#include "core/product.h"
#include "framework/prompt.h"
#include "scan/exclusion_list.h"

void MainDialog::ScanView::SectionStarted(const ScanSection& section) {
  const int row = section.progressRow;
  if (row < 0) return;
  SendMessageA(m_dialog.Item(kProgressList), LVM_ENSUREVISIBLE, row, FALSE);
  m_dialog.m_progress.SetProgressImage(kImageScanning, row);
  m_dialog.m_progress.SetCell(row, 2, "Scanning");
}

void MainDialog::ScanView::SectionEnded(const ScanSection& section, SectionStatus status) {
  const int row = section.progressRow;
  if (row < 0) return;
  m_dialog.m_progress.SetCell(row, 2, SectionStatusText(status));
  // An aborted row keeps its picture: it was not done.
  if (status != SectionStatus::kAborted) m_dialog.m_progress.SetProgressImage(kImageDone, row);
}

void MainDialog::ScanView::ProblemFiled(const ScanSection& section, const ProblemRecord&,
                                        const ScanTotals& totals) {
  SetDlgItemTextA(m_dialog.m_hWnd, kTotalLabel,
                  ("Total Problems : " + std::to_string(totals.problems)).c_str());
  m_dialog.ShowSectionCount(section);
  if (section.problemCount() == 1) {
    SetDlgItemTextA(m_dialog.m_hWnd, kAffectedLabel,
                    ("Affected Sections : " + std::to_string(totals.affectedSections)).c_str());
  }
}

void MainDialog::ScanView::Progress(const std::string& text) { m_dialog.m_status.Show(text); }

bool MainDialog::ScanView::ProgressWanted() { return m_dialog.m_status.Due(); }

bool MainDialog::ScanView::StopRequested() {
  PumpMessages();
  return m_dialog.m_bStopScan;
}

void MainDialog::ScanView::EntryFailed() { ShowMessage(kEntryFailedText); }

void MainDialog::SetUpScan() {
  m_pScanView = std::make_unique<ScanView>(*this);
  m_pStore = std::make_unique<ProblemStore>(*m_pCatalogue, IsExcluded, &m_log);
  m_pDriver = std::make_unique<ScanDriver>(*m_pCatalogue, *m_pStore, m_scanner, *m_pScanView, &m_log);
  FillReadyRows();
}

void MainDialog::OnScanButton() {
  if (m_bScanning) {
    // Abort: the scan stops at its next item. A click while the scan is still
    // starting holds too, and ends the wait for the button to repaint.
    m_bStopScan = true;
    if (!m_bScanStarting) m_scanner.RequestAbort();
    return;
  }
  m_bScanning = true;
  m_bStopScan = false;
  SetDlgItemTextA(m_hWnd, kScanButton, "Abort");
  // A moment for the button to show its new caption before the scan takes over.
  m_bScanStarting = true;
  for (int i = 0; i < 10 && !m_bStopScan; ++i) {
    Sleep(10);
    PumpMessages();
  }
  m_bScanStarting = false;
  ShowWindow(Item(kAnimation), SW_SHOW);
  m_pDriver->RunScan();
  ShowWindow(Item(kAnimation), SW_HIDE);
  ShowStatusText(m_pDriver->EndText());
  ShowScanEnd();
  BeginPanelSwitch();
  HideAllPanels();
  ShowResultsPanel(true);
  EndPanelSwitch();
  m_bScanning = false;
  if (m_bCloseAfterScan) EndDialog(IDCANCEL);
}

// Zero totals and a Ready row for each enabled section; the last scan's problems go.
void MainDialog::PrepareScan() {
  ShowScanTotals(0, 0);
  FillReadyRows();
  ShowStatusText("Preparing to Scan");
  m_pDriver->PrepareScan();
}

void MainDialog::FillReadyRows() {
  SendMessageA(Item(kProgressList), LVM_DELETEALLITEMS, 0, 0);
  for (ScanSection& section : m_pCatalogue->Sections()) {
    section.progressRow = -1;
    if (!section.enabled) continue;
    section.progressRow =
        m_progress.AppendRow(section.name, "0", "Ready", reinterpret_cast<LPARAM>(&section));
  }
}

void MainDialog::ShowScanTotals(int problems, int affectedSections) {
  SetDlgItemTextA(m_hWnd, kTotalLabel, ("Total Problems : " + std::to_string(problems)).c_str());
  SetDlgItemTextA(m_hWnd, kAffectedLabel,
                  ("Affected Sections : " + std::to_string(affectedSections)).c_str());
}

void MainDialog::ShowSectionCount(const ScanSection& section) {
  if (section.progressRow >= 0)
    m_progress.SetCell(section.progressRow, 1, std::to_string(section.problemCount()));
}

void MainDialog::ShowStatusText(const std::string& text) {
  m_status.Show(text);
  m_status.Flush();
}

void MainDialog::ShowScanEnd() {
  // Values that could not be checked, and a log that could not be written, are
  // told here, once.
  const int denied = m_pDriver->DeniedSections();
  std::string message = ScanEndMessage(m_pDriver->EndText(), denied, ProcessIsElevated());
  const int notChecked = m_pDriver->NotCheckedValues();
  if (notChecked > 0) message += "\r\n\r\n" + NotCheckedText(notChecked);
  if (!m_log.Problem().empty()) message += "\r\n\r\n" + m_log.Problem();
  if (!OfferElevatedRestart(denied, ProcessIsElevated())) {
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
