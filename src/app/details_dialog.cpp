#include "app/details_dialog.h"

#include <commctrl.h>

#include "core/ignore_list.h"
#include "core/registry.h"
#include "framework/prompt.h"
#include "ui/html_token.h"
#include "ui/resource_ids.h"

namespace {
constexpr int kHeading = IDC_DETAILS_HEADING;
constexpr int kList = IDC_DETAILS_LIST;
constexpr int kSelectAll = IDC_DETAILS_SELECT_ALL;
constexpr int kDeselectAll = IDC_DETAILS_DESELECT_ALL;
}  // namespace

std::string SpacedKeyText(const std::string& keyText) {
  std::string spaced;
  for (char c : keyText) {
    if (c == '\\') spaced += ' ';
    spaced += c;
  }
  return spaced;
}

// Names, data, paths and messages come from the registry and the disk: each is
// escaped, so none is ever drawn as markup.
std::string ProblemRowText(const ProblemRecord& problem) {
  if (problem.errorType == kFileError) {
    return "<b>Shortcut Path</b> : " + HtmlEscaped(problem.linkPath) + "<br><b>Target Path</b> : " +
           HtmlEscaped(problem.targetPath) + "<br><font color=\"#FF0000\">" +
           HtmlEscaped(problem.message) + "</font>";
  }
  const std::string key = SpacedKeyText(RootKeyName(problem.rootKey) + "\\" + problem.keyPath);
  const std::string name = problem.valueName.empty() ? "(Default)" : problem.valueName;
  return "<b>Key</b> : " + HtmlEscaped(key) + "<br><b>ValueName</b> : " + HtmlEscaped(name) +
         "<br><b>Value</b> : " + HtmlEscaped(problem.valueData) + "<br><font color=\"#FF0000\">" +
         HtmlEscaped(problem.message) + "</font>";
}

DetailsDialog::DetailsDialog(HWND hParent) : Dialog(IDD_DETAILS, hParent) {}

BOOL DetailsDialog::OnInitDialog() {
  m_heading.AttachItem(m_hWnd, kHeading);
  m_list.AttachItem(m_hWnd, kList);
  m_list.SetUp(80, 0);
  m_list.SetCheckPictures(IDB_CHECKED, IDB_UNCHECKED);
  if (!m_pSection) return TRUE;
  SetDlgItemTextA(m_hWnd, kHeading,
                  ("<b>Group Name : " + HtmlEscaped(m_pSection->name) +
                   "</b><br><b>Description</b> : " + HtmlEscaped(m_pSection->description))
                      .c_str());
  for (const auto& problem : m_pSection->problems) {
    m_list.AppendRow(ProblemRowText(*problem), reinterpret_cast<LPARAM>(problem.get()),
                     problem->checked != 0);
  }
  return TRUE;
}

void DetailsDialog::SetAll(bool checked) {
  for (int row = 0; row < m_list.RowCount(); ++row) {
    if (auto* problem = reinterpret_cast<ProblemRecord*>(m_list.RowData(row)))
      problem->checked = checked ? 1 : 0;
    m_list.SetChecked(row, checked);
  }
}

void DetailsDialog::IgnoreChecked() {
  if (!m_pSection || !m_pStore) return;
  std::vector<int> rows;
  for (int row = 0; row < m_list.RowCount(); ++row) {
    if (m_list.Checked(row)) rows.push_back(row);
  }
  if (rows.empty()) {
    ShowMessage("No Items Checked");
    return;
  }
  std::vector<const ProblemRecord*> ignored;
  int failed = 0;
  // From the bottom, so the rows still to come keep their indexes.
  for (auto row = rows.rbegin(); row != rows.rend(); ++row) {
    const auto* problem = reinterpret_cast<const ProblemRecord*>(m_list.RowData(*row));
    IgnoreEntry entry;
    bool added = false;
    if (!problem || !IgnoreEntryFor(*problem, entry) || !AddIgnoreEntry(entry, added)) {
      ++failed;
      continue;
    }
    m_list.DeleteRow(*row);
    ignored.push_back(problem);
  }
  // The rows are gone before the records they pointed at.
  m_pStore->IgnoreFiled(*m_pSection, ignored);
  if (failed > 0) {
    ShowMessage(std::to_string(failed) + (failed == 1 ? " item" : " items") +
                " could not be added to the ignore list, and stay checked.");
  }
}

bool DetailsDialog::OnCommand(int id, int code, HWND hControl) {
  if (code == BN_CLICKED && id == kIgnoreCheckedButton) {
    IgnoreChecked();
    return true;
  }
  if (code == BN_CLICKED && id == kSelectAll) {
    SetAll(true);
    return true;
  }
  if (code == BN_CLICKED && id == kDeselectAll) {
    SetAll(false);
    return true;
  }
  return Dialog::OnCommand(id, code, hControl);
}

// Every change of a row's box, by a click or by Select All, reaches its problem.
bool DetailsDialog::OnNotify(NMHDR* header, LRESULT& result) {
  if (header->idFrom != kList || header->code != LVN_ITEMCHANGED) return false;
  const NMLISTVIEW* change = reinterpret_cast<const NMLISTVIEW*>(header);
  if ((change->uChanged & LVIF_STATE) && ((change->uNewState ^ change->uOldState) & LVIS_STATEIMAGEMASK)) {
    auto* problem = reinterpret_cast<ProblemRecord*>(m_list.RowData(change->iItem));
    if (problem) problem->checked = CheckListCtrl::CheckState(change->uNewState);
  }
  result = 0;
  return true;
}
