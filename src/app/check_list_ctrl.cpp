#include "app/check_list_ctrl.h"

#include <commctrl.h>

#include <algorithm>
#include <vector>

#include "framework/list_view.h"
#include "ui/html_text.h"
#include "ui/resource_ids.h"

namespace {

// The system's hand (IDC_HAND, whose macro has the wide type in a Unicode build).
const int kSystemHandCursor = 32649;
const COLORREF kSelectedRow = RGB(233, 253, 222);
const COLORREF kEdge = RGB(200, 200, 200);
const char kLinkWords[] = "View Details";
const char* const kSeverityLabels[] = {"Moderate : ", "Severe : ", "Critical : "};

HBITMAP LoadPicture(int id) {
  return static_cast<HBITMAP>(
      LoadImageA(Dialog::ResourceModule(), MAKEINTRESOURCEA(id), IMAGE_BITMAP, 0, 0, 0));
}

SIZE PictureSize(HBITMAP hBitmap) {
  BITMAP info = {};
  if (!hBitmap || !GetObjectA(hBitmap, sizeof(info), &info)) return SIZE{0, 0};
  return SIZE{info.bmWidth, info.bmHeight};
}

void CopyPicture(HDC hdc, HBITMAP hBitmap, int x, int y) {
  const SIZE size = PictureSize(hBitmap);
  const MemoryDc memory(CreateCompatibleDC(hdc));
  if (!memory) return;
  const SelectedObject picture(memory.Get(), hBitmap);
  BitBlt(hdc, x, y, size.cx, size.cy, memory.Get(), 0, 0, SRCCOPY);
}

// The list's own font, or the system's when it has none.
HGDIOBJ ListFont(HWND hList) {
  HFONT hFont = reinterpret_cast<HFONT>(SendMessageA(hList, WM_GETFONT, 0, 0));
  return hFont ? static_cast<HGDIOBJ>(hFont) : GetStockObject(DEFAULT_GUI_FONT);
}

}  // namespace

CheckListCtrl::CheckListCtrl() {
  m_hBars[0].Reset(LoadPicture(IDB_SEVERITY_MODERATE));
  m_hBars[1].Reset(LoadPicture(IDB_SEVERITY_SEVERE));
  m_hBars[2].Reset(LoadPicture(IDB_SEVERITY_CRITICAL));
}

// The pictures go after the list has let go of its window.
CheckListCtrl::~CheckListCtrl() { Detach(); }

void CheckListCtrl::OnDetaching() { m_mapSeverity.clear(); }

bool CheckListCtrl::SetCheckPictures(int checkedId, int uncheckedId) {
  m_hChecked.Reset(LoadPicture(checkedId));
  m_hUnchecked.Reset(LoadPicture(uncheckedId));
  m_bCheckBoxes = m_hChecked && m_hUnchecked ? 1 : 0;
  m_szCheck = m_bCheckBoxes ? PictureSize(m_hChecked.Get()) : SIZE{0, 0};
  return m_bCheckBoxes != 0;
}

void CheckListCtrl::SetUp(int rowHeight, DWORD extendedStyles) {
  if (!m_hWnd) return;
  m_nRowHeight = rowHeight;
  RECT client = {};
  GetClientRect(m_hWnd, &client);
  LVCOLUMNA column = {};
  column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT;
  column.fmt = LVCFMT_LEFT;
  // Room for the vertical scroll bar, which is wider than 20 pixels on larger
  // screen settings: a wider column would bring up a horizontal one.
  column.cx = client.right - client.left - std::max(20, GetSystemMetrics(SM_CXVSCROLL) + 2);
  column.pszText = const_cast<char*>("");
  SendMessageA(m_hWnd, LVM_INSERTCOLUMNA, 0, reinterpret_cast<LPARAM>(&column));
  SendMessageA(m_hWnd, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, LVS_EX_FULLROWSELECT | extendedStyles);
  // The rows are as tall as the pictures of their (empty) small-image list; the
  // list destroys its image list with itself.
  HIMAGELIST hImages = ImageList_Create(24, rowHeight, ILC_COLOR32 | ILC_MASK, 4, 4);
  const ImageListHandle previous(reinterpret_cast<HIMAGELIST>(
      SendMessageA(m_hWnd, LVM_SETIMAGELIST, LVSIL_SMALL, reinterpret_cast<LPARAM>(hImages))));
}

void CheckListCtrl::ClearRows() {
  m_mapSeverity.clear();
  if (m_hWnd) SendMessageA(m_hWnd, LVM_DELETEALLITEMS, 0, 0);
}

