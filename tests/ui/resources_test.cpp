// The program's resources as the window and the controls load them.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include <commctrl.h>

#include "framework/fixed_font_dialog.h"
#include "ui/gif_walker.h"
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
    int id;
    int width;
    int height;
  } expected[] = {{IDB_HOME_BACKGROUND, 650, 360}, {IDB_PLAIN_BACKGROUND, 650, 360},
                  {IDB_UNCHECKED, 16, 16},         {IDB_CHECKED, 16, 16},
                  {IDB_PROGRESS_DONE, 20, 24},     {IDB_PROGRESS_SCANNING, 20, 24},
                  {IDB_PROGRESS_WAITING, 20, 24},  {IDB_SEVERITY_CRITICAL, 69, 8},
                  {IDB_SEVERITY_SEVERE, 69, 8},    {IDB_SEVERITY_MODERATE, 69, 8}};
  for (const auto& e : expected) {
    SCOPED_TRACE(e.id);
    const SIZE size = BitmapSize(e.id);
    EXPECT_EQ(size.cx, e.width);
    EXPECT_EQ(size.cy, e.height);
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
  EXPECT_EQ(FilledCells(IDB_SEVERITY_MODERATE), 1);
  EXPECT_EQ(FilledCells(IDB_SEVERITY_SEVERE), 3);
  EXPECT_EQ(FilledCells(IDB_SEVERITY_CRITICAL), 5);
}

TEST(Resources, IconCursorAndAnimation) {
  for (int size : {16, 32, 48}) {
    HICON icon = static_cast<HICON>(
        LoadImageA(Self(), MAKEINTRESOURCEA(IDI_QUILLBANE), IMAGE_ICON, size, size, 0));
    ASSERT_NE(icon, nullptr) << size;
    ICONINFO info = {};
    GetIconInfo(icon, &info);
    BITMAP bits = {};
    GetObjectA(info.hbmColor ? info.hbmColor : info.hbmMask, sizeof(bits), &bits);
    EXPECT_EQ(bits.bmWidth, size);
    if (info.hbmColor) DeleteObject(info.hbmColor);
    if (info.hbmMask) DeleteObject(info.hbmMask);
    DestroyIcon(icon);
  }
  EXPECT_NE(LoadCursorA(Self(), MAKEINTRESOURCEA(IDC_LINK_HAND)), nullptr);

  HRSRC info = FindResourceA(Self(), MAKEINTRESOURCEA(IDR_BUSY_GIF), "GIF");
  ASSERT_NE(info, nullptr);
  const uint8_t* data = static_cast<const uint8_t*>(LockResource(LoadResource(Self(), info)));
  GifLayout layout;
  ASSERT_TRUE(ParseGifLayout(data, SizeofResource(Self(), info), layout));
  EXPECT_GE(layout.frames.size(), 4u);
}

struct Item {
  int id;
  const char* text;
};

std::string Text(HWND dialog, int id) {
  char text[512] = {};
  GetDlgItemTextA(dialog, id, text, sizeof(text));
  return text;
}

// The templates open, and carry the ids and texts the windows bind to.
TEST(Resources, TemplatesCarryTheirControls) {
  INITCOMMONCONTROLSEX init = {sizeof(init), ICC_WIN95_CLASSES | ICC_PROGRESS_CLASS};
  InitCommonControlsEx(&init);
  const struct {
    int id;
    std::vector<Item> items;
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
    for (const Item& item : t.items) {
      SCOPED_TRACE(item.id);
      ASSERT_NE(GetDlgItem(dialog, item.id), nullptr);
      if (*item.text) {
        EXPECT_EQ(Text(dialog, item.id), item.text);
      }
    }
    DestroyWindow(dialog);
  }
}

TEST(Resources, MainTemplateFitsThePicture) {
  const std::vector<uint8_t> bytes = LoadDialogTemplate(Self(), IDD_MAIN);
  ASSERT_GE(bytes.size(), 26u);
  // DLGTEMPLATEEX: cx and cy at 22 and 24.
  EXPECT_EQ(bytes[22] | (bytes[23] << 8), 433);
  EXPECT_EQ(bytes[24] | (bytes[25] << 8), 222);
  HWND dialog = CreateDialogParamA(Self(), MAKEINTRESOURCEA(IDD_MAIN), nullptr,
                                   [](HWND, UINT, WPARAM, LPARAM) -> INT_PTR { return FALSE; }, 0);
  ASSERT_NE(dialog, nullptr);
  EXPECT_FALSE(IsWindowVisible(GetDlgItem(dialog, 1010)) ||
               (GetWindowLongPtrA(GetDlgItem(dialog, 1010), GWL_STYLE) & WS_VISIBLE))
      << "the progress bar starts hidden";
  EXPECT_TRUE(GetWindowLongPtrA(dialog, GWL_EXSTYLE) & WS_EX_APPWINDOW);
  EXPECT_TRUE(GetWindowLongPtrA(dialog, GWL_STYLE) & WS_MINIMIZEBOX);
  EXPECT_FALSE(GetWindowLongPtrA(dialog, GWL_STYLE) & WS_THICKFRAME);
  DestroyWindow(dialog);
}

}  // namespace
