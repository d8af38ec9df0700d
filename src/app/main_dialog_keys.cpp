// The main window at the keyboard. The dialog manager turns Enter into IDOK and
// Escape into IDCANCEL, which would end a plain dialog: here they never do, so a
// stray key cannot take a finished scan away. The close box and Alt+F4 close it.

#include <windows.h>
#include <commctrl.h>

#include "app/main_dialog.h"

// Enter on a results row opens its details, as a click on "View Details" does.
void MainDialog::OnEnterKey() {
  HWND hList = Item(kResultsList);
  if (GetFocus() != hList || !IsWindowVisible(hList)) return;
  const int row = static_cast<int>(SendMessageA(hList, LVM_GETNEXTITEM, static_cast<WPARAM>(-1),
                                                LVNI_SELECTED));
  if (row < 0) return;
  OnOpenSectionDetails(reinterpret_cast<ScanSection*>(m_results.RowData(row)));
}

void MainDialog::OnCloseBox() {
  if (m_bRemoving) {
    OnRemovalClose();
    return;
  }
  if (m_bRestoring) {
    m_bCloseAfterRestore = true;
    return;
  }
  if (m_bScanning) {
    // The scan stops at its next item and the window closes when it has.
    m_bCloseAfterScan = true;
    OnScanButton();
    return;
  }
  EndDialog(IDCANCEL);
}

void MainDialog::KeepFocusInside() {
  HWND hBefore = m_hFocusBeforeSwitch;
  m_hFocusBeforeSwitch = nullptr;
  if (!IsWindowVisible(m_hWnd) || !hBefore || !IsChild(m_hWnd, hBefore)) return;
  if (IsWindowVisible(hBefore) && IsWindowEnabled(hBefore)) return;
  // Only focus this window holds: another window's (a message box's) stays there.
  HWND hFocus = GetFocus();
  if (hFocus != m_hWnd && !(hFocus && IsChild(m_hWnd, hFocus))) return;
  // The navigation comes first in the tab order: the next stop after it is the
  // first control of the panel shown (not the first entry, where the system
  // puts the focus of a dialog whose focused control went away).
  HWND hNext = GetNextDlgTabItem(m_hWnd, Item(kNavAdvancedControls), FALSE);
  if (hNext) SendMessageA(m_hWnd, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(hNext), TRUE);
}
