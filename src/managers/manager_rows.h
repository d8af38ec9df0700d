#pragma once
// What the three registry entry managers list and delete, without a window: each
// reader takes the root and key path it reads, so another view of the registry
// (the 32-bit one) is one more call, and every row carries the key it came from.

#include <windows.h>

#include <string>
#include <vector>

// One list row and the registry entry behind it.
struct ManagerRow {
  std::string name;  // column 0
  std::string file;  // column 1
  HKEY rootKey;      // where the entry lives
  std::string keyPath;
  std::string valueName;  // Startup only: the Run value; empty for whole keys
};

constexpr const char* kRunKeyPath = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr const char* kBhoKeyPath =
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Browser Helper Objects";
constexpr const char* kUninstallKeyPath = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
constexpr const char* kClsidKeyPath = "CLSID";
constexpr const char* kNoBhoName = "None Specified";

// The values of a Run key, in enumeration order: name and text (REG_SZ as is,
// REG_EXPAND_SZ expanded, any other type empty). A key that cannot be opened
// adds nothing.
void AppendStartupRows(std::vector<ManagerRow>& rows, HKEY root, const std::string& runKeyPath);

// The subkeys of a browser helper object key: named by the default value of
// <clsidKeyPath>\<subkey> under HKEY_CLASSES_ROOT ("None Specified" when empty),
// with the default value of its InProcServer32 subkey as the file.
void AppendBhoRows(std::vector<ManagerRow>& rows, HKEY root, const std::string& bhoKeyPath,
                   const std::string& clsidKeyPath = kClsidKeyPath);

// The entries of an uninstall key: DisplayName and UninstallString; entries with
// SystemComponent = 1 and those with neither text are left out.
void AppendUninstallRows(std::vector<ManagerRow>& rows, HKEY root,
                         const std::string& uninstallKeyPath);

enum class EntryRemoval {
  kRemoved,         // deleted (a whole key only after its export)
  kAlreadyGone,     // nothing left to back up or delete
  kBackupFailed,    // the export did not finish or wrote nothing: the key stays
  kDeletionFailed,  // the registry refused the deletion
};

// Deletes a Startup row's Run value (no export is made of a single value).
EntryRemoval DeleteStartupValue(const ManagerRow& row);

// Exports a row's whole key with the registry editor into a dated file in
// `exportFolder` and deletes the key only when that export succeeded.
EntryRemoval ExportAndDeleteKey(const ManagerRow& row, const std::string& exportFolder);

// "<folder>\<m>,<d>,<yyyy>_<h>,<m>,<s>.reg" for attempt 1, "..._2.reg" and so on
// after it, so a second export within the same second keeps the first one.
std::string ManagerExportPath(const std::string& folder, const SYSTEMTIME& time, int attempt);

// Creates "<backupFolder>\<subfolder>" (and the backup folder) as needed and
// returns it.
std::string ManagerExportFolder(const std::string& backupFolder, const std::string& subfolder);
