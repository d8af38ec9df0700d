// The main window's Results, Choose Sections and Restore Backup panels and the
// details window.

#include <windows.h>
#include <commctrl.h>

#include <utility>
#include <vector>

#include "app/details_dialog.h"
#include "app/main_dialog.h"
#include "app/settings_store.h"
#include "backup/removal_lock.h"
#include "backup/restore.h"
#include "framework/prompt.h"
#include "ui/html_token.h"

namespace {

std::string ResultRowText(const ScanSection& section) {
  return "<b>Section Name : " + HtmlEscaped(section.name) +
         "</b><br><font color=\"#FF0000\">Problems Found : " +
         std::to_string(section.problemCount()) + "</font>";
}

}  // namespace

void MainDialog::ShowResultsPanel(bool show) {
  for (int id : {int{kResultsList}, int{kRemoveButton}, int{kResultsTotal}}) ShowWindow(Item(id), show ? SW_SHOW : SW_HIDE);
  if (!show) return;
  m_results.ClearRows();
  const bool selectAll = ReadSelectAll();
  for (ScanSection& section : m_pCatalogue->Sections()) {
    if (!section.enabled || section.problems.empty()) continue;
    const int row =
        m_results.AppendRow(ResultRowText(section), reinterpret_cast<LPARAM>(&section), selectAll);
    m_results.SetRowSeverity(row, section.severity);
    section.selected = selectAll ? 1 : 0;
    for (auto& problem : section.problems) problem->checked = selectAll ? 1 : 0;
  }
  const std::string total = "Total Problems : " + std::to_string(m_pStore->totalProblems());
  SetDlgItemTextA(m_hWnd, kResultsTotal, total.c_str());
}

void MainDialog::OnResultsItemChanged(const NMLISTVIEW& change) {
  if (change.uNewState == 0 && change.uOldState == 0) return;
  const int now = CheckListCtrl::CheckState(change.uNewState);
  if (now == CheckListCtrl::CheckState(change.uOldState)) return;
  auto* section = reinterpret_cast<ScanSection*>(m_results.RowData(change.iItem));
  if (!section) return;
  section->selected = now;
  for (auto& problem : section->problems) problem->checked = now;
}

LRESULT MainDialog::OnOpenSectionDetails(ScanSection* section) {
  // Only a section of this window's catalogue: the message carries a pointer.
  bool known = false;
  for (ScanSection& candidate : m_pCatalogue->Sections()) known = known || &candidate == section;
  if (!known) return 0;
  // Owned by this window, so the window cannot start a scan (which destroys the
  // problems the details rows point at) while the details are open.
  DetailsDialog details(m_hWnd);
  details.SetSection(section);
  details.SetStore(m_pStore.get());
  details.DoModal();
  RefreshResultRows();
  return 0;
}

// After the details window ignored problems: counts anew, and a section left
// with none loses its row. Check boxes stay as the user set them.
void MainDialog::RefreshResultRows() {
  ShowScanTotals(m_pStore->totalProblems(), m_pStore->affectedSections());
  for (const ScanSection& section : m_pCatalogue->Sections()) ShowSectionCount(section);
  for (int row = m_results.RowCount() - 1; row >= 0; --row) {
    const auto* section = reinterpret_cast<const ScanSection*>(m_results.RowData(row));
    if (!section) continue;
    if (section->problems.empty()) {
      m_results.DeleteRow(row);
    } else {
      m_results.SetRowText(row, ResultRowText(*section));
    }
  }
  const std::string total = "Total Problems : " + std::to_string(m_pStore->totalProblems());
  SetDlgItemTextA(m_hWnd, kResultsTotal, total.c_str());
}

void MainDialog::ShowSectionsPanel(bool show) {
  for (int id : {int{kSaveSections}, int{kSectionsList}}) ShowWindow(Item(id), show ? SW_SHOW : SW_HIDE);
  if (!show) return;
  m_sections.ClearRows();
  for (ScanSection& section : m_pCatalogue->Sections()) {
    const std::string text = "<b>Section Name : " + HtmlEscaped(section.name) +
                             "</b><br><font color=\"#7B7B7B\">Description : " +
                             HtmlEscaped(section.description) + "</font>";
    m_sections.AppendRow(text, reinterpret_cast<LPARAM>(&section), section.enabled != 0);
  }
}

void MainDialog::SaveSectionSelection() {
  std::vector<std::pair<ScanSection*, int>> rows;
  for (int row = 0; row < m_sections.RowCount(); ++row) {
    rows.emplace_back(reinterpret_cast<ScanSection*>(m_sections.RowData(row)),
                      m_sections.Checked(row) ? 1 : 0);
  }
  ::SaveSectionSelection(rows);
  bool stored = true;
  for (const auto& row : rows) {
    if (row.first && LoadSectionEnabled(row.first->sectionId) != static_cast<DWORD>(row.second))
      stored = false;
  }
  ShowMessage(stored ? "Section Information Saved"
                     : "Section Information could not be saved: the choice holds until the "
                       "program is closed.");
  OnScanNow();
}

void MainDialog::ShowRestorePanel(bool show) {
  for (int id : {int{kRestoreText}, IDC_BACKUP_DATES_CAPTION, int{kBackupDates}, int{kRestoreButton},
                 IDC_RESTORE_RULE, int{kShowBackupItems}})
    ShowWindow(Item(id), show ? SW_SHOW : SW_HIDE);
  if (!show) return;
  {
    // What an interrupted removal saved belongs in the list: pack it first
    // (unless a removal or restore is running right now).
    RemovalLock lock;
    if (lock.Held()) {
      m_archive.RecoverUnfinishedRun();
      ShowRecovery(m_archive.TakeRecovery());
    }
  }
  HWND hDates = Item(kBackupDates);
  SendMessageA(hDates, CB_RESETCONTENT, 0, 0);
  m_vBackupPaths.clear();
  for (const BackupEntry& entry : FillBackupList(m_strBackupFolder)) {
    const LRESULT index =
        SendMessageA(hDates, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(entry.displayName.c_str()));
    if (index < 0) continue;
    // The entry carries the index of its path, which this window keeps.
    SendMessageA(hDates, CB_SETITEMDATA, index, static_cast<LPARAM>(m_vBackupPaths.size()));
    m_vBackupPaths.push_back(entry.path);
  }
}

std::string MainDialog::SelectedBackupPath() const {
  HWND hDates = Item(kBackupDates);
  const LRESULT selected = SendMessageA(hDates, CB_GETCURSEL, 0, 0);
  if (selected == CB_ERR) return "";
  const LRESULT index = SendMessageA(hDates, CB_GETITEMDATA, selected, 0);
  return index >= 0 && static_cast<size_t>(index) < m_vBackupPaths.size() ? m_vBackupPaths[index] : "";
}
