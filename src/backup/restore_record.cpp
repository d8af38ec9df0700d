#include "backup/restore_record.h"

#include <windows.h>

#include <vector>

#include "backup/backup_names.h"
#include "backup/file_utils.h"
#include "backup/reg_export_check.h"
#include "backup/reg_export_file.h"
#include "backup/reg_key_transfer.h"
#include "backup/restore_rules.h"
#include "backup/staged_exports.h"
#include "backup/value_bytes.h"
#include "backup/zip_names.h"
#include "backup/zip_packer.h"
#include "core/handles.h"
#include "core/registry.h"
#include "core/wide_text.h"

namespace {

RecordRestore Outcome(ItemRestore outcome, const std::string& reason = "", bool replaceable = false) {
  return {outcome, reason, replaceable};
}

// Splits "ROOT\path" at its first backslash; the root is null for an unknown name.
HKEY SplitKeyName(const std::string& fullName, std::string& keyPath) {
  const size_t slash = fullName.find('\\');
  keyPath = slash == std::string::npos ? std::string() : fullName.substr(slash + 1);
  return RootKeyFromName(fullName.substr(0, slash));
}

// The type and bytes a value record saved: as stored (wide), exactly as the
// narrow call read them, or (archives written before the type was kept, and
// damaged type lines) its text as a string value.
struct SavedData {
  DWORD type = REG_SZ;
  std::string bytes;
  bool wide = false;
};

SavedData SavedValue(const BackupRecord& record) {
  if (record.hasWideData) return {record.wideType, record.wideBytes, true};
  if (record.hasRawData) return {record.rawType, record.rawBytes, false};
  return {REG_SZ, record.value + std::string(1, '\0'), false};
}

// Texts compare without the terminating zeros, which writers add or leave out.
bool SameData(DWORD typeA, const std::string& a, DWORD typeB, const std::string& b) {
  if (typeA != typeB) return false;
  if (!IsTextType(typeA)) return a == b;
  const size_t endA = a.find_last_not_of('\0'), endB = b.find_last_not_of('\0');
  return a.substr(0, endA == std::string::npos ? 0 : endA + 1) ==
         b.substr(0, endB == std::string::npos ? 0 : endB + 1);
}

LiveState Unreadable(LONG code, std::string& reason) {
  reason = "cannot be read now (" + ErrorReason(static_cast<DWORD>(code)) + ")";
  return LiveState::kUnreadable;
}

LiveState LiveValue(const BackupRecord& record, std::string& reason) {
  std::string keyPath;
  const HKEY hRoot = SplitKeyName(record.keyName, keyPath);
  if (hRoot == nullptr) return LiveState::kAbsent;
  KeyHandle key;
  const LONG opened = OpenRegistryKey(hRoot, keyPath, KEY_QUERY_VALUE, key);
  if (opened != ERROR_SUCCESS) {
    return IsNotFoundError(static_cast<DWORD>(opened)) ? LiveState::kAbsent : Unreadable(opened, reason);
  }
  // Compared the way it was saved: wide bytes with wide bytes.
  const SavedData saved = SavedValue(record);
  DWORD type = REG_NONE;
  std::string bytes;
  const LONG read = ReadValueBytes(key.Get(), record.valueName, saved.wide, type, bytes);
  if (IsNotFoundError(static_cast<DWORD>(read))) return LiveState::kAbsent;
  if (read != ERROR_SUCCESS) return Unreadable(read, reason);
  if (SameData(type, bytes, saved.type, saved.bytes)) return LiveState::kSame;
  reason = kKeptCurrentReason;
  return LiveState::kDifferent;
}

// A key's saved export, read with the strict reader (8-bit exports in the
// system's code page, as the registry editor reads them). "" when it reads,
// otherwise why not; `failed` tells a missing file from one restore refuses.
std::string ReadSavedExport(const std::string& source, const BackupRecord& record,
                            ExportContents& saved, bool& failed) {
  failed = false;
  if (!IsSafeNameComponent(record.exportFile)) return "its saved export has a name this program never writes";
  std::string bytes, error;
  if (!ReadStagingFileWhole(source, record.exportFile, bytes)) {
    failed = true;
    return "its saved export is not in the backup";
  }
  if (!ParseExportFile(bytes, saved, error, SystemCodePageDecoder())) {
    return "its saved export cannot be read (" + error + ")";
  }
  return "";
}

// A key that is there now is compared with its saved export: the same keys,
// and in each the same values by name, type and bytes.
LiveState LiveKey(const ExportContents& saved, const BackupRecord& record, std::string& reason) {
  std::string keyPath;
  const HKEY hRoot = SplitKeyName(record.keyName, keyPath);
  if (hRoot == nullptr || keyPath.empty()) return LiveState::kAbsent;
  {
    KeyHandle key;
    const LONG opened = OpenRegistryKey(hRoot, keyPath, KEY_READ, key);
    if (opened != ERROR_SUCCESS) {
      return IsNotFoundError(static_cast<DWORD>(opened)) ? LiveState::kAbsent
                                                         : Unreadable(opened, reason);
    }
  }
  std::vector<RegKeyContents> live;
  std::string error;
  if (!ReadKeyTree(hRoot, keyPath, live, error)) {
    reason = "kept the current data: it could not be compared with the backup";
  } else if (ExportDifference(saved, live).empty()) {
    return LiveState::kSame;
  } else {
    reason = kKeptCurrentReason;
  }
  return LiveState::kDifferent;
}

// The saved copy of a file in the archive's folder: as this version stages it,
// as versions before the name was cut to 255 bytes did, and as the oldest
// archives did (the bare name). "" when none is there.
std::string StagedCopy(const std::string& source, const std::string& destPath) {
  for (const std::string& name : {StagedFileName(destPath), UncutStagedFileName(destPath),
                                  BareFileName(destPath)}) {
    if (name != BareFileName(destPath) || IsSafeNameComponent(name)) {
      if (FileExists(source + "\\" + name)) return source + "\\" + name;
    }
  }
  return "";
}

LiveState LiveFile(const std::string& staged, const std::string& destPath, std::string& reason) {
  DWORD error = 0;
  const DWORD attributes = FileAttributes(destPath, &error);
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    return IsNotFoundError(error) ? LiveState::kAbsent : Unreadable(static_cast<LONG>(error), reason);
  }
  if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
    reason = "kept the current data: a folder of that name is there";
    return LiveState::kDifferent;
  }
  const int same = staged.empty() ? -1 : CompareFileBytes(staged, destPath);
  if (same == 1) return LiveState::kSame;
  if (same < 0 && !staged.empty()) return Unreadable(ERROR_READ_FAULT, reason);
  reason = "kept the current file: it differs from the saved one, and files are never written over";
  return LiveState::kDifferent;
}

