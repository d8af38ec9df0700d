#pragma once
// The design the three registry entry managers share: an introduction in a
// mini-HTML label, a list with check boxes whose rows own records of where their
// entries live, "Remove Checked " (the OK button, which asks first and backs
// every entry up before it goes; Close is the default button) and, for two of
// them, a details box with the selected file's version texts. The Startup
// manager adds a Status column and "Disable Checked" / "Enable Checked".

#include <memory>
#include <string>
#include <vector>

#include "backup/manager_export.h"
#include "framework/window.h"
#include "managers/manager_dialog_ids.h"
#include "managers/manager_rows.h"
#include "ui/html_label.h"

// Control ids of the manager templates (managers/manager_dialog_ids.h).
enum ManagerControl {
  kManagerList = IDC_MANAGER_LIST,
  kManagerIntro = IDC_MANAGER_INTRO,
  kDetailsFileName = IDC_MANAGER_FILE_NAME,
  kDetailsProductName = IDC_MANAGER_PRODUCT_NAME,
  kDetailsDescription = IDC_MANAGER_DESCRIPTION,
  kDetailsCompany = IDC_MANAGER_COMPANY,
  kDisableChecked = IDC_MANAGER_DISABLE_CHECKED,
  kEnableChecked = IDC_MANAGER_ENABLE_CHECKED,
};

constexpr const char* kSelectFirstMessage =
    "Please Select an Item from the list, and then Press Remove";
// Asked before Remove Checked takes anything away: "Remove 3 checked entries?".
std::string RemoveCheckedQuestion(int count);
// What Disable Checked or Enable Checked says once it is done: how many changed,
// and how many were so already, were gone or could not be changed.
std::string StateChangeMessage(bool enable, int changed, int already, int gone, int failed);

class ManagerDialog : public Dialog {
 public:
  // What differs between the three managers.
  struct Kind {
    int templateId;
    const char* nameHeader;     // column 0; column 1 is "File Name"
    const char* introduction;   // mini-HTML
    const char* doneMessage;    // after a removal
    ManagerExportKind exportKind;  // where removed entries are backed up
    bool hasDetails;
    bool hasState;              // a Status column and Disable/Enable Checked
  };

  ManagerDialog(const Kind& kind, HWND hParent);
  ~ManagerDialog() override;

  // Folder whose subfolder receives the key exports (default: the program
  // folder's "\Backup").
  void SetBackupFolder(const std::string& folder) { m_strBackupFolder = folder; }
  const std::string& BackupFolder() const { return m_strBackupFolder; }

 protected:
  // The rows to list, in list order.
  virtual void ReadRows(std::vector<ManagerRow>& rows) = 0;
  // Removes one checked row's entry; the default exports the whole key first.
  virtual EntryRemoval RemoveRow(const ManagerRow& row);
  // Enables or disables one checked row's entry (managers with a state only).
  virtual StateChange ChangeRow(const ManagerRow&, bool, const FILETIME&) { return StateChange::kFailed; }
  // "<backup folder>\<this manager's folder>", made when missing.
  std::string ExportFolder() const { return ManagerExportFolder(m_strBackupFolder, m_kind.exportKind); }
  // The file whose version texts the details box shows for a row.
  virtual std::string DetailsPath(const ManagerRow& row) const { return row.file; }

  BOOL OnInitDialog() override;
  bool OnCommand(int id, int code, HWND hControl) override;
  bool OnNotify(NMHDR* header, LRESULT& result) override;
  void OnDestroy() override;

 private:
  void FillList();
  void ClearList();
  void RemoveChecked();
  void ChangeChecked(bool enable);
  std::vector<const ManagerRow*> CheckedRows() const;
  void ShowDetails(int index);
  const ManagerRow* RowAt(int index) const;

  Kind m_kind;
  HtmlLabel m_introLabel;
  std::vector<std::unique_ptr<ManagerRow>> m_rows;  // the list's item data
  std::string m_strBackupFolder;
  HWND m_hPreviousPromptOwner = nullptr;
};