int CheckListCtrl::AppendRow(const std::string& text, LPARAM data, bool checked) {
  LVITEMA item = {};
  item.mask = LVIF_TEXT | LVIF_PARAM;
  item.iItem = RowCount();
  item.pszText = const_cast<char*>(text.c_str());
  item.lParam = data;
  const int row =
      static_cast<int>(SendMessageA(m_hWnd, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
  if (row >= 0) SetChecked(row, checked);
  return row;
}

void CheckListCtrl::DeleteRow(int row) {
  if (!m_hWnd || !SendMessageA(m_hWnd, LVM_DELETEITEM, row, 0)) return;
  // The rows below move up one, and their severities with them.
  std::map<int, int> moved;
  for (const auto& entry : m_mapSeverity) {
    if (entry.first != row) moved[entry.first > row ? entry.first - 1 : entry.first] = entry.second;
  }
  m_mapSeverity.swap(moved);
}

void CheckListCtrl::SetRowText(int row, const std::string& text) {
  SetListCell(m_hWnd, row, 0, text);
  SendMessageA(m_hWnd, LVM_REDRAWITEMS, row, row);
}

int CheckListCtrl::RowCount() const {
  return m_hWnd ? static_cast<int>(SendMessageA(m_hWnd, LVM_GETITEMCOUNT, 0, 0)) : 0;
}

LPARAM CheckListCtrl::RowData(int row) const {
  LVITEMA item = {};
  item.mask = LVIF_PARAM;
  item.iItem = row;
  if (!m_hWnd || !SendMessageA(m_hWnd, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item))) return 0;
  return item.lParam;
}

int CheckListCtrl::CheckState(UINT state) {
  const UINT image = (state & LVIS_STATEIMAGEMASK) >> 12;
  return image == 0 ? 0 : static_cast<int>(image) - 1;
}

bool CheckListCtrl::Checked(int row) const {
  const UINT state = static_cast<UINT>(
      SendMessageA(m_hWnd, LVM_GETITEMSTATE, row, LVIS_STATEIMAGEMASK));
  return CheckState(state) != 0;
}

void CheckListCtrl::SetChecked(int row, bool checked) {
  LVITEMA item = {};
  item.stateMask = LVIS_STATEIMAGEMASK;
  item.state = INDEXTOSTATEIMAGEMASK(checked ? 2 : 1);
  SendMessageA(m_hWnd, LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&item));
  // The list does not redraw an owner-drawn row for a state-image change by itself.
  SendMessageA(m_hWnd, LVM_REDRAWITEMS, row, row);
}

int CheckListCtrl::TextLeft() const { return m_bCheckBoxes ? m_szCheck.cx + 20 : 0; }

RECT CheckListCtrl::MeasureLink(HDC hdc, const std::string& rowText) const {
  SIZE line = {};
  GetTextExtentPoint32A(hdc, rowText.c_str(), static_cast<int>(rowText.size()), &line);
  SIZE words = {};
  GetTextExtentPoint32A(hdc, kLinkWords, static_cast<int>(sizeof(kLinkWords) - 1), &words);
  RECT link;
  link.left = TextLeft();
  link.top = line.cy + 24;
  link.right = link.left + words.cx;
  link.bottom = link.top + words.cy;
  return link;
}

RECT CheckListCtrl::LinkRect() {
  if (m_strLinkText.empty() || !IsRectEmpty(&m_rcLink) || RowCount() == 0) return m_rcLink;
  RECT bounds = {};
  bounds.left = LVIR_BOUNDS;
  if (!SendMessageA(m_hWnd, LVM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&bounds))) return m_rcLink;
  {
    const WindowDc dc(m_hWnd);
    if (!dc) return m_rcLink;
    const SelectedObject font(dc.Get(), ListFont(m_hWnd));
    m_rcLink = MeasureLink(dc.Get(), ListCellText(m_hWnd, 0, 0));
  }
  m_rcLink.bottom = bounds.bottom - bounds.top;
  return m_rcLink;
}

bool CheckListCtrl::OnReflected(UINT message, WPARAM, LPARAM lParam, LRESULT& result) {
  if (message == WM_DRAWITEM) {
    DrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
    result = TRUE;
    return true;
  }
  if (message == WM_MEASUREITEM && m_nRowHeight > 0) {
    // The row height of the set-up: the list asks again whenever it is resized,
    // and an answer that differs from its rows would replace their height.
    reinterpret_cast<MEASUREITEMSTRUCT*>(lParam)->itemHeight = static_cast<UINT>(m_nRowHeight);
    result = TRUE;
    return true;
  }
  return false;
}

