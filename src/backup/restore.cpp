#include "backup/restore.h"

#include <windows.h>

#include <algorithm>
#include <cctype>

#include "backup/backup_archive.h"
#include "backup/backup_names.h"
#include "backup/backup_records.h"
#include "backup/file_utils.h"
#include "backup/registry_editor.h"
#include "backup/zip_names.h"
#include "core/registry.h"
#include "framework/prompt.h"

namespace {

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

// Splits "ROOT\path" at its first backslash; the root is null for an unknown name.
HKEY SplitKeyName(const std::string& fullName, std::string& keyPath) {
  const size_t slash = fullName.find('\\');
  keyPath = slash == std::string::npos ? std::string() : fullName.substr(slash + 1);
  return RootKeyFromName(fullName.substr(0, slash));
}

bool IsFullPath(const std::string& path) {
  return (path.size() > 2 && path[1] == ':' && path[2] == '\\' &&
          std::isalpha(static_cast<unsigned char>(path[0]))) ||
         path.compare(0, 2, "\\\\") == 0;
}

bool RestoreKey(const std::string& staging, const BackupRecord& record) {
  if (!IsSafeNameComponent(record.exportFile) || !FileExists(staging + "\\" + record.exportFile)) {
    return false;
  }
  if (!CurrentRegistryEditor().Run(ImportArguments(staging, record.exportFile))) return false;
  // The editor reports nothing: see that the key is back where the record names it.
  std::string keyPath;
  const HKEY hRoot = SplitKeyName(record.keyName, keyPath);
  if (hRoot == nullptr) return true;
  CRegistry key;
  return key.OpenKey(hRoot, keyPath);
}

bool RestoreValue(const BackupRecord& record) {
  std::string keyPath;
  const HKEY hRoot = SplitKeyName(record.keyName, keyPath);
  if (hRoot == nullptr) return false;
  CRegistry key;
  if (!key.OpenRootKey(hRoot)) return false;
  if (!keyPath.empty() && !key.OpenSubKey(keyPath) && !key.CreateKey(keyPath, true)) return false;
  if (record.hasRawData) {
    return RegSetValueExA(key.Handle(), record.valueName.c_str(), 0, record.rawType,
                          reinterpret_cast<const BYTE*>(record.rawBytes.data()),
                          static_cast<DWORD>(record.rawBytes.size())) == ERROR_SUCCESS;
  }
  // Archives written before the type was kept restore as text, as they always did;
  // a damaged type line does the same but is reported.
  return key.SetStringValue(record.valueName, record.value) && !record.rawDataDamaged;
}

bool RestoreFile(const std::string& staging, const BackupRecord& record) {
  if (!IsFullPath(record.destPath)) return false;
  std::string staged = staging + "\\" + StagedFileName(record.destPath);
  if (!FileExists(staged)) {
    // Archives from before each copy was named after its full path.
    const std::string bare = BareFileName(record.destPath);
    if (!IsSafeNameComponent(bare)) return false;
    staged = staging + "\\" + bare;
  }
  return CopyFileA(staged.c_str(), record.destPath.c_str(), FALSE) != 0;
}

}  // namespace

std::vector<BackupEntry> FillBackupList(const std::string& backupFolder) {
  std::vector<BackupEntry> entries;
  std::string folder = backupFolder;
  while (!folder.empty() && folder.back() == '\\') folder.pop_back();
  WIN32_FIND_DATAA found;
  HANDLE hFind = FindFirstFileA((folder + "\\*.zip").c_str(), &found);
  if (hFind != INVALID_HANDLE_VALUE) {
    do {
      const std::string name = found.cFileName;
      if (name == "." || name == ".." || (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
        continue;
      }
      const size_t dot = name.rfind('.');
      entries.push_back({BackupDisplayName(name.substr(0, dot)), folder + "\\" + name});
    } while (FindNextFileA(hFind, &found));
    FindClose(hFind);
  }
  std::sort(entries.begin(), entries.end(), [](const BackupEntry& a, const BackupEntry& b) {
    const std::string la = Lower(a.displayName), lb = Lower(b.displayName);
    return la != lb ? la < lb : a.path < b.path;
  });
  return entries;
}

RestoreResult RestoreBackup(BackupArchive& archive, const std::string& archivePath) {
  if (archivePath.empty()) {
    ShowMessage("Please Select a backup Date");
    return RestoreResult::kNoSelection;
  }
  const std::string staging = archive.StagingFolder();
  std::string text;
  if (!archive.ExtractBackup(archivePath) || !ReadWholeFile(staging + "\\Config.ini", text)) {
    ShowMessage("Backup is Invalid, Cannot Recover items");
    return RestoreResult::kInvalid;
  }

  const RecordFile file = ParseRecordFile(text);
  bool errors = file.truncated;
  for (const BackupRecord& record : file.records) {
    bool restored = false;
    switch (record.kind) {
      case BackupRecord::kRegKey:
        restored = RestoreKey(staging, record);
        break;
      case BackupRecord::kRegValue:
        restored = RestoreValue(record);
        break;
      case BackupRecord::kFile:
        restored = RestoreFile(staging, record);
        break;
    }
    if (!restored) errors = true;
  }
  if (errors) {
    ShowMessage("Not all backed items were restored, Errors Occured");
    return RestoreResult::kErrors;
  }
  ShowMessage("Items Restored");
  return RestoreResult::kRestored;
}
