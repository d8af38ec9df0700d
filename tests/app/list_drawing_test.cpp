// How the results rows are drawn and answer the pointer, and the XP-style
// statics, checked on the real window's controls.

#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include "app/status_text.h"
#include "support/test_surface.h"
#include "ui/resource_ids.h"
#include "window_fixture.h"

namespace {

// Row `row` of the list drawn as the list draws it, into a picture its size.
void DrawRow(HWND hList, int row, bool selected, const Surface& picture) {
  DRAWITEMSTRUCT item = {};
  item.CtlType = ODT_LISTVIEW;
  item.CtlID = GetDlgCtrlID(hList);
  item.itemID = row;
  item.itemAction = ODA_DRAWENTIRE;
  item.itemState = selected ? ODS_SELECTED : 0;
  item.hwndItem = hList;
  item.hDC = picture.Dc();
  // Black first: every pixel the test reads must have been drawn.
  PatBlt(picture.Dc(), 0, 0, picture.Width(), picture.Height(), BLACKNESS);
  item.rcItem = RECT{0, 0, picture.Width(), picture.Height()};
  SendMessageA(GetParent(hList), WM_DRAWITEM, item.CtlID, reinterpret_cast<LPARAM>(&item));
}

TEST_F(MainWindowTest, ResultRowsShowTheirStateSeverityAndEdgesAndAHandOverTheLink) {
  Open();
  RunScan();
  HWND hList = Item(kResultsList);
  auto* results = static_cast<CheckListCtrl*>(Control::FromHandle(hList));
  RECT bounds = {};
  ListView_GetItemRect(hList, 0, &bounds, LVIR_BOUNDS);
  // 55, and Wine adds one pixel of padding to a row that was never measured.
  EXPECT_NEAR(55, bounds.bottom - bounds.top, 1);

  // The bar of the row's severity, 69 x 8, 10 pixels from the right and 5 from
  // the bottom; an unknown severity draws none.
  const int kBars[] = {IDB_SEVERITY_MODERATE, IDB_SEVERITY_SEVERE, IDB_SEVERITY_CRITICAL};
  const struct {
    int severity;
    bool selected;
  } kRows[] = {{0, false}, {1, false}, {2, true}, {7, false}};
  for (const auto& row : kRows) {
    results->SetRowSeverity(0, row.severity);
    Surface picture(bounds.right - bounds.left, bounds.bottom - bounds.top);
    DrawRow(hList, 0, row.selected, picture);
    // From the right and bottom edges.
    auto fromCorner = [&](int dx, int dy) { return picture.Pixel(picture.Width() - dx, picture.Height() - dy); };
    const COLORREF fill = row.selected ? RGB(233, 253, 222) : RGB(255, 255, 255);
    EXPECT_EQ(fill, picture.Pixel(120, 4)) << row.severity;
    EXPECT_EQ(RGB(200, 200, 200), picture.Pixel(120, 0)) << row.severity;
    EXPECT_EQ(RGB(200, 200, 200), fromCorner(1, 20)) << row.severity;
    const BitmapHandle bar(row.severity <= 2 ? static_cast<HBITMAP>(LoadImageA(
        GetModuleHandleA(nullptr), MAKEINTRESOURCEA(kBars[row.severity]), IMAGE_BITMAP, 0, 0, 0)) : nullptr);
    const MemoryDc barDc(CreateCompatibleDC(nullptr));
    const SelectedObject selected(barDc.Get(), bar.Get());
    int matching = 0;
    for (int x = 1; x < 69; x += 5) {
      const COLORREF drawn = fromCorner(10 + 69 - x, 5 + 4);
      matching += bar ? drawn == GetPixel(barDc.Get(), x, 4) : drawn == fill;
    }
    EXPECT_EQ(14, matching) << row.severity;
  }

  // The pointer is a hand over "View Details" only.
  HCURSOR hHand = LoadCursorA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDC_LINK_HAND));
  ASSERT_NE(nullptr, hHand);
  const RECT link = results->LinkRect();
  const struct {
    POINT offset;
    bool hand;
  } kPoints[] = {{{link.left + 3, link.top + 3}, true},
                 {{link.right + 40, link.top + 3}, false},
                 {{link.left + 3, 12}, false}};
  for (const auto& point : kPoints) {
    POINT screen = RowPoint(hList, 1, RECT{point.offset.x, point.offset.y, point.offset.x, point.offset.y});
    ClientToScreen(hList, &screen);
    SetCursor(nullptr);
    // The list reads where the pointer was when its last message was posted.
    SetCursorPos(screen.x, screen.y);
    PostMessageA(hList, WM_NULL, 0, 0);
    MSG msg;
    while (PeekMessageA(&msg, hList, WM_NULL, WM_NULL, PM_REMOVE)) DispatchMessageA(&msg);
    SendMessageA(hList, WM_SETCURSOR, reinterpret_cast<WPARAM>(hList), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    EXPECT_EQ(point.hand, GetCursor() == hHand) << point.offset.x << "," << point.offset.y;
  }
}

