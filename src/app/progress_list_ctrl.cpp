#include "app/progress_list_ctrl.h"

#include <commctrl.h>

#include "framework/list_view.h"
#include "ui/resource_ids.h"

ProgressListCtrl::~ProgressListCtrl() { Detach(); }

void ProgressListCtrl::OnDetaching() {
  // The list was given the pictures with LVS_SHAREIMAGELISTS: they stay ours.
  SendMessageA(m_hWnd, LVM_SETIMAGELIST, LVSIL_SMALL, 0);
  m_hImages.Reset();
}

void ProgressListCtrl::SetUp() {
  if (!m_hWnd) return;
  const char* titles[] = {"Section", "Problems", "Status"};
  const int widths[] = {200, 100, 100};
  for (int i = 0; i < 3; ++i) {
    LVCOLUMNA column = {};
    column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT;
    column.fmt = LVCFMT_CENTER;
    column.cx = widths[i];
    column.pszText = const_cast<char*>(titles[i]);
    SendMessageA(m_hWnd, LVM_INSERTCOLUMNA, i, reinterpret_cast<LPARAM>(&column));
  }
  SendMessageA(m_hWnd, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, LVS_EX_FULLROWSELECT);
  SetWindowLongPtrA(m_hWnd, GWL_STYLE, GetWindowLongPtrA(m_hWnd, GWL_STYLE) | LVS_SHAREIMAGELISTS);
  ImageListHandle images(ImageList_Create(20, 24, ILC_COLOR32 | ILC_MASK, 4, 4));
  for (int id : {IDB_PROGRESS_WAITING, IDB_PROGRESS_SCANNING, IDB_PROGRESS_DONE}) {
    const BitmapHandle picture(static_cast<HBITMAP>(
        LoadImageA(Dialog::ResourceModule(), MAKEINTRESOURCEA(id), IMAGE_BITMAP, 0, 0, 0)));
    if (picture) ImageList_AddMasked(images.Get(), picture.Get(), RGB(255, 255, 255));
  }
  SendMessageA(m_hWnd, LVM_SETIMAGELIST, LVSIL_SMALL, reinterpret_cast<LPARAM>(images.Get()));
  // Set up again: the pictures set before are the list's no longer.
  m_hImages = std::move(images);
}

int ProgressListCtrl::AppendRow(const std::string& name, const std::string& count,
                                const std::string& status, LPARAM data) {
  LVITEMA item = {};
  item.mask = LVIF_TEXT | LVIF_PARAM;
  item.iItem = static_cast<int>(SendMessageA(m_hWnd, LVM_GETITEMCOUNT, 0, 0));
  item.pszText = const_cast<char*>(name.c_str());
  item.lParam = data;
  const int row =
      static_cast<int>(SendMessageA(m_hWnd, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
  if (row < 0) return row;
  SetCell(row, 1, count);
  SetCell(row, 2, status);
  return row;
}

void ProgressListCtrl::SetCell(int row, int column, const std::string& text) {
  SetListCell(m_hWnd, row, column, text);
}

std::string ProgressListCtrl::Cell(int row, int column) const {
  return ListCellText(m_hWnd, row, column);
}

void ProgressListCtrl::SetProgressImage(int image, int row) {
  LVITEMA item = {};
  item.mask = LVIF_IMAGE;
  item.iItem = row;
  item.iImage = image;
  SendMessageA(m_hWnd, LVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&item));
  SendMessageA(m_hWnd, LVM_UPDATE, row, 0);
}

int ProgressListCtrl::Image(int row) const {
  LVITEMA item = {};
  item.mask = LVIF_IMAGE;
  item.iItem = row;
  if (!SendMessageA(m_hWnd, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item))) return -1;
  return item.iImage;
}

bool ProgressListCtrl::OnReflected(UINT message, WPARAM, LPARAM lParam, LRESULT& result) {
  if (message != WM_DRAWITEM) return false;
  DrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
  result = TRUE;
  return true;
}

void ProgressListCtrl::DrawItem(const DRAWITEMSTRUCT& item) {
  HDC hdc = item.hDC;
  const RECT row = item.rcItem;
  const int rowIndex = static_cast<int>(item.itemID);
  HFONT hFont = reinterpret_cast<HFONT>(SendMessageA(m_hWnd, WM_GETFONT, 0, 0));
  const SelectedObject font(hdc, hFont ? static_cast<HGDIOBJ>(hFont)
                                      : GetStockObject(DEFAULT_GUI_FONT));
  const PenHandle edge(CreatePen(PS_SOLID, 1, RGB(200, 200, 200)));
  const SelectedObject pen(hdc, edge.Get());
  const int savedMode = SetBkMode(hdc, TRANSPARENT);

  const int image = Image(rowIndex);
  if (m_hImages && image >= 0) ImageList_Draw(m_hImages.Get(), image, hdc, row.left + 2, row.top + 2, ILD_IMAGE);

  HWND hHeader = reinterpret_cast<HWND>(SendMessageA(m_hWnd, LVM_GETHEADER, 0, 0));
  const int columns = hHeader ? static_cast<int>(SendMessageA(hHeader, HDM_GETITEMCOUNT, 0, 0)) : 0;
  for (int column = 0; column < columns; ++column) {
    RECT header = {};
    SendMessageA(hHeader, HDM_GETITEMRECT, column, reinterpret_cast<LPARAM>(&header));
    // The header does not scroll with the rows' left edge: follow the row.
    RECT cell = {row.left + header.left, row.top, row.left + header.right, row.bottom};
    MoveToEx(hdc, cell.left, cell.top, nullptr);
    LineTo(hdc, cell.right - 1, cell.top);
    LineTo(hdc, cell.right - 1, cell.bottom - 1);
    LineTo(hdc, cell.left - 1, cell.bottom - 1);
    const std::string text = Cell(rowIndex, column);
    UINT format = DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS;
    if (column == 0) {
      cell.left += 30;
      format |= DT_LEFT;
    } else {
      format |= DT_CENTER;
    }
    COLORREF previous = 0;
    if (column == 1) previous = SetTextColor(hdc, RGB(255, 0, 0));
    DrawTextA(hdc, text.c_str(), -1, &cell, format);
    if (column == 1) SetTextColor(hdc, previous);
  }
  SetBkMode(hdc, savedMode);
}
