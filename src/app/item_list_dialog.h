#pragma once
// ItemListDialog: a small window listing items in three columns (kind, key or
// path, value) with a check box each, and one button that acts on the checked
// ones. The ignore list and the items of one backup archive are shown with it.

#include <string>
#include <vector>

#include "app/item_list_dialog_ids.h"
#include "backup/backup_records.h"
#include "framework/window.h"
#include "ui/html_label.h"

class BackupArchive;

// Control ids of the item list templates (app/item_list_dialog_ids.h).
enum ItemListControl {
  kItemIntro = IDC_ITEMS_INTRO,
  kItemList = IDC_ITEMS_LIST,
  kItemAction = IDC_ITEMS_ACTION,
};

struct ItemRow {
  std::string kind;   // "Value", "Key", "Shortcut", "File"
  std::string place;  // the key or the file path
  std::string value;  // the value name, "" for a key or file
};

class ItemListDialog : public Dialog {
 public:
  ItemListDialog(int templateId, HWND hParent);

  // Check boxes as a user sets them (tests, and a driver from outside, may also
  // toggle them with the list's own messages).
  void SetChecked(int row, bool checked);
  int RowCount() const;

 protected:
  // The rows to show, in list order.
  virtual std::vector<ItemRow> ReadRows() = 0;
  // The action button with the indexes of the checked rows (never empty).
  virtual void OnAction(const std::vector<int>& checkedRows) = 0;
  // The mini-HTML introduction above the list.
  virtual std::string IntroText() const = 0;
  // Shown when the action button finds nothing checked.
  virtual const char* NothingCheckedMessage() const { return "No Items Checked"; }

  // Reads and shows the rows again.
  void Refill();

  BOOL OnInitDialog() override;
  bool OnCommand(int id, int code, HWND hControl) override;
  void OnDestroy() override;

 private:
  std::string FitPlace(const std::string& place) const;

  HtmlLabel m_intro;
  HWND m_hPreviousPromptOwner = nullptr;
};

// The ignore list, with "Remove Checked" taking entries off it.
class IgnoredItemsDialog : public ItemListDialog {
 public:
  explicit IgnoredItemsDialog(HWND hParent);

 protected:
  std::vector<ItemRow> ReadRows() override;
  void OnAction(const std::vector<int>& checkedRows) override;
  std::string IntroText() const override;

 private:
  std::vector<std::string> m_vTexts;  // each row's identity, as read
};

// The items of one backup archive, with "Restore Checked" putting back only the
// checked ones through the archive's restore.
class BackupItemsDialog : public ItemListDialog {
 public:
  BackupItemsDialog(HWND hParent, BackupArchive& archive, const std::string& archivePath);

 protected:
  std::vector<ItemRow> ReadRows() override;
  void OnAction(const std::vector<int>& checkedRows) override;
  std::string IntroText() const override;

 private:
  BackupArchive& m_archive;
  std::string m_strPath;
};
