#include "managers/manager_dialogs.h"

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

const ManagerDialog::Kind kStartupKind = {IDD_STARTUP_MANAGER, "Program Name", kStartupIntroduction,
                                          "Selected Registry Entries Deleted",
                                          ManagerExportKind::kStartup, true, true};
const ManagerDialog::Kind kBhoKind = {IDD_BHO_MANAGER, "BHO Name", kBhoIntroduction,
                                      "Select BHOs Removed", ManagerExportKind::kBho, true, false};
const ManagerDialog::Kind kAddRemoveKind = {IDD_ADD_REMOVE_MANAGER, "Name", kAddRemoveIntroduction,
                                            "Selected Registry Entries Removed",
                                            ManagerExportKind::kAddRemove, false, false};

}  // namespace

StartupManagerDialog::StartupManagerDialog(HWND hParent) : ManagerDialog(kStartupKind, hParent) {}

void StartupManagerDialog::ReadRows(std::vector<ManagerRow>& rows) { rows = ReadStartupRows(); }

EntryRemoval StartupManagerDialog::RemoveRow(const ManagerRow& row) {
  return BackupAndRemoveStartupEntry(row, ExportFolder());
}

StateChange StartupManagerDialog::ChangeRow(const ManagerRow& row, bool enable, const FILETIME& now) {
  return SetStartupEntryEnabled(row, enable, now);
}

std::string StartupManagerDialog::DetailsPath(const ManagerRow& row) const {
  return row.linkPath.empty() ? StartupLookupPath(row.file) : row.file;
}

BhoManagerDialog::BhoManagerDialog(HWND hParent) : ManagerDialog(kBhoKind, hParent) {}

void BhoManagerDialog::ReadRows(std::vector<ManagerRow>& rows) { rows = ReadBhoRows(); }

AddRemoveManagerDialog::AddRemoveManagerDialog(HWND hParent)
    : ManagerDialog(kAddRemoveKind, hParent) {}

void AddRemoveManagerDialog::ReadRows(std::vector<ManagerRow>& rows) { rows = ReadAddRemoveRows(); }