RecordRestore RestoreValue(const BackupRecord& record, bool replace) {
  std::string reason = RegValueRefusal(record.keyName);
  if (!reason.empty()) return Outcome(ItemRestore::kRefused, reason);
  const LiveState live = LiveValue(record, reason);
  if (live == LiveState::kSame) return Outcome(ItemRestore::kUnchanged);
  if (live == LiveState::kUnreadable) return Outcome(ItemRestore::kFailed, reason);
  if (live == LiveState::kDifferent && !replace) {
    return Outcome(ItemRestore::kKeptCurrent, reason, true);
  }
  std::string keyPath;
  const HKEY hRoot = SplitKeyName(record.keyName, keyPath);
  CRegistry key;
  if (hRoot == nullptr || !key.OpenRootKey(hRoot) ||
      (!keyPath.empty() && !key.OpenSubKey(keyPath) && !key.CreateKey(keyPath, true))) {
    return Outcome(ItemRestore::kFailed, "its key could not be opened or made");
  }
  const SavedData saved = SavedValue(record);
  const LONG written =
      saved.wide ? WriteValueBytesExactly(key.Handle(), record.valueName, saved.type, saved.bytes)
                 : RegSetValueExA(key.Handle(), record.valueName.c_str(), 0, saved.type,
                                  reinterpret_cast<const BYTE*>(saved.bytes.data()),
                                  static_cast<DWORD>(saved.bytes.size()));
  if (written != ERROR_SUCCESS) {
    return Outcome(ItemRestore::kFailed,
                   "it could not be written (" + ErrorReason(static_cast<DWORD>(written)) + ")");
  }
  // A damaged type line: the text went back as a string value, as archives
  // before the type was kept always did, but the user is told.
  if (record.rawDataDamaged) {
    return Outcome(ItemRestore::kFailed, "its saved type was damaged: it was written back as text");
  }
  if (record.wideDataDamaged) {
    return Outcome(ItemRestore::kFailed,
                   "its exact saved bytes were damaged: it was written back from its text");
  }
  return Outcome(live == LiveState::kDifferent ? ItemRestore::kReplaced : ItemRestore::kRestored);
}