void CheckListCtrl::DrawItem(const DRAWITEMSTRUCT& item) {
  HDC hdc = item.hDC;
  const RECT row = item.rcItem;
  const int rowIndex = static_cast<int>(item.itemID);
  const SelectedObject font(hdc, ListFont(m_hWnd));
  const int savedMode = SetBkMode(hdc, TRANSPARENT);

  {
    const BrushHandle fill(
        CreateSolidBrush((item.itemState & ODS_SELECTED) ? kSelectedRow : RGB(255, 255, 255)));
    FillRect(hdc, &row, fill.Get());
  }
  {
    const PenHandle edge(CreatePen(PS_SOLID, 1, kEdge));
    const SelectedObject pen(hdc, edge.Get());
    MoveToEx(hdc, row.left, row.top, nullptr);
    LineTo(hdc, row.right - 1, row.top);
    LineTo(hdc, row.right - 1, row.bottom - 1);
    LineTo(hdc, row.left - 1, row.bottom - 1);
  }

  RECT text = row;
  if (m_bCheckBoxes) {
    CopyPicture(hdc, (Checked(rowIndex) ? m_hChecked : m_hUnchecked).Get(), row.left + 8,
                row.top + 15);
    m_rcCheck = RECT{8, 15, 8 + m_szCheck.cx, 15 + m_szCheck.cy};
    text.left = row.left + TextLeft();
    text.top = row.top + 10;
  }
  const std::string rowText = ListCellText(m_hWnd, rowIndex, 0);
  DrawHtmlText(hdc, rowText.c_str(), -1, text);

  if (!m_strLinkText.empty()) {
    RECT link = MeasureLink(hdc, rowText);
    link.bottom = row.bottom - row.top;
    if (IsRectEmpty(&m_rcLink)) m_rcLink = link;
    OffsetRect(&link, row.left, row.top);
    DrawHtmlText(hdc, m_strLinkText.c_str(), -1, link);

    const SIZE bar = PictureSize(m_hBars[0].Get());
    const int x = row.right - bar.cx - 10;
    const int y = row.bottom - bar.cy - 5;
    RECT label = {row.right - 2 * bar.cx + 5, row.bottom - bar.cy - 9, row.right - bar.cx + 15,
                  row.bottom - 4};
    // A row that was never given a severity counts as Moderate.
    const int code = m_mapSeverity.emplace(rowIndex, 0).first->second;
    if (code >= 0 && code <= 2) {
      DrawTextA(hdc, kSeverityLabels[code], -1, &label, DT_SINGLELINE | DT_VCENTER | DT_LEFT);
      CopyPicture(hdc, m_hBars[code].Get(), x, y);
    }
  }
  SetBkMode(hdc, savedMode);
}

bool CheckListCtrl::OnLeftButtonDown(LPARAM lParam) {
  LVHITTESTINFO hit = {};
  hit.pt.x = static_cast<short>(LOWORD(lParam));
  hit.pt.y = static_cast<short>(HIWORD(lParam));
  const int row = static_cast<int>(SendMessageA(m_hWnd, LVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)));
  if (row < 0) return false;
  RECT bounds = {};
  bounds.left = LVIR_BOUNDS;
  SendMessageA(m_hWnd, LVM_GETITEMRECT, row, reinterpret_cast<LPARAM>(&bounds));

  RECT check = m_bCheckBoxes ? RECT{8, 15, 8 + m_szCheck.cx, 15 + m_szCheck.cy} : RECT{};
  OffsetRect(&check, bounds.left, bounds.top);
  if (m_bCheckBoxes && PtInRect(&check, hit.pt)) {
    SetChecked(row, !Checked(row));
    // Let the list select the row, but with a point in the text, so that a list
    // with its own check boxes does not toggle the same box a second time.
    Default(WM_LBUTTONDOWN, 0, MAKELPARAM(bounds.left + TextLeft() + 1, hit.pt.y));
    return true;
  }
  RECT link = LinkRect();
  OffsetRect(&link, bounds.left, bounds.top);
  if (!IsRectEmpty(&link) && PtInRect(&link, hit.pt)) {
    Default(WM_LBUTTONDOWN, 0, lParam);
    SendMessageA(GetParent(m_hWnd), kOpenSectionDetailsMessage, static_cast<WPARAM>(RowData(row)), 0);
    return true;
  }
  return false;
}

bool CheckListCtrl::OnSetCursor() {
  RECT link = LinkRect();
  if (IsRectEmpty(&link)) return false;
  const DWORD position = GetMessagePos();
  POINT cursor = {static_cast<short>(LOWORD(position)), static_cast<short>(HIWORD(position))};
  ScreenToClient(m_hWnd, &cursor);
  LVHITTESTINFO hit = {};
  hit.pt = cursor;
  const int row = static_cast<int>(SendMessageA(m_hWnd, LVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)));
  if (row < 0) return false;
  RECT bounds = {};
  bounds.left = LVIR_BOUNDS;
  SendMessageA(m_hWnd, LVM_GETITEMRECT, row, reinterpret_cast<LPARAM>(&bounds));
  OffsetRect(&link, bounds.left, bounds.top);
  if (!PtInRect(&link, cursor)) return false;
  HCURSOR hHand = LoadCursorA(Dialog::ResourceModule(), MAKEINTRESOURCEA(IDC_LINK_HAND));
  SetCursor(hHand ? hHand : LoadCursorA(nullptr, MAKEINTRESOURCEA(kSystemHandCursor)));
  return true;
}

LRESULT CheckListCtrl::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
      if (OnLeftButtonDown(lParam)) return 0;
      break;
    case WM_SETCURSOR:
      if (reinterpret_cast<HWND>(wParam) == m_hWnd && LOWORD(lParam) == HTCLIENT && OnSetCursor())
        return TRUE;
      break;
    case WM_VSCROLL:
    case WM_MOUSEWHEEL: {
      // The rows are several lines tall: redraw them whole after a scroll.
      const LRESULT result = Default(message, wParam, lParam);
      InvalidateRect(m_hWnd, nullptr, FALSE);
      return result;
    }
    default:
      break;
  }
  return Default(message, wParam, lParam);
}
