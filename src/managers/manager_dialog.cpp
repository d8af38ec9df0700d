#include "managers/manager_dialog.h"

#include <commctrl.h>

#include "backup/program_folder.h"
#include "framework/list_view.h"
#include "framework/prompt.h"
#include "scan/view_paths.h"
#include "managers/file_version_info.h"
#include "managers/manager_details.h"

namespace {

constexpr int kNameColumnWidth = 130;
constexpr int kFileColumnWidth = 400;
// With a Status column the file column gives up its width, so the three fit the
// list without a scroll bar.
constexpr int kStateColumnWidth = 70;
constexpr DWORD kListStyles = LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT;  // 36
constexpr UINT kSelectedAndFocused = LVIS_SELECTED | LVIS_FOCUSED;

// "n entry ... was" or "n entries ... were".
std::string CountNote(int count, const char* singular, const char* plural) {
  return "\r\n\r\n" + std::to_string(count) + (count == 1 ? singular : plural);
}

}  // namespace

std::string StateChangeMessage(bool enable, int changed, int already, int gone, int failed) {
  const char* done = enable ? " enabled." : " disabled.";
  std::string message = changed == 0 ? std::string("No entry was changed.")
                        : changed == 1 ? std::string("1 entry") + done
                                       : std::to_string(changed) + " entries" + done;
  if (already > 0) {
    message += CountNote(already, enable ? " entry was enabled already." : " entry was disabled already.",
                         enable ? " entries were enabled already." : " entries were disabled already.");
  }
  if (gone > 0) message += CountNote(gone, " entry was no longer there.", " entries were no longer there.");
  if (failed > 0) {
    message += CountNote(failed, " entry could not be changed.", " entries could not be changed.");
  }
  return message;
}

std::string RemoveCheckedQuestion(int count) {
  return count == 1 ? std::string("Remove 1 checked entry?")
                    : "Remove " + std::to_string(count) + " checked entries?";
}

ManagerDialog::ManagerDialog(const Kind& kind, HWND hParent)
    : Dialog(kind.templateId, hParent),
      m_kind(kind),
      m_strBackupFolder(ProgramFolder() + "\\Backup") {
  // The list control's class must be known before the template is created.
  INITCOMMONCONTROLSEX init = {sizeof(init), ICC_LISTVIEW_CLASSES};
  InitCommonControlsEx(&init);
}

ManagerDialog::~ManagerDialog() = default;

BOOL ManagerDialog::OnInitDialog() {
  Dialog::OnInitDialog();
  // Messages shown while the manager runs belong to it, not to the window below.
  m_hPreviousPromptOwner = PromptOwner();
  SetPromptOwner(m_hWnd);
  // Close stays the default button after the focus has been on Remove Checked,
  // so Enter never removes anything by itself.
  SendMessageA(m_hWnd, DM_SETDEFID, IDCANCEL, 0);

  HWND hList = Item(kManagerList);
  InsertListColumn(hList, 0, m_kind.nameHeader, kNameColumnWidth);
  InsertListColumn(hList, 1, "File Name",
                   m_kind.hasState ? kFileColumnWidth - kStateColumnWidth : kFileColumnWidth);
  if (m_kind.hasState) InsertListColumn(hList, 2, "Status", kStateColumnWidth);
  SendMessageA(hList, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, kListStyles);
  FillList();
  m_introLabel.AttachItem(m_hWnd, kManagerIntro);
  SetDlgItemTextA(m_hWnd, kManagerIntro, m_kind.introduction);
  return TRUE;
}

