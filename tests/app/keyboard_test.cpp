// The main window at the keyboard: keys go through the dialog manager as the
// message loop hands them over, and on to the focused control when it declines.

#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <set>

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

int FocusId() { return GetDlgCtrlID(GetFocus()); }

TEST_F(MainWindowTest, EnterAndEscapeNeverCloseTheWindowAndEnterOpensAResultRow) {
  Open();
  // On every panel, with the focus on each of its controls that takes it.
  for (int entry : {0, int{kNavScanNow}, int{kNavChooseSections}, int{kNavRestoreBackup},
                    int{kNavAdvancedControls}}) {
    if (entry) Click(entry);
    SetFocus(Item(kNavAdvancedControls));
    for (HWND hStop = GetNextDlgTabItem(Window(), Item(kNavAdvancedControls), FALSE);
         hStop && hStop != Item(kNavScanNow); hStop = GetNextDlgTabItem(Window(), hStop, FALSE)) {
      if (GetDlgCtrlID(hStop) == kHelpLink) continue;  // it opens the manual
      // Buttons act on Enter as clicked: those that open a window are left out.
      const int id = GetDlgCtrlID(hStop);
      if (id == kStartupManager || id == kBhoManager || id == kAddRemoveManager || id == 1062 ||
          id == 1038)
        continue;
      for (WPARAM key : {WPARAM{VK_ESCAPE}, WPARAM{VK_RETURN}}) {
        SetFocus(hStop);
        Press(Window(), key);
        ASSERT_TRUE(IsWindow(Window())) << "panel " << entry << ", control " << id << ", key " << key;
      }
    }
  }

  RunScan();
  HWND hList = Item(kResultsList);
  SetFocus(hList);
  ListView_SetItemState(hList, 1, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
  int rows = -1;
  EXPECT_TRUE(WithModal("Details", [&] { Press(Window(), VK_RETURN); },
                        [&](HWND hDetails) { rows = ListView_GetItemCount(GetDlgItem(hDetails, 1023)); }));
  EXPECT_EQ(1, rows);
  EXPECT_TRUE(Visible(kResultsList));
  // The close box still closes.
  SendMessageA(Window(), WM_CLOSE, 0, 0);
  EXPECT_FALSE(IsWindow(hList));
}

TEST_F(MainWindowTest, TabReachesTheNavigationWhoseEntriesSpaceAndAccessKeysOpen) {
  Open();
  SetFocus(Item(kNavScanNow));
  std::set<int> reached;
  for (int i = 0; i < 12; ++i, Press(Window(), VK_TAB)) reached.insert(FocusId());
  for (int id : {kNavScanNow, kNavChooseSections, kNavRestoreBackup, kNavAdvancedControls,
                 kHomeLink, kSupportLink, kHelpLink})
    EXPECT_EQ(1u, reached.count(id)) << id;

  const struct {
    int entry;
    char accessKey;
    int shown;  // a control of its panel
  } kEntries[] = {{kNavChooseSections, 'c', kSectionsList}, {kNavRestoreBackup, 'r', kBackupDates},
                  {kNavAdvancedControls, 'a', 1037}, {kNavScanNow, 's', kScanButton}};
  for (const auto& e : kEntries) {
    const int other = e.entry == kNavRestoreBackup ? kNavAdvancedControls : kNavRestoreBackup;
    Click(other);
    SetFocus(Item(e.entry));
    Press(Window(), VK_SPACE);
    EXPECT_TRUE(Visible(e.shown)) << "Space on " << e.entry;
    EXPECT_EQ(Item(e.entry), GetFocus()) << "the focus stays where the user is";
    Click(other);
    SetFocus(Item(kNavScanNow));
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
