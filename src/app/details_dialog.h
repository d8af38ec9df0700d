#pragma once
// DetailsDialog: the problems of one section, one checkable row each. A row's
// check box is the problem's `checked` flag, which removal reads.

#include <string>
#include <vector>

#include "app/check_list_ctrl.h"
#include "app/details_dialog_ids.h"
#include "core/problem_record.h"
#include "core/problem_store.h"
#include "core/section_catalogue.h"
#include "framework/window.h"
#include "ui/html_label.h"

// The row text of a problem: shortcut and target for a file problem, the spaced
// key, value name ("(Default)" for the unnamed value) and data for a registry one.
std::string ProblemRowText(const ProblemRecord& problem);
// "HKEY_LOCAL_MACHINE\SOFTWARE\A" as "HKEY_LOCAL_MACHINE \SOFTWARE \A", so long
// key paths can wrap.
std::string SpacedKeyText(const std::string& keyText);

// The details window's "Ignore Checked" button.
constexpr int kIgnoreCheckedButton = IDC_DETAILS_IGNORE_CHECKED;

class DetailsDialog : public Dialog {
 public:
  explicit DetailsDialog(HWND hParent);

  void SetSection(ScanSection* section) { m_pSection = section; }
  // The store the section belongs to: "Ignore Checked" takes the problems out of
  // it. Without one the button does nothing.
  void SetStore(ProblemStore* store) { m_pStore = store; }
  // Adds the checked problems to the ignore list and takes their rows (and the
  // problems) away; says so when none is checked or the list cannot be written.
  void IgnoreChecked();
  CheckListCtrl& List() { return m_list; }

 protected:
  BOOL OnInitDialog() override;
  bool OnCommand(int id, int code, HWND hControl) override;
  bool OnNotify(NMHDR* header, LRESULT& result) override;

 private:
  void SetAll(bool checked);

  ScanSection* m_pSection = nullptr;
  ProblemStore* m_pStore = nullptr;
  HtmlLabel m_heading;
  CheckListCtrl m_list;
};
