// The program's resources as the window and the controls load them.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include <commctrl.h>

#include "app/details_dialog_ids.h"
#include "app/main_dialog_ids.h"
#include "core/handles.h"
#include "ui/resource_ids.h"

namespace {

HINSTANCE Self() { return GetModuleHandleA(nullptr); }

SIZE BitmapSize(int id) {
  SIZE size = {0, 0};
  const BitmapHandle bitmap(LoadBitmapA(Self(), MAKEINTRESOURCEA(id)));
  if (!bitmap) return size;
  BITMAP info = {};
  GetObjectA(bitmap.Get(), sizeof(info), &info);
  return SIZE{info.bmWidth, info.bmHeight};
}

// The window lays its panels and rows out for these sizes.
TEST(Resources, BitmapsHaveTheirSizesIconAndCursorAreThere) {
  const struct {
    int id, width, height;
  } expected[] = {{IDB_HOME_BACKGROUND, 650, 360}, {IDB_PLAIN_BACKGROUND, 650, 360},
                  {IDB_UNCHECKED, 16, 16},         {IDB_CHECKED, 16, 16},
                  {IDB_PROGRESS_DONE, 20, 24},     {IDB_PROGRESS_SCANNING, 20, 24},
                  {IDB_PROGRESS_WAITING, 20, 24},  {IDB_SEVERITY_CRITICAL, 69, 8},
                  {IDB_SEVERITY_SEVERE, 69, 8},    {IDB_SEVERITY_MODERATE, 69, 8}};
  for (const auto& e : expected) {
    EXPECT_EQ(BitmapSize(e.id).cx * 1000 + BitmapSize(e.id).cy, e.width * 1000 + e.height) << e.id;
  }
  // An icon or cursor loaded at a size is scaled from whatever the file holds: only
  // presence can be checked. (The busy animation is loaded by the animator tests.)
  EXPECT_NE(LoadImageA(Self(), MAKEINTRESOURCEA(IDI_QUILLBANE), IMAGE_ICON, 32, 32, LR_SHARED), nullptr);
  EXPECT_NE(LoadCursorA(Self(), MAKEINTRESOURCEA(IDC_LINK_HAND)), nullptr);
}

// Count the filled cells of a severity bar along its middle row.
int FilledCells(int id) {
  const BitmapHandle bitmap(LoadBitmapA(Self(), MAKEINTRESOURCEA(id)));
  const MemoryDc dc(CreateCompatibleDC(nullptr));
  const SelectedObject picture(dc.Get(), bitmap.Get());
  int filled = 0;
  for (int cell = 0; cell < 5; ++cell) {
    const COLORREF c = GetPixel(dc.Get(), cell * 14 + 6, 4);
    const int spread = std::max({GetRValue(c), GetGValue(c), GetBValue(c)}) -
                       std::min({GetRValue(c), GetGValue(c), GetBValue(c)});
    filled += spread > 60 ? 1 : 0;  // coloured, not the grey of an empty cell
  }
  return filled;
}

TEST(Resources, SeverityBarsFillOneThreeAndFiveCells) {
  EXPECT_EQ(std::vector<int>({FilledCells(IDB_SEVERITY_MODERATE), FilledCells(IDB_SEVERITY_SEVERE),
                              FilledCells(IDB_SEVERITY_CRITICAL)}),
            std::vector<int>({1, 3, 5}));
}

// The texts users read on the templates' controls; the window and manager tests drive
// the same controls by their ids.
TEST(Resources, TemplatesCarryTheirTexts) {
  INITCOMMONCONTROLSEX init = {sizeof(init), ICC_WIN95_CLASSES | ICC_PROGRESS_CLASS};
  InitCommonControlsEx(&init);
  const char* const kManager = "Remove Checked |Close";
  const struct {
    int id;
    std::vector<int> items;
    const char* texts;
  } templates[] = {
      {IDD_MAIN,
       {IDC_NAV_SCAN_NOW, IDC_NAV_CHOOSE_SECTIONS, IDC_NAV_RESTORE_BACKUP, IDC_NAV_ADVANCED_CONTROLS,
        IDC_SCAN_BUTTON, IDC_TOTAL_LABEL, IDC_AFFECTED_LABEL, IDC_REMOVE_BUTTON, IDC_SAVE_SECTIONS,
        IDC_RESTORE_BUTTON, IDC_HOME_LINK, IDC_SUPPORT_LINK, IDC_HELP_LINK, IDC_RUN_AT_STARTUP,
        IDC_AUTO_BACKUP, IDC_SAVE_PREFERENCES, IDC_BROWSE_LOG_FOLDER, IDC_ADD_REMOVE_MANAGER,
        IDC_BHO_MANAGER, IDC_STARTUP_MANAGER},
       "&Scan Now|&Choose Sections|&Restore Backup|&Advanced Controls|Abort Scan|Total Problems : 0|"
       "Affected Sections : |Remove Problems|Save|Restore Selected Backup|Orrelmoor Home|"
       "Orrelmoor Support|Help Manual|Run At Windows Startup|Back up all keys before removal "
       "(Recommended)|Save Preferences|...|Add/Remove Programs Manager|BHO Manager|Startup Manager"},
      {IDD_DETAILS, {IDC_DETAILS_SELECT_ALL, IDC_DETAILS_DESELECT_ALL, IDCANCEL},
       "Select All|Deselect All|Close"},
      {IDD_BHO_MANAGER, {IDOK, IDCANCEL}, kManager},
      {IDD_STARTUP_MANAGER, {IDOK, IDCANCEL}, kManager},
      {IDD_ADD_REMOVE_MANAGER, {IDOK, IDCANCEL}, kManager},
  };
  for (const auto& t : templates) {
    HWND dialog = CreateDialogParamA(Self(), MAKEINTRESOURCEA(t.id), nullptr,
                                     [](HWND, UINT, WPARAM, LPARAM) -> INT_PTR { return FALSE; }, 0);
    ASSERT_NE(dialog, nullptr) << t.id;
    std::string texts;
    for (int item : t.items) {
      char text[512] = {};
      GetDlgItemTextA(dialog, item, text, sizeof(text));
      texts += (texts.empty() ? "" : "|") + std::string(text);
    }
    EXPECT_EQ(texts, t.texts) << t.id;
    DestroyWindow(dialog);
  }
}

}  // namespace
