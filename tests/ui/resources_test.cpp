// The program's resources as the window and the controls load them.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include <commctrl.h>

#include "ui/resource_ids.h"

namespace {

HINSTANCE Self() { return GetModuleHandleA(nullptr); }

SIZE BitmapSize(int id) {
  SIZE size = {0, 0};
  HBITMAP bitmap = LoadBitmapA(Self(), MAKEINTRESOURCEA(id));
  if (!bitmap) return size;
  BITMAP info = {};
  GetObjectA(bitmap, sizeof(info), &info);
  DeleteObject(bitmap);
  return SIZE{info.bmWidth, info.bmHeight};
}

TEST(Resources, BitmapsHaveTheirSizes) {
  const struct {
    int id, width, height;
  } expected[] = {{IDB_HOME_BACKGROUND, 650, 360}, {IDB_PLAIN_BACKGROUND, 650, 360},
                  {IDB_UNCHECKED, 16, 16},         {IDB_CHECKED, 16, 16},
                  {IDB_PROGRESS_DONE, 20, 24},     {IDB_PROGRESS_SCANNING, 20, 24},
                  {IDB_PROGRESS_WAITING, 20, 24},  {IDB_SEVERITY_CRITICAL, 69, 8},
                  {IDB_SEVERITY_SEVERE, 69, 8},    {IDB_SEVERITY_MODERATE, 69, 8}};
  for (const auto& e : expected) {
    SCOPED_TRACE(e.id);
    EXPECT_EQ(BitmapSize(e.id).cx, e.width);
    EXPECT_EQ(BitmapSize(e.id).cy, e.height);
  }
}

// Count the filled cells of a severity bar along its middle row.
int FilledCells(int id) {
  HBITMAP bitmap = LoadBitmapA(Self(), MAKEINTRESOURCEA(id));
  HDC hdc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(hdc, bitmap);
  int filled = 0;
  for (int cell = 0; cell < 5; ++cell) {
    const COLORREF c = GetPixel(hdc, cell * 14 + 6, 4);
    const int spread = std::max({GetRValue(c), GetGValue(c), GetBValue(c)}) -
                       std::min({GetRValue(c), GetGValue(c), GetBValue(c)});
    filled += spread > 60 ? 1 : 0;  // coloured, not the grey of an empty cell
  }
  SelectObject(hdc, old);
  DeleteDC(hdc);
  DeleteObject(bitmap);
  return filled;
}

TEST(Resources, SeverityBarsFillOneThreeAndFiveCells) {
  EXPECT_EQ(std::vector<int>({FilledCells(IDB_SEVERITY_MODERATE), FilledCells(IDB_SEVERITY_SEVERE),
                              FilledCells(IDB_SEVERITY_CRITICAL)}),
            std::vector<int>({1, 3, 5}));
}

// The busy animation is loaded by the animator tests.
TEST(Resources, IconAndCursor) {
  // Loading at a size scales whatever the file holds, so only presence can be checked.
  EXPECT_NE(LoadImageA(Self(), MAKEINTRESOURCEA(IDI_QUILLBANE), IMAGE_ICON, 32, 32, LR_SHARED), nullptr);
  EXPECT_NE(LoadCursorA(Self(), MAKEINTRESOURCEA(IDC_LINK_HAND)), nullptr);
}

// The templates open, and carry the ids and texts the windows bind to.
TEST(Resources, TemplatesCarryTheirControls) {
  INITCOMMONCONTROLSEX init = {sizeof(init), ICC_WIN95_CLASSES | ICC_PROGRESS_CLASS};
  InitCommonControlsEx(&init);
  const struct {
    int id;
    std::vector<std::pair<int, const char*>> items;
  } templates[] = {
      {IDD_MAIN,
       {{1000, "Scan Now"}, {1001, "Choose Sections"}, {1002, "Restore Backup"},
        {1003, "Advanced Controls"}, {1009, "Abort Scan"}, {1013, "Static"},
        {1014, "Total Problems : 0"}, {1015, "ANITMATED"}, {1017, "Affected Sections : "},
        {1019, "Remove Problems"}, {1021, "Save"}, {1042, "Restore Selected Backup"},
        {1046, "Orrelmoor Home"}, {1048, "Orrelmoor Support"}, {1049, "Help Manual"},
        {1026, "Run At Windows Startup"}, {1028, "Back up all keys before removal (Recommended)"},
        {1037, "Save Preferences"}, {1038, "..."}, {1057, "Add/Remove Programs Manager"},
        {1056, "BHO Manager"}, {1055, "Startup Manager"}, {1008, ""}, {1018, ""}, {1020, ""},
        {1041, ""}, {1010, ""}, {1036, ""}}},
      {IDD_DETAILS, {{1022, ""}, {1023, ""}, {1039, "Select All"}, {1040, "Deselect All"}, {2, "Close"}}},
      {IDD_BHO_MANAGER, {{1059, ""}, {1023, ""}, {1042, ""}, {1043, ""}, {1044, ""}, {1045, ""}, {1, "Remove Checked "}, {2, "Close"}}},
      {IDD_STARTUP_MANAGER, {{1059, ""}, {1023, ""}, {1042, ""}, {1045, ""}, {1, "Remove Checked "}, {2, "Close"}}},
      {IDD_ADD_REMOVE_MANAGER, {{1059, ""}, {1023, ""}, {1, "Remove Checked "}, {2, "Close"}}},
  };
  for (const auto& t : templates) {
    SCOPED_TRACE(t.id);
    HWND dialog = CreateDialogParamA(Self(), MAKEINTRESOURCEA(t.id), nullptr,
                                     [](HWND, UINT, WPARAM, LPARAM) -> INT_PTR { return FALSE; }, 0);
    ASSERT_NE(dialog, nullptr);
    for (const auto& item : t.items) {
      ASSERT_NE(GetDlgItem(dialog, item.first), nullptr) << item.first;
      char text[512] = {};
      GetDlgItemTextA(dialog, item.first, text, sizeof(text));
      if (*item.second) {
        EXPECT_STREQ(text, item.second) << item.first;
      }
    }
    DestroyWindow(dialog);
  }
}

}  // namespace
