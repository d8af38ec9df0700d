#include "framework/list_view.h"

#include <commctrl.h>

#include <vector>

void InsertListColumn(HWND hList, int index, const char* header, int width) {
  LVCOLUMNA column = {};
  column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
  column.fmt = LVCFMT_LEFT;
  column.cx = width;
  column.pszText = const_cast<char*>(header);
  column.iSubItem = index;
  SendMessageA(hList, LVM_INSERTCOLUMNA, index, reinterpret_cast<LPARAM>(&column));
}

void SetListCell(HWND hList, int row, int column, const std::string& text) {
  LVITEMA item = {};
  item.iSubItem = column;
  item.pszText = const_cast<char*>(text.c_str());
  SendMessageA(hList, LVM_SETITEMTEXTA, row, reinterpret_cast<LPARAM>(&item));
}

std::string ListCellText(HWND hList, int row, int column) {
  std::vector<char> buffer(4096);
  LVITEMA item = {};
  item.iSubItem = column;
  item.pszText = buffer.data();
  item.cchTextMax = static_cast<int>(buffer.size());
  SendMessageA(hList, LVM_GETITEMTEXTA, row, reinterpret_cast<LPARAM>(&item));
  return buffer.data();
}

bool IsListRowChecked(HWND hList, int row) {
  const UINT state =
      static_cast<UINT>(SendMessageA(hList, LVM_GETITEMSTATE, row, LVIS_STATEIMAGEMASK));
  return (state & LVIS_STATEIMAGEMASK) == INDEXTOSTATEIMAGEMASK(2);
}
