// What the managers change: a whole key removed after its export, a Startup
// entry removed after its backup, and a Startup entry enabled or disabled the
// way Windows does it. Every backup is written by our exporter and read back
// with the strict reader before anything is deleted.

#include <shlwapi.h>

#include "backup/file_utils.h"
#include "backup/manager_export.h"
#include "backup/reg_key_transfer.h"
#include "core/handles.h"
#include "core/registry.h"
#include "core/wide_text.h"
#include "managers/manager_rows.h"

namespace {

// A whole-key deletion must name a real subkey: an empty last component would make
// it the parent key (every BHO, every uninstall entry) or the root itself.
bool NamesASubkey(const std::string& keyPath) {
  return !keyPath.empty() && keyPath.back() != '\\' && keyPath.front() != '\\';
}

void Say(std::string* error, const std::string& text) {
  if (error) *error = text;
}

// A value exactly as stored: ERROR_SUCCESS, ERROR_FILE_NOT_FOUND (key or value
// missing) or the system's reason.
LONG ReadExactValue(HKEY root, const std::string& keyPath, const std::string& name, RegValue& value) {
  KeyHandle key;
  LONG rc = OpenRegistryKey(root, keyPath, KEY_READ, key);
  if (rc != ERROR_SUCCESS) return rc;
  const std::wstring wide = WideText(name);
  DWORD size = 0, type = 0;
  rc = RegQueryValueExW(key.Get(), wide.c_str(), nullptr, &type, nullptr, &size);
  std::string bytes(size, '\0');
  if (rc == ERROR_SUCCESS) {
    rc = RegQueryValueExW(key.Get(), wide.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(&bytes[0]), &size);
    bytes.resize(size);
  }
  value.name = name;
  value.type = type;
  value.data = bytes;
  return rc;
}

LONG DeleteExactValue(HKEY root, const std::string& keyPath, const std::string& name) {
  KeyHandle key;
  const LONG rc = OpenRegistryKey(root, keyPath, KEY_SET_VALUE, key);
  return rc != ERROR_SUCCESS ? rc : RegDeleteValueW(key.Get(), WideText(name).c_str());
}

std::string FullName(HKEY root, const std::string& keyPath) { return RootKeyName(root) + "\\" + keyPath; }

// Whether the row's entry is there: ERROR_SUCCESS, ERROR_FILE_NOT_FOUND or why not known.
LONG EntryPresence(const ManagerRow& row, RegValue* runValue) {
  if (!row.linkPath.empty()) {
    DWORD code = ERROR_SUCCESS;
    const DWORD attributes = FileAttributes(row.linkPath, &code);
    if (attributes != INVALID_FILE_ATTRIBUTES) {
      return (attributes & FILE_ATTRIBUTE_DIRECTORY) ? ERROR_FILE_NOT_FOUND : ERROR_SUCCESS;
    }
    return IsNotFoundError(code) ? ERROR_FILE_NOT_FOUND : static_cast<LONG>(code);
  }
  RegValue scratch;
  return ReadExactValue(row.rootKey, row.keyPath, row.valueName, runValue ? *runValue : scratch);
}

std::string NewExportPath(const std::string& folder) {
  SYSTEMTIME now = {};
  GetLocalTime(&now);
  return FreeManagerExportPath(folder, now);
}

}  // namespace

EntryRemoval ExportAndDeleteKey(const ManagerRow& row, const std::string& exportFolder, std::string* error) {
  if (!row.rootKey || !NamesASubkey(row.keyPath) || RootKeyName(row.rootKey).empty()) {
    return EntryRemoval::kDeletionFailed;
  }
  KeyHandle probe;
  if (OpenRegistryKey(row.rootKey, row.keyPath, KEY_READ, probe) == ERROR_FILE_NOT_FOUND) return EntryRemoval::kAlreadyGone;

  std::vector<RegKeyContents> keys;
  std::string reason;
  const std::string exportFile = NewExportPath(exportFolder);
  if (exportFile.empty()) reason = "no free export name in " + exportFolder;
  if (exportFile.empty() || !ReadKeyTree(row.rootKey, row.keyPath, keys, reason) ||
      !WriteManagerExport(exportFile, keys, {}, "", reason)) {
    Say(error, reason);
    return EntryRemoval::kBackupFailed;
  }
  // The key as it is now must be what was saved: a value written meanwhile
  // would go without a copy.
  reason = ExportedKeyDifference(exportFile, row.rootKey, row.keyPath);
  if (!reason.empty()) {
    DeleteFileChecked(exportFile);
    Say(error, reason);
    return EntryRemoval::kBackupFailed;
  }
  const LONG rc = SHDeleteKeyW(row.rootKey, WideText(row.keyPath).c_str());
  if (rc != ERROR_SUCCESS) {
    Say(error, ErrorReason(static_cast<DWORD>(rc)));
    return EntryRemoval::kDeletionFailed;
  }
  return EntryRemoval::kRemoved;
}

