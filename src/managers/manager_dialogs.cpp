#include "managers/manager_dialogs.h"

#include <functional>

#include "scan/view_paths.h"
#include "managers/manager_details.h"
#include "ui/resource_ids.h"

// The BHO heading's font tag has no closing ">": the label ends the tag at the next
// "<", so it still draws blue and bold. The text is kept as users know it.
const char* const kStartupIntroduction =
    "<font color=\"#0000FF\"><b>Startup Program Manager</b></font><br>Startup Program Manager "
    "lets you configure the programs\t\t\t\t\twhich are started at the time your pc "
    "boots.<br>Often unwanted programs add themselves in this list thus making the "
    "\t\t\t\t\tbooting process a lot slower. This is a common place where most of Adwares and "
    "Spywares add themselves.";
const char* const kBhoIntroduction =
    "<font color=\"#0000FF\"<b>Manage Browser Helper Objects</b></font><br>BHO's are attached "
    "to the Internet Explorer \t\t\t\t\tand are capable of creating a great deal of "
    "menace.<br>It should however be noted that <b>Not all BHO's are harmful.</b> "
    "\t\t\t\t\tUsing this dialog user can himself decide which BHO's are allowed to execute, "
    "simply check the BHO and press Remove\t\t\t\t\tbutton to get rid of the BHO";
const char* const kAddRemoveIntroduction =
    "<font color=\"#0000FF\"><b>Add Remove Programs Manager</b></font><br>An Entry is made in "
    "to the Add Remove Section whenever\t\t\t\ta program is installed by windows, this entry is "
    "deleted when the program is uninstalled properly.<br>Incorrect removal\t\t\t\tleaves the "
    "program entry in this section which should be deleted.";

namespace {

const ManagerDialog::Kind kStartupKind = {IDD_STARTUP_MANAGER, "Program Name",
                                          kStartupIntroduction,
                                          "Selected Registry Entries Deleted", nullptr, true};
const ManagerDialog::Kind kBhoKind = {IDD_BHO_MANAGER, "BHO Name", kBhoIntroduction,
                                      "Select BHOs Removed", "BHOBackup", true};
const ManagerDialog::Kind kAddRemoveKind = {IDD_ADD_REMOVE_MANAGER, "Name",
                                            kAddRemoveIntroduction,
                                            "Selected Registry Entries Removed",
                                            "AddRemoveBackup", false};

using AppendRows = std::function<void(std::vector<ManagerRow>&, const ViewKey&)>;

// The rows of a key, then those of its twin in the 32-bit view unless the system
// shares the key between the views. A 32-bit program's rows say so after the name.
void AppendBothViews(std::vector<ManagerRow>& rows, HKEY root, const std::string& keyPath,
                     const AppendRows& append) {
  for (const ViewKey& key : KeysOfBothViews(root, keyPath)) {
    const size_t first = rows.size();
    append(rows, key);
    if (key.view != RegistryView::k32) continue;
    for (size_t i = first; i < rows.size(); ++i) rows[i].name = ThirtyTwoBitName(rows[i].name);
  }
}

}  // namespace

StartupManagerDialog::StartupManagerDialog(HWND hParent) : ManagerDialog(kStartupKind, hParent) {}

void StartupManagerDialog::ReadRows(std::vector<ManagerRow>& rows) {
  for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) {
    AppendBothViews(rows, root, kRunKeyPath,
                    [root](std::vector<ManagerRow>& out, const ViewKey& key) {
                      AppendStartupRows(out, root, key.keyPath);
                    });
  }
}

EntryRemoval StartupManagerDialog::RemoveRow(const ManagerRow& row) {
  return DeleteStartupValue(row);
}

std::string StartupManagerDialog::DetailsPath(const ManagerRow& row) const {
  return StartupLookupPath(row.file);
}

BhoManagerDialog::BhoManagerDialog(HWND hParent) : ManagerDialog(kBhoKind, hParent) {}

void BhoManagerDialog::ReadRows(std::vector<ManagerRow>& rows) {
  // A 32-bit program's helper objects are classes registered for 32-bit programs.
  AppendBothViews(rows, HKEY_LOCAL_MACHINE, kBhoKeyPath,
                  [](std::vector<ManagerRow>& out, const ViewKey& key) {
                    AppendBhoRows(out, HKEY_LOCAL_MACHINE, key.keyPath,
                                  key.view == RegistryView::k32
                                      ? Wow64KeyPath(kClsidKeyPath, true)
                                      : std::string(kClsidKeyPath));
                  });
}

AddRemoveManagerDialog::AddRemoveManagerDialog(HWND hParent)
    : ManagerDialog(kAddRemoveKind, hParent) {}

void AddRemoveManagerDialog::ReadRows(std::vector<ManagerRow>& rows) {
  AppendBothViews(rows, HKEY_LOCAL_MACHINE, kUninstallKeyPath,
                  [](std::vector<ManagerRow>& out, const ViewKey& key) {
                    AppendUninstallRows(out, HKEY_LOCAL_MACHINE, key.keyPath);
                  });
}