void ManagerDialog::FillList() {
  std::vector<ManagerRow> rows;
  ReadRows(rows);
  HWND hList = Item(kManagerList);
  for (ManagerRow& read : rows) {
    m_rows.push_back(std::make_unique<ManagerRow>(std::move(read)));
    ManagerRow* row = m_rows.back().get();
    LVITEMA item = {};
    item.mask = LVIF_TEXT | LVIF_PARAM;
    item.iItem = static_cast<int>(SendMessageA(hList, LVM_GETITEMCOUNT, 0, 0));
    item.pszText = const_cast<char*>(row->name.c_str());
    item.lParam = reinterpret_cast<LPARAM>(row);
    const int index =
        static_cast<int>(SendMessageA(hList, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
    if (index < 0) {
      m_rows.pop_back();
      continue;
    }
    SetListCell(hList, index, 1, row->file);
    if (m_kind.hasState) SetListCell(hList, index, 2, StartupStateText(*row));
  }
}

void ManagerDialog::ClearList() {
  // The rows go first, so no row ever points at a freed record.
  HWND hList = Item(kManagerList);
  if (hList) SendMessageA(hList, LVM_DELETEALLITEMS, 0, 0);
  m_rows.clear();
}

const ManagerRow* ManagerDialog::RowAt(int index) const {
  LVITEMA item = {};
  item.mask = LVIF_PARAM;
  item.iItem = index;
  if (!SendMessageA(Item(kManagerList), LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item))) {
    return nullptr;
  }
  return reinterpret_cast<const ManagerRow*>(item.lParam);
}

EntryRemoval ManagerDialog::RemoveRow(const ManagerRow& row) {
  return ExportAndDeleteKey(row, ExportFolder());
}

std::vector<const ManagerRow*> ManagerDialog::CheckedRows() const {
  HWND hList = Item(kManagerList);
  const int count = static_cast<int>(SendMessageA(hList, LVM_GETITEMCOUNT, 0, 0));
  std::vector<const ManagerRow*> checked;
  for (int i = 0; i < count; ++i) {
    if (!IsListRowChecked(hList, i)) continue;
    if (const ManagerRow* row = RowAt(i)) checked.push_back(row);
  }
  return checked;
}

void ManagerDialog::ChangeChecked(bool enable) {
  const std::vector<const ManagerRow*> checked = CheckedRows();
  if (checked.empty()) {
    ShowMessage(enable ? "Please Select an Item from the list, and then Press Enable Checked"
                       : "Please Select an Item from the list, and then Press Disable Checked");
    return;
  }
  // One time for the whole click, as Windows stamps each change.
  FILETIME now = {};
  GetSystemTimeAsFileTime(&now);
  int counts[4] = {};
  for (const ManagerRow* row : checked) ++counts[static_cast<int>(ChangeRow(*row, enable, now))];
  ClearList();
  FillList();
  ShowMessage(StateChangeMessage(enable, counts[static_cast<int>(StateChange::kChanged)],
                                 counts[static_cast<int>(StateChange::kUnchanged)],
                                 counts[static_cast<int>(StateChange::kGone)],
                                 counts[static_cast<int>(StateChange::kFailed)]));
}

void ManagerDialog::RemoveChecked() {
  const std::vector<const ManagerRow*> checked = CheckedRows();
  if (checked.empty()) {
    ShowMessage(kSelectFirstMessage);
    return;
  }
  // Nothing goes without the user's word; Enter answers No.
  if (!AskYesNo(RemoveCheckedQuestion(static_cast<int>(checked.size())), ApplicationTitle(), true))
    return;

  int backupFailures = 0, deletionFailures = 0;
  for (const ManagerRow* row : checked) {
    switch (RemoveRow(*row)) {
      case EntryRemoval::kBackupFailed:
        ++backupFailures;
        break;
      case EntryRemoval::kDeletionFailed:
        ++deletionFailures;
        break;
      default:
        break;
    }
  }
  ClearList();
  FillList();

  std::string message = m_kind.doneMessage;
  if (backupFailures > 0) {
    message += CountNote(backupFailures, " entry could not be backed up and was kept in place.",
                         " entries could not be backed up and were kept in place.");
  }
  if (deletionFailures > 0) {
    message += CountNote(deletionFailures, " entry could not be deleted.",
                         " entries could not be deleted.");
  }
  ShowMessage(message);
}

void ManagerDialog::ShowDetails(int index) {
  const ManagerRow* row = RowAt(index);
  if (!row) return;
  const std::string path = DetailsPath(*row);
  // A 32-bit program's file is where that program finds it (System32 is SysWOW64
  // for it); when nothing is found there, the path as written.
  FileVersionInfo info;
  if (!info.Read(PathToTest(path, ViewOfKey(row->keyPath)))) info.Read(path);
  const DetailTexts texts = DetailsFor(info);
  SetDlgItemTextA(m_hWnd, kDetailsCompany, texts.company.c_str());
  SetDlgItemTextA(m_hWnd, kDetailsDescription, texts.description.c_str());
  SetDlgItemTextA(m_hWnd, kDetailsFileName, texts.fileName.c_str());
  SetDlgItemTextA(m_hWnd, kDetailsProductName, texts.productName.c_str());
}

bool ManagerDialog::OnCommand(int id, int code, HWND hControl) {
  if (id == IDOK && code == BN_CLICKED) {
    RemoveChecked();
    return true;
  }
  if (m_kind.hasState && (id == kDisableChecked || id == kEnableChecked) && code == BN_CLICKED) {
    ChangeChecked(id == kEnableChecked);
    return true;
  }
  return Dialog::OnCommand(id, code, hControl);
}

bool ManagerDialog::OnNotify(NMHDR* header, LRESULT& result) {
  if (!m_kind.hasDetails || header->idFrom != kManagerList || header->code != LVN_ITEMCHANGED) {
    return false;
  }
  const NMLISTVIEW* change = reinterpret_cast<const NMLISTVIEW*>(header);
  // The new state carries the check box image too: only the selection bits decide,
  // and only a row that became selected and focused shows its details.
  if (change->iItem >= 0 && (change->uChanged & LVIF_STATE) &&
      (change->uNewState & ~LVIS_STATEIMAGEMASK) == kSelectedAndFocused) {
    ShowDetails(change->iItem);
  }
  result = 0;
  return true;
}

void ManagerDialog::OnDestroy() {
  ClearList();
  SetPromptOwner(m_hPreviousPromptOwner);
}
