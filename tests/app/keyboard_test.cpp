// The main window at the keyboard: keys go through the dialog manager as the
// message loop hands them over, and on to the focused control when it declines.

#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include "app/details_dialog_ids.h"
#include "window_fixture.h"

namespace {

void Deliver(HWND hDialog, UINT message, WPARAM key, LPARAM lParam) {
  MSG msg = {GetFocus(), message, key, lParam, 0, {0, 0}};
  if (!IsDialogMessageA(hDialog, &msg)) DispatchMessageA(&msg);
}

void Press(HWND hDialog, WPARAM key) {
  Deliver(hDialog, WM_KEYDOWN, key, 1);
  if (IsWindow(hDialog)) Deliver(hDialog, WM_KEYUP, key, 0xC0000001);
}

TEST_F(MainWindowTest, EnterAndEscapeNeverCloseTheWindowAndEnterOpensAResultRow) {
  Open();
  const int kFocus[] = {kNavScanNow, kProgressList, kSectionsList, kBackupDates, IDC_LOG_FOLDER};
  const int kEntry[] = {0, kNavScanNow, kNavChooseSections, kNavRestoreBackup, kNavAdvancedControls};
  for (int i = 0; i < 5; ++i) {
    if (kEntry[i]) Click(kEntry[i]);
    for (WPARAM key : {WPARAM{VK_ESCAPE}, static_cast<WPARAM>(i == 0 ? VK_ESCAPE : VK_RETURN)}) {  // Enter opens an entry
      SetFocus(Item(kFocus[i]));
      Press(Window(), key);
      ASSERT_TRUE(IsWindow(Window())) << "control " << kFocus[i] << ", key " << key;
    }
  }

  RunScan();
  HWND hList = Item(kResultsList);
  SetFocus(hList);
  ListView_SetItemState(hList, 1, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
  int rows = -1;
  EXPECT_TRUE(WithModal(
      "Details", [&] { Press(Window(), VK_RETURN); },
      [&](HWND hDetails) {
        rows = ListView_GetItemCount(GetDlgItem(hDetails, IDC_DETAILS_LIST));
      }));
  EXPECT_EQ(1, rows);
  // The close box still closes.
  SendMessageA(Window(), WM_CLOSE, 0, 0);
  EXPECT_FALSE(IsWindow(hList));
}

TEST_F(MainWindowTest, SpaceAndAccessKeysOpenPanelsAndTheFocusStaysInView) {
  Open();
  Press(Window(), VK_TAB);
  EXPECT_EQ(Item(kNavChooseSections), GetFocus());
  const struct {
    int entry;
    char accessKey;
    int shown;  // a control of its panel
  } kEntries[] = {{kNavChooseSections, 'c', kSectionsList},
                  {kNavRestoreBackup, 'r', kBackupDates},
                  {kNavAdvancedControls, 'a', IDC_SAVE_PREFERENCES},
                  {kNavScanNow, 's', kScanButton}};
  for (const auto& e : kEntries) {
    const int other = e.entry == kNavRestoreBackup ? kNavAdvancedControls : kNavRestoreBackup;
    Click(other);
    SetFocus(Item(e.entry));
    Press(Window(), VK_SPACE);
    EXPECT_TRUE(Visible(e.shown)) << "Space on " << e.entry;
    EXPECT_EQ(Item(e.entry), GetFocus()) << "the focus stays where the user is";
    Click(other);
    Deliver(Window(), WM_SYSCHAR, static_cast<WPARAM>(e.accessKey), 1 << 29);
    EXPECT_TRUE(Visible(e.shown)) << "Alt+" << e.accessKey;
  }

  // A panel switch that hides the focused control leaves the focus on the new panel.
  Click(kNavChooseSections);
  SetFocus(Item(kSaveSections));
  Press(Window(), VK_SPACE);
  EXPECT_TRUE(Visible(kScanButton));
  EXPECT_EQ(Item(kProgressList), GetFocus());
}

}  // namespace