EntryRemoval BackupAndRemoveStartupEntry(const ManagerRow& row, const std::string& exportFolder,
                                         std::string* error) {
  if (!row.rootKey || RootKeyName(row.rootKey).empty() || row.approvedKey.empty()) {
    return EntryRemoval::kDeletionFailed;
  }
  RegValue runValue;
  const LONG presence = EntryPresence(row, &runValue);
  if (presence == ERROR_FILE_NOT_FOUND) return EntryRemoval::kAlreadyGone;
  if (presence != ERROR_SUCCESS) {
    Say(error, "it cannot be read: " + ErrorReason(static_cast<DWORD>(presence)));
    return EntryRemoval::kBackupFailed;
  }
  std::vector<RegKeyContents> keys;
  if (row.linkPath.empty()) keys.push_back({FullName(row.rootKey, row.keyPath), {runValue}});
  RegValue approval;
  const LONG approvalRead = ReadExactValue(row.rootKey, row.approvedKey, row.approvedName, approval);
  if (approvalRead == ERROR_SUCCESS) {
    keys.push_back({FullName(row.rootKey, row.approvedKey), {approval}});
  } else if (approvalRead != ERROR_FILE_NOT_FOUND) {
    Say(error, "its enabled state cannot be read: " + ErrorReason(static_cast<DWORD>(approvalRead)));
    return EntryRemoval::kBackupFailed;
  }
  std::vector<std::string> comments;
  if (!row.linkPath.empty()) comments.push_back(kShortcutComment + row.linkPath);

  std::string reason;
  const std::string exportFile = NewExportPath(exportFolder);
  if (exportFile.empty()) reason = "no free export name in " + exportFolder;
  if (exportFile.empty() || !WriteManagerExport(exportFile, keys, comments, row.linkPath, reason)) {
    Say(error, reason);
    return EntryRemoval::kBackupFailed;
  }
  const LONG deleted = row.linkPath.empty()
                           ? DeleteExactValue(row.rootKey, row.keyPath, row.valueName)
                           : static_cast<LONG>(DeleteFileChecked(row.linkPath));
  if (deleted != ERROR_SUCCESS) {
    Say(error, ErrorReason(static_cast<DWORD>(deleted)));
    return EntryRemoval::kDeletionFailed;
  }
  // Windows would leave the state behind, an orphan the scan reports.
  if (approvalRead == ERROR_SUCCESS) {
    const LONG rc = DeleteExactValue(row.rootKey, row.approvedKey, row.approvedName);
    if (rc != ERROR_SUCCESS && rc != ERROR_FILE_NOT_FOUND) {
      Say(error, "its enabled state stays: " + ErrorReason(static_cast<DWORD>(rc)));
      return EntryRemoval::kDeletionFailed;
    }
  }
  return EntryRemoval::kRemoved;
}

StateChange SetStartupEntryEnabled(const ManagerRow& row, bool enable, const FILETIME& now) {
  if (!row.rootKey || row.approvedKey.empty()) return StateChange::kFailed;
  const LONG presence = EntryPresence(row, nullptr);
  if (presence == ERROR_FILE_NOT_FOUND) return StateChange::kGone;
  if (presence != ERROR_SUCCESS) return StateChange::kFailed;
  std::string bytes;
  LONG read = ERROR_SUCCESS;
  const bool present = ReadApprovalValue(row.rootKey, row.approvedKey, row.approvedName, bytes, nullptr, &read);
  if (!present && read != ERROR_FILE_NOT_FOUND) return StateChange::kFailed;
  // What Windows already reads so keeps its bytes (and a disabled entry its time).
  if (ApprovalEnabled(present, bytes) == enable) return StateChange::kUnchanged;

  const std::string value = enable ? EnabledApprovalBytes() : DisabledApprovalBytes(now);
  KeyHandle key;
  if (RegCreateKeyExW(row.rootKey, WideText(row.approvedKey).c_str(), 0, nullptr, 0, KEY_SET_VALUE,
                      nullptr, key.Receive(), nullptr) != ERROR_SUCCESS) {
    return StateChange::kFailed;
  }
  const LONG rc = RegSetValueExW(key.Get(), WideText(row.approvedName).c_str(), 0, REG_BINARY,
                                 reinterpret_cast<const BYTE*>(value.data()), static_cast<DWORD>(value.size()));
  return rc == ERROR_SUCCESS ? StateChange::kChanged : StateChange::kFailed;
}
