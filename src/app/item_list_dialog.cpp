#include "app/item_list_dialog.h"

#include <commctrl.h>
#include <shlwapi.h>

#include <algorithm>

#include "app/restore_prompt.h"
#include "backup/restore.h"
#include "backup/restore_items.h"
#include "core/handles.h"
#include "core/ignore_list.h"
#include "core/registry.h"
#include "framework/list_view.h"
#include "framework/prompt.h"
#include "ui/resource_ids.h"

ItemListDialog::ItemListDialog(int templateId, HWND hParent) : Dialog(templateId, hParent) {
  INITCOMMONCONTROLSEX init = {sizeof(init), ICC_LISTVIEW_CLASSES};
  InitCommonControlsEx(&init);
}

BOOL ItemListDialog::OnInitDialog() {
  // Messages shown while it runs belong to it, not to the window below.
  m_hPreviousPromptOwner = PromptOwner();
  SetPromptOwner(m_hWnd);
  m_intro.AttachItem(m_hWnd, kItemIntro);
  SetDlgItemTextA(m_hWnd, kItemIntro, IntroText().c_str());
  HWND hList = Item(kItemList);
  RECT client = {};
  GetClientRect(hList, &client);
  const int width = client.right - client.left - GetSystemMetrics(SM_CXVSCROLL);
  // Keys are long and their ends tell them apart: the middle column gets most room.
  InsertListColumn(hList, 0, "Kind", width * 10 / 100);
  InsertListColumn(hList, 1, "Key or Path", width * 72 / 100);
  InsertListColumn(hList, 2, "Value", width - width * 10 / 100 - width * 72 / 100);
  SendMessageA(hList, LVM_SETEXTENDEDLISTVIEWSTYLE, 0,
               LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT | LVS_EX_INFOTIP);
  Refill();
  return TRUE;
}

void ItemListDialog::Refill() {
  HWND hList = Item(kItemList);
  SendMessageA(hList, LVM_DELETEALLITEMS, 0, 0);
  int row = 0;
  for (const ItemRow& read : ReadRows()) {
    LVITEMA item = {};
    item.mask = LVIF_TEXT;
    item.iItem = row;
    item.pszText = const_cast<char*>(read.kind.c_str());
    if (SendMessageA(hList, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)) < 0) break;
    SetListCell(hList, row, 1, FitPlace(read.place));
    SetListCell(hList, row, 2, read.value);
    ++row;
  }
}

// A path too long for its column loses its middle, not its end: the end is what
// tells two entries apart ("...\App Paths\old.exe").
std::string ItemListDialog::FitPlace(const std::string& place) const {
  HWND hList = Item(kItemList);
  const int width = static_cast<int>(SendMessageA(hList, LVM_GETCOLUMNWIDTH, 1, 0)) - 12;
  const WindowDc dc(hList);
  if (!dc || width <= 0) return place;
  const SelectedObject font(dc.Get(),
                            reinterpret_cast<HFONT>(SendMessageA(hList, WM_GETFONT, 0, 0)));
  // The call works on at most MAX_PATH characters: a longer path keeps its end.
  size_t from = place.size() < MAX_PATH - 1 ? 0 : place.size() - (MAX_PATH - 8);
  while (from > 0 && from < place.size() && (static_cast<unsigned char>(place[from]) & 0xC0) == 0x80) ++from;
  const std::string start = from == 0 ? place : "..." + place.substr(from);
  std::vector<char> text(MAX_PATH + 1, '\0');
  std::copy(start.begin(), start.end(), text.begin());
  PathCompactPathA(dc.Get(), text.data(), static_cast<UINT>(width));
  return text.data();
}

int ItemListDialog::RowCount() const {
  return static_cast<int>(SendMessageA(Item(kItemList), LVM_GETITEMCOUNT, 0, 0));
}

void ItemListDialog::SetChecked(int row, bool checked) {
  LVITEMA item = {};
  item.stateMask = LVIS_STATEIMAGEMASK;
  item.state = INDEXTOSTATEIMAGEMASK(checked ? 2 : 1);
  SendMessageA(Item(kItemList), LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&item));
}