TEST_F(MainWindowTest, WithTheXpFlagAStaticShowsThePictureUnderIt) {
  m_app.SetXpFlag(1);
  Open();
  HWND hLine = Item(kOsLine);
  RECT area = {};
  GetWindowRect(hLine, &area);
  MapWindowPoints(nullptr, Window(), reinterpret_cast<POINT*>(&area), 2);
  const BitmapHandle home(static_cast<HBITMAP>(
      LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDB_HOME_BACKGROUND), IMAGE_BITMAP, 0, 0, 0)));
  const MemoryDc picture(CreateCompatibleDC(nullptr));
  const SelectedObject selected(picture.Get(), home.Get());
  Surface canvas(40, 10);
  PatBlt(canvas.Dc(), 0, 0, 40, 10, BLACKNESS);
  SendMessageA(Window(), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(canvas.Dc()), reinterpret_cast<LPARAM>(hLine));
  int same = 0;
  for (int x = 0; x < 40; x += 4) same += canvas.Pixel(x, 3) == GetPixel(picture.Get(), area.left + x, area.top + 3);
  EXPECT_EQ(10, same);
}

TEST(StatusText, CutTo259ThenCompactedToTheLabel) {
  // Wide enough for 259 characters: only the cut shortens the text.
  HWND label = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 8000, 20, nullptr, nullptr,
                               GetModuleHandleA(nullptr), nullptr);
  ASSERT_NE(nullptr, label);
  auto shown = [&] {
    char text[1024] = {};
    GetWindowTextA(label, text, sizeof(text));
    return std::string(text);
  };
  std::string path = "C:";
  while (path.size() < 300) path += "\\folder";
  SetStatusText(label, path);
  EXPECT_EQ(path.substr(0, 259), shown());
  SetWindowPos(label, nullptr, 0, 0, 120, 20, SWP_NOMOVE | SWP_NOZORDER);
  SetStatusText(label, path + "\\file.txt");
  EXPECT_LT(shown().size(), 259u);
  EXPECT_NE(std::string::npos, shown().find("..."));
  SetStatusText(nullptr, path);  // no label: nothing happens

  // A burst of items repaints once; the newest text is up after Flush.
  StatusLine line(label);
  const ULONGLONG start = GetTickCount64();
  line.Show("first");
  for (int i = 0; i < 100; ++i) line.Show("item " + std::to_string(i));
  const std::string burst = shown();
  if (GetTickCount64() - start < StatusLine::kIntervalMs) {
    EXPECT_EQ("first", burst);
  }
  line.Flush();
  EXPECT_EQ("item 99", shown());
  Sleep(StatusLine::kIntervalMs + 20);
  line.Show("later");
  EXPECT_EQ("later", shown());
  DestroyWindow(label);
}

}  // namespace