RecordRestore RestoreKey(const std::string& source, const BackupRecord& record, bool replace) {
  std::string reason = RegKeyRefusal(record.keyName);
  if (!reason.empty()) return Outcome(ItemRestore::kRefused, reason);
  // One reading of the export decides everything: what it may write, whether
  // the key is there as saved, and the bytes written.
  ExportContents saved;
  bool missing = false;
  reason = ReadSavedExport(source, record, saved, missing);
  if (missing) return Outcome(ItemRestore::kFailed, reason);
  if (reason.empty()) reason = ExportRefusal(saved, record.keyName);
  if (reason.empty()) reason = ImportRefusal(saved, record.keyName);
  if (!reason.empty()) return Outcome(ItemRestore::kRefused, reason);
  const LiveState live = LiveKey(saved, record, reason);
  if (live == LiveState::kSame) return Outcome(ItemRestore::kUnchanged);
  if (live == LiveState::kUnreadable) return Outcome(ItemRestore::kFailed, reason);
  if (live == LiveState::kDifferent && !replace) {
    return Outcome(ItemRestore::kKeptCurrent, reason, true);
  }
  std::string error;
  if (!ImportExportContents(saved, record.keyName, error)) {
    return Outcome(ItemRestore::kFailed, "it could not be imported: " + error);
  }
  return Outcome(live == LiveState::kDifferent ? ItemRestore::kReplaced : ItemRestore::kRestored);
}

RecordRestore RestoreFile(const std::string& source, const BackupRecord& record) {
  const DestinationFacts facts = SystemDestinationFacts();
  std::string reason = FileRefusal(record.destPath, facts);
  if (!reason.empty()) return Outcome(ItemRestore::kRefused, reason);
  const std::string staged = StagedCopy(source, record.destPath);
  if (staged.empty()) return Outcome(ItemRestore::kFailed, "its saved copy is not in the backup");
  const LiveState live = LiveFile(staged, record.destPath, reason);
  if (live == LiveState::kSame) return Outcome(ItemRestore::kUnchanged);
  if (live == LiveState::kUnreadable) return Outcome(ItemRestore::kFailed, reason);
  if (live == LiveState::kDifferent) return Outcome(ItemRestore::kKeptCurrent, reason);
  // Its folder may have gone with the removal (an emptied Start menu folder):
  // it is made again as plain folders, and the path is checked once more, so
  // no link that came meanwhile carries the copy elsewhere.
  const std::string folder = record.destPath.substr(0, record.destPath.rfind('\\'));
  if (facts.folderState(folder) == FolderState::kMissing) {
    if (!CreateFolder(folder)) {
      return Outcome(ItemRestore::kFailed, "its folder " + folder + " could not be made (" +
                                               ErrorReason(GetLastError()) + ")");
    }
    reason = FileRefusal(record.destPath, facts);
    if (!reason.empty()) return Outcome(ItemRestore::kRefused, reason);
  }
  // Never over a file that is there now, even one that came since the check.
  DWORD error = 0;
  if (!CopyFileTo(staged, record.destPath, false, &error)) {
    return Outcome(ItemRestore::kFailed, "it could not be copied back (" + ErrorReason(error) + ")");
  }
  if (record.hasAttributes && !SetAttributes(record.destPath, record.attributes)) {
    return Outcome(ItemRestore::kFailed, "its attributes could not be set");
  }
  return Outcome(ItemRestore::kRestored);
}

}  // namespace

LiveState CompareWithLive(const std::string& source, const BackupRecord& record,
                          std::string& reason) {
  reason.clear();
  switch (record.kind) {
    case BackupRecord::kRegValue: return LiveValue(record, reason);
    case BackupRecord::kRegKey: {
      ExportContents saved;
      bool missing = false;
      if (!ReadSavedExport(source, record, saved, missing).empty()) return LiveState::kDifferent;
      return LiveKey(saved, record, reason);
    }
    case BackupRecord::kFile:
      return LiveFile(StagedCopy(source, record.destPath), record.destPath, reason);
  }
  return LiveState::kDifferent;
}

RecordRestore RestoreRecord(const std::string& source, const BackupRecord& record, bool replace) {
  switch (record.kind) {
    case BackupRecord::kRegKey: return RestoreKey(source, record, replace);
    case BackupRecord::kRegValue: return RestoreValue(record, replace);
    case BackupRecord::kFile: return RestoreFile(source, record);
  }
  return Outcome(ItemRestore::kFailed, "it is of no known kind");
}

std::string RecordDisplayName(const BackupRecord& record) {
  switch (record.kind) {
    case BackupRecord::kRegKey: return record.keyName;
    case BackupRecord::kRegValue:
      return record.keyName + " (value \"" + record.valueName + "\")";
    case BackupRecord::kFile: return record.destPath;
  }
  return "";
}