bool ItemListDialog::OnCommand(int id, int code, HWND hControl) {
  if (id != kItemAction || code != BN_CLICKED) return Dialog::OnCommand(id, code, hControl);
  std::vector<int> checked;
  for (int row = 0; row < RowCount(); ++row) {
    if (IsListRowChecked(Item(kItemList), row)) checked.push_back(row);
  }
  if (checked.empty()) {
    ShowMessage(NothingCheckedMessage());
  } else {
    OnAction(checked);
  }
  return true;
}

void ItemListDialog::OnDestroy() { SetPromptOwner(m_hPreviousPromptOwner); }

// ---------------------------------------------------------------- ignored items

IgnoredItemsDialog::IgnoredItemsDialog(HWND hParent) : ItemListDialog(IDD_IGNORED_ITEMS, hParent) {}

std::string IgnoredItemsDialog::IntroText() const {
  return "<b>Ignored Items</b><br>Scans leave these out. Check the ones that should be "
         "reported again and press Remove Checked.";
}

std::vector<ItemRow> IgnoredItemsDialog::ReadRows() {
  std::vector<ItemRow> rows;
  m_vTexts.clear();
  for (const IgnoreEntry& entry : ReadIgnoreEntries()) {
    m_vTexts.push_back(IgnoreText(entry));
    if (entry.kind == IgnoreEntry::kShortcut) {
      rows.push_back({"Shortcut", entry.linkPath, ""});
      continue;
    }
    const std::string key = RootKeyName(entry.rootKey) + "\\" + entry.keyPath;
    if (entry.kind == IgnoreEntry::kKey) {
      rows.push_back({"Key", key, ""});
    } else {
      rows.push_back({"Value", key, entry.valueName.empty() ? "(Default)" : entry.valueName});
    }
  }
  return rows;
}

void IgnoredItemsDialog::OnAction(const std::vector<int>& checkedRows) {
  int failed = 0;
  for (int row : checkedRows) {
    IgnoreEntry entry;
    if (row < 0 || static_cast<size_t>(row) >= m_vTexts.size() ||
        !ParseIgnoreText(m_vTexts[row], entry) || RemoveIgnoreEntry(entry) < 0) {
      ++failed;
    }
  }
  Refill();
  if (failed > 0) {
    ShowMessage(std::to_string(failed) + (failed == 1 ? " item" : " items") +
                " could not be taken off the ignore list: the registry refused the change.");
  }
}

// ---------------------------------------------------------------- backup items

BackupItemsDialog::BackupItemsDialog(HWND hParent, BackupArchive& archive,
                                     const std::string& archivePath)
    : ItemListDialog(IDD_BACKUP_ITEMS, hParent), m_archive(archive), m_strPath(archivePath) {}

std::string BackupItemsDialog::IntroText() const {
  return "<b>Backup Items</b><br>Check the items to put back and press Restore Checked. The "
         "others stay in the backup.";
}

std::vector<ItemRow> BackupItemsDialog::ReadRows() {
  std::vector<ItemRow> rows;
  RecordFile file;
  if (!ReadArchiveRecords(m_strPath, file)) return rows;
  for (const BackupRecord& record : file.records) {
    switch (record.kind) {
      case BackupRecord::kRegKey: rows.push_back({"Key", record.keyName, ""}); break;
      case BackupRecord::kRegValue:
        rows.push_back({"Value", record.keyName,
                        record.valueName.empty() ? "(Default)" : record.valueName});
        break;
      case BackupRecord::kFile: rows.push_back({"File", record.destPath, ""}); break;
    }
  }
  return rows;
}

void BackupItemsDialog::OnAction(const std::vector<int>& checkedRows) {
  // Every record has its row, in file order: row n is item n + 1.
  RestoreOptions options;
  for (int row : checkedRows) options.items.push_back(row + 1);
  RestoreWithQuestion(m_archive, m_strPath, options);
}
