// The main window's removal and restore. The removal runs inside the click on
// Remove Problems, on this thread, as the scan does: the engine asks before
// each item whether to stop, and the window answers after letting its pending
// messages through (and lets them through while the registry editor exports a
// key), so it paints, shows where the removal is, and takes Abort and Close.
// Everything else that starts work waits: the buttons are disabled and
// OnCommand turns away what a driver posts anyway.

#include <windows.h>

#include "app/item_list_dialog.h"
#include "app/main_dialog.h"
#include "app/restore_prompt.h"
#include "app/settings_store.h"
#include "app/test_hold.h"
#include "backup/file_utils.h"
#include "backup/problem_removal.h"
#include "backup/removal_lock.h"
#include "backup/restore_items.h"
#include "core/product.h"
#include "framework/prompt.h"
#include "scan/still_stale.h"

namespace {

constexpr const char* kBackupQuestion =
    "Automatic Backup of deleted items is Disabled, Tarnwick will not backup any deleted items, "
    "Do you want to backup the items before deletion?";

constexpr const char* kCloseDuringRemoval =
    "A removal is running. Stop it before its next item and close once its backup is "
    "finished?";

RECT ChildRect(HWND hChild) {
  RECT rect = {};
  GetWindowRect(hChild, &rect);
  MapWindowPoints(nullptr, GetParent(hChild), reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

}  // namespace

bool MainDialog::OnRemovalCommand(int id) {
  if (id == kAbortRemoval) {
    m_bStopRemoval = true;
    ShowStatusText("Stopping before the next item...");
  }
  return true;
}

void MainDialog::OnRemovalClose() {
  if (m_bCloseAfterRemoval || !AskYesNo(kCloseDuringRemoval, ApplicationTitle())) return;
  m_bStopRemoval = true;
  m_bCloseAfterRemoval = true;
  ShowStatusText("Stopping before the next item...");
}

// The results' bottom line during a removal: Abort on its left, the status
// line beside it (where the total was), Remove Problems disabled; the list and
// the navigation take no clicks.
void MainDialog::ShowRemovalRunning(bool running) {
  HWND hStatus = Item(kStatusLabel);
  if (running) {
    m_rcStatusLabel = ChildRect(hStatus);
    const RECT abort = ChildRect(Item(kAbortRemoval)), total = ChildRect(Item(kResultsTotal));
    const RECT remove = ChildRect(Item(kRemoveButton));
    MoveWindow(hStatus, abort.right + 8, total.top, remove.left - 8 - abort.right - 8,
               total.bottom - total.top, FALSE);
    ShowStatusText("Removing the checked problems...");
  } else {
    MoveWindow(hStatus, m_rcStatusLabel.left, m_rcStatusLabel.top,
               m_rcStatusLabel.right - m_rcStatusLabel.left,
               m_rcStatusLabel.bottom - m_rcStatusLabel.top, FALSE);
  }
  ShowWindow(hStatus, running ? SW_SHOW : SW_HIDE);
  ShowWindow(Item(kResultsTotal), running ? SW_HIDE : SW_SHOW);
  ShowWindow(Item(kAbortRemoval), running ? SW_SHOW : SW_HIDE);
  EnableWindow(Item(kAbortRemoval), running);
  EnableWindow(Item(kRemoveButton), !running);
  EnableWindow(Item(kResultsList), !running);
  for (int id = kNavScanNow; id <= kNavAdvancedControls; ++id) EnableWindow(Item(id), !running);
  RedrawWindow(m_hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
}

void MainDialog::RemoveProblems() {
  // A Results panel that is gone starts nothing: its problems were removed (or
  // kept) once already, and a click posted late must not remove them again.
  if (m_bRemoving || !(GetWindowLongPtrA(Item(kRemoveButton), GWL_STYLE) & WS_VISIBLE)) return;
  const int rows = m_results.RowCount();
  bool anyChecked = false;
  for (int row = 0; row < rows && !anyChecked; ++row) anyChecked = m_results.Checked(row);
  if (rows <= 0) {
    ShowMessage("No Problems To delete");
    ShowStartPanel();
    return;
  }
  // The results stay, so the user can choose.
  if (!anyChecked) {
    ShowMessage("No Sections Checked");
    return;
  }
  int total = 0;
  for (ScanSection& section : m_pCatalogue->Sections()) {
    for (const auto& problem : section.problems) total += problem->checked ? 1 : 0;
  }
  RemovalHooks hooks;
  int reached = 0;
  const std::string holdFile = TestHoldFile("QUILLBANE_TEST_HOLD");
  const int holdAt = holdFile.empty() ? -1 : TestHoldItem();
  // Before each item: where the removal is, then whatever waits (a paint, Abort,
  // Close); true once the user asked to stop.
  hooks.stopRequested = [&] {
    m_status.Show("Removing item " + std::to_string(++reached) + " of " + std::to_string(total) +
                  "...");
    PumpMessages();
    if (reached - 1 == holdAt) {
      // The window shows where it is and goes on answering while a test holds it here.
      m_status.Flush();
      HoldForTestWhile(holdFile, [this] {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
        PumpMessages();
        return !m_bStopRemoval;
      });
    }
    return m_bStopRemoval;
  };
  // The section's own test once more: what became valid since the scan stays.
  hooks.recheck = [](const ProblemRecord& problem, std::string& reason) {
    return !RecheckProblem(problem, reason);
  };

  m_bRemoving = true;
  m_bStopRemoval = false;
  m_bCloseAfterRemoval = false;
  ShowRemovalRunning(true);
  RemovalOutcome outcome;
  {
    ProgramWaitPump pump(PumpMessages);
    // The lock first, so the question is not asked of a removal that cannot run;
    // the removal takes it once more.
    RemovalLock lock;
    if (!lock.Held()) {
      outcome.busy = true;
    } else {
      m_archive.RecoverUnfinishedRun();
      ShowRecovery(m_archive.TakeRecovery());
      const bool backup = ReadAutoBackup() || AskYesNo(kBackupQuestion, qb::kMakerName);
      outcome = ::RemoveProblems(*m_pCatalogue, m_archive, backup, hooks);
      ShowRecovery(outcome.recovery);
    }
    // Said while the removal's status line still shows where it ended.
    ShowMessage(RemovalMessage(outcome));
  }
  ShowRemovalRunning(false);
  // Said once, when this account's archive key had to be made anew.
  if (!outcome.keyNotice.empty()) ShowMessage(outcome.keyNotice);
  m_bRemoving = false;
  if (m_bCloseAfterRemoval) {
    EndDialog(IDCANCEL);
    return;
  }
  // The archive could not be started (or another run held the lock) and nothing
  // was removed: the results stay, so the user can choose again.
  if (!outcome.ran) return;
  ShowStartPanel();
}

void MainDialog::ShowStartPanel() {
  BeginPanelSwitch();
  HideAllPanels();
  SetBackgroundMode(0);
  ShowHomePanel(true);
  EndPanelSwitch();
}

void MainDialog::ShowRecovery(const RecoveryOutcome& recovery) {
  const std::string text = RecoveryMessage(recovery);
  if (!text.empty()) ShowMessage(text);
}

void MainDialog::RestoreBackup() {
  m_bRestoring = true;
  const RestoreResult result = RestoreWithQuestion(m_archive, SelectedBackupPath());
  m_bRestoring = false;
  if (m_bCloseAfterRestore) {
    EndDialog(IDCANCEL);
  } else if (result == RestoreResult::kNoSelection) {
    SetFocus(Item(kBackupDates));
  }
}

void MainDialog::ShowBackupItems() {
  const std::string path = SelectedBackupPath();
  RecordFile file;
  std::string problem;
  if (path.empty()) {
    ShowMessage("Please Select a backup Date");
    SetFocus(Item(kBackupDates));
  } else if (!ReadArchiveRecords(path, file, &problem)) {
    ShowMessage(problem);
  } else {
    // Its restores run inside it: the same rule as for one started here.
    m_bRestoring = true;
    BackupItemsDialog(m_hWnd, m_archive, path).DoModal();
    m_bRestoring = false;
    if (m_bCloseAfterRestore) EndDialog(IDCANCEL);
  }
}
