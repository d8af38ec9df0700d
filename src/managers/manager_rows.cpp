#include "managers/manager_rows.h"

#include <shlwapi.h>

#include "backup/backup_names.h"
#include "backup/file_utils.h"
#include "backup/reg_export_file.h"
#include "backup/registry_editor.h"
#include "core/handles.h"
#include "core/registry.h"

namespace {

std::string ReadString(HKEY root, const std::string& keyPath, const std::string& name) {
  std::string text;
  CRegistry key;
  if (key.OpenKey(root, keyPath)) key.QueryStringValue(name, text);
  return text;
}

bool KeyExists(HKEY root, const std::string& keyPath) {
  KeyHandle key;
  return RegOpenKeyExA(root, keyPath.c_str(), 0, KEY_READ, key.Receive()) == ERROR_SUCCESS;
}

// A whole-key deletion must name a real subkey: an empty last component would make
// it the parent key (every BHO, every uninstall entry) or the root itself.
bool NamesASubkey(const std::string& keyPath) {
  return !keyPath.empty() && keyPath.back() != '\\' && keyPath.front() != '\\';
}

}  // namespace

void AppendStartupRows(std::vector<ManagerRow>& rows, HKEY root, const std::string& runKeyPath) {
  CRegistry key;
  if (!key.OpenKey(root, runKeyPath)) return;
  std::string name;
  DWORD type = 0;
  while (key.EnumValue(name, type)) {
    std::string text;
    // Only texts are shown; a binary or numeric value keeps an empty column.
    if (type == REG_SZ || type == REG_EXPAND_SZ) key.QueryStringValue(name, text);
    rows.push_back({name, text, root, runKeyPath, name});
  }
}

void AppendBhoRows(std::vector<ManagerRow>& rows, HKEY root, const std::string& bhoKeyPath,
                   const std::string& clsidKeyPath) {
  CRegistry key;
  if (!key.OpenKey(root, bhoKeyPath)) return;
  std::string subkey;
  while (key.EnumSubKey(subkey)) {
    const std::string classPath = clsidKeyPath + "\\" + subkey;
    std::string name = ReadString(HKEY_CLASSES_ROOT, classPath, "");
    if (name.empty()) name = kNoBhoName;
    const std::string file = ReadString(HKEY_CLASSES_ROOT, classPath + "\\InProcServer32", "");
    rows.push_back({name, file, root, bhoKeyPath + "\\" + subkey, ""});
  }
}

void AppendUninstallRows(std::vector<ManagerRow>& rows, HKEY root,
                         const std::string& uninstallKeyPath) {
  CRegistry key;
  if (!key.OpenKey(root, uninstallKeyPath)) return;
  std::string subkey;
  while (key.EnumSubKey(subkey)) {
    const std::string entryPath = uninstallKeyPath + "\\" + subkey;
    CRegistry entry;
    DWORD systemComponent = 0;
    std::string displayName, uninstallString;
    if (entry.OpenKey(root, entryPath)) {
      entry.QueryDwordValue("SystemComponent", systemComponent);
      entry.QueryStringValue("DisplayName", displayName);
      entry.QueryStringValue("UninstallString", uninstallString);
    }
    if (systemComponent == 1) continue;
    if (displayName.empty() && uninstallString.empty()) continue;
    rows.push_back({displayName, uninstallString, root, entryPath, ""});
  }
}

EntryRemoval DeleteStartupValue(const ManagerRow& row) {
  if (!row.rootKey || row.keyPath.empty()) return EntryRemoval::kDeletionFailed;
  KeyHandle key;
  const bool present =
      RegOpenKeyExA(row.rootKey, row.keyPath.c_str(), 0, KEY_READ, key.Receive()) ==
          ERROR_SUCCESS &&
      RegQueryValueExA(key.Get(), row.valueName.c_str(), nullptr, nullptr, nullptr, nullptr) ==
          ERROR_SUCCESS;
  if (!present) return EntryRemoval::kAlreadyGone;
  return SHDeleteValueA(row.rootKey, row.keyPath.c_str(), row.valueName.c_str()) == ERROR_SUCCESS
             ? EntryRemoval::kRemoved
             : EntryRemoval::kDeletionFailed;
}

std::string ManagerExportPath(const std::string& folder, const SYSTEMTIME& time, int attempt) {
  std::string path = folder + "\\" +
                     ArchiveBaseName(time.wMonth, time.wDay, time.wYear, time.wHour,
                                     time.wMinute, time.wSecond);
  if (attempt > 1) path += "_" + std::to_string(attempt);
  return path + ".reg";
}

std::string ManagerExportFolder(const std::string& backupFolder, const std::string& subfolder) {
  std::string folder = backupFolder;
  while (!folder.empty() && folder.back() == '\\') folder.pop_back();
  // Failures show later, as an export that cannot be written.
  CreateDirectoryA(folder.c_str(), nullptr);
  folder += "\\" + subfolder;
  CreateDirectoryA(folder.c_str(), nullptr);
  return folder;
}

EntryRemoval ExportAndDeleteKey(const ManagerRow& row, const std::string& exportFolder) {
  if (!row.rootKey || !NamesASubkey(row.keyPath)) return EntryRemoval::kDeletionFailed;
  if (!KeyExists(row.rootKey, row.keyPath)) return EntryRemoval::kAlreadyGone;
  // The key goes to the registry editor on a command line: a name that would come
  // out as another key there is neither exported nor deleted.
  const std::string fullName = RootKeyName(row.rootKey) + "\\" + row.keyPath;
  if (RootKeyName(row.rootKey).empty() || !KeyNameSafeForEditor(fullName)) {
    return EntryRemoval::kBackupFailed;
  }

  SYSTEMTIME now = {};
  GetLocalTime(&now);
  // Never replace an earlier export: it may be the only copy of a key deleted before.
  int attempt = 1;
  std::string exportFile = ManagerExportPath(exportFolder, now, attempt);
  while (GetFileAttributesA(exportFile.c_str()) != INVALID_FILE_ATTRIBUTES) {
    if (++attempt > 9999) return EntryRemoval::kBackupFailed;
    exportFile = ManagerExportPath(exportFolder, now, attempt);
  }
  const std::string arguments =
      ManagerExportArguments(exportFile, RootKeyName(row.rootKey), row.keyPath);
  if (!ExportKeyChecked(arguments, exportFile)) return EntryRemoval::kBackupFailed;
  std::string exported;
  if (!ReadWholeFile(exportFile, exported) || !ExportHoldsKey(exported, fullName)) {
    DeleteFileA(exportFile.c_str());
    return EntryRemoval::kBackupFailed;
  }
  if (SHDeleteKeyA(row.rootKey, row.keyPath.c_str()) != ERROR_SUCCESS) {
    return EntryRemoval::kDeletionFailed;
  }
  return EntryRemoval::kRemoved;
}
