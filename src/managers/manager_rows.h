#pragma once
// What the three registry entry managers list, change and delete, without a
// window (the console's startup, bho and programs commands use it too): each
// reader takes the root and key path it reads, so another view of the registry
// (the 32-bit one) is one more call, and every row carries where it came from.

#include <windows.h>

#include <string>
#include <utility>
#include <vector>

#include "core/startup_approved.h"

// One list row and the registry entry (or Startup-folder shortcut) behind it.
struct ManagerRow {
  ManagerRow() = default;
  ManagerRow(std::string nameText, std::string fileText, HKEY root, std::string key,
             std::string value = "")
      : name(std::move(nameText)), file(std::move(fileText)), rootKey(root), keyPath(std::move(key)),
        valueName(std::move(value)) {}

  std::string name;  // column 0
  std::string file;  // column 1
  HKEY rootKey = nullptr;  // where the entry lives
  std::string keyPath;
  std::string valueName;  // Startup only: the Run value; empty for whole keys
  // Startup only.
  std::string linkPath;      // a Startup-folder shortcut; empty for a Run value
  std::string approvedKey;   // its StartupApproved key (below rootKey)
  std::string approvedName;  // the value's name there
  bool enabled = true;       // as Windows reads the StartupApproved value
};

constexpr const char* kBhoKeyPath =
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Browser Helper Objects";
constexpr const char* kUninstallKeyPath = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
constexpr const char* kClsidKeyPath = "CLSID";
constexpr const char* kNoBhoName = "None Specified";

// The values of a Run key, in enumeration order: name and text (REG_SZ as is,
// REG_EXPAND_SZ expanded, any other type empty), with their StartupApproved
// state. A key that cannot be opened adds nothing.
void AppendStartupRows(std::vector<ManagerRow>& rows, HKEY root, const std::string& runKeyPath);
// The shortcuts of a Startup folder: the name without ".lnk", the target, and
// the state under the root's StartupApproved\StartupFolder.
void AppendStartupFolderRows(std::vector<ManagerRow>& rows, HKEY root, const std::string& folder);

// The subkeys of a browser helper object key: named by the default value of
// <clsidKeyPath>\<subkey> under HKEY_CLASSES_ROOT ("None Specified" when empty),
// with the default value of its InProcServer32 subkey as the file.
void AppendBhoRows(std::vector<ManagerRow>& rows, HKEY root, const std::string& bhoKeyPath,
                   const std::string& clsidKeyPath = kClsidKeyPath);

// The entries of an uninstall key: DisplayName and UninstallString; entries with
// SystemComponent = 1 and those with neither text are left out.
void AppendUninstallRows(std::vector<ManagerRow>& rows, HKEY root,
                         const std::string& uninstallKeyPath);

// Each manager's whole list, in list order: the key's rows, then those of its
// 32-bit twin (named "<name> (32-bit)") unless the views share the key. Startup:
// the user's Run keys, the machine's, then the user's and the all-users Startup
// folders.
std::vector<ManagerRow> ReadStartupRows();
std::vector<ManagerRow> ReadBhoRows();
std::vector<ManagerRow> ReadAddRemoveRows();

// The name of a row listed from the 32-bit view: "<name> (32-bit)", or "(32-bit)"
// alone for an entry without a name.
std::string ThirtyTwoBitName(const std::string& name);

enum class EntryRemoval {
  kRemoved,         // deleted, after its backup
  kAlreadyGone,     // nothing left to back up or delete
  kBackupFailed,    // the backup could not be written and read back exactly: the entry stays
  kDeletionFailed,  // the registry or the file system refused the deletion
};

// Saves a Startup row into a dated export in `exportFolder` (the Run value, or
// a copy of the shortcut, with its StartupApproved value), then deletes the
// entry and its StartupApproved value. A row whose backup fails stays. `error`
// (when given) receives why a backup or deletion failed.
EntryRemoval BackupAndRemoveStartupEntry(const ManagerRow& row, const std::string& exportFolder,
                                         std::string* error = nullptr);

// Exports a row's whole key into a dated file in `exportFolder` and deletes the
// key only when that export reads back as exactly the key.
EntryRemoval ExportAndDeleteKey(const ManagerRow& row, const std::string& exportFolder,
                                std::string* error = nullptr);

enum class StateChange {
  kChanged,    // the StartupApproved value now says so
  kUnchanged,  // Windows already reads it so: nothing written
  kGone,       // the entry is no longer there
  kFailed,     // the value could not be written
};

// Enables or disables a Startup row as Windows does: writes only its
// StartupApproved value (02 and zeros; 03 and `now`). The Run value or the
// shortcut is never touched.
StateChange SetStartupEntryEnabled(const ManagerRow& row, bool enable, const FILETIME& now);

// "Enabled" or "Disabled".
const char* StartupStateText(const ManagerRow& row);
