// Restoring a manager's export through the same checks as an archive: this
// user's tag (or the user's word), the manager's confinement, one reader (what
// the strict reader parsed is what is written), and nothing written over what
// exists now with other data unless the caller says so. A BHO or Add/Remove
// export is one item, its key; a Startup export has one item per value (a Run
// value, its StartupApproved value) and one for its shortcut.

#include "backup/manager_export_restore.h"

#include <algorithm>

#include "backup/archive_key.h"
#include "backup/backup_names.h"
#include "backup/file_utils.h"
#include "backup/manager_export.h"
#include "backup/reg_export_check.h"
#include "backup/reg_key_transfer.h"
#include "backup/removal_lock.h"
#include "backup/restore_items.h"
#include "core/ascii_case.h"
#include "core/handles.h"
#include "core/registry.h"
#include "core/wide_text.h"

namespace {

RestoreOutcome Ended(RestoreOutcome& outcome, RestoreResult result) {
  outcome.result = result;
  return outcome;
}

HKEY SplitKeyName(const std::string& keyName, std::string& path) {
  const size_t slash = keyName.find('\\');
  path = slash == std::string::npos ? std::string() : keyName.substr(slash + 1);
  return RootKeyFromName(keyName.substr(0, slash));
}

LiveState LiveValue(const std::string& keyName, const RegValue& saved, std::string& reason) {
  std::string path;
  const HKEY root = SplitKeyName(keyName, path);
  KeyHandle key;
  LONG rc = root ? OpenRegistryKey(root, path, KEY_READ, key) : ERROR_FILE_NOT_FOUND;
  std::string bytes;
  DWORD type = 0;
  if (rc == ERROR_SUCCESS) {
    std::string wideName;
    Utf16LeFromUtf8(saved.name, wideName);
    const std::wstring name(reinterpret_cast<const wchar_t*>(wideName.data()), wideName.size() / 2);
    DWORD size = 0;
    rc = RegQueryValueExW(key.Get(), saved.name.empty() ? nullptr : name.c_str(), nullptr, &type, nullptr, &size);
    if (rc == ERROR_SUCCESS) {
      bytes.resize(size);
      rc = RegQueryValueExW(key.Get(), saved.name.empty() ? nullptr : name.c_str(), nullptr, &type,
                            reinterpret_cast<BYTE*>(&bytes[0]), &size);
      bytes.resize(size);
    }
  }
  if (rc == ERROR_FILE_NOT_FOUND) return LiveState::kAbsent;
  if (rc != ERROR_SUCCESS) {
    reason = "it cannot be read: " + ErrorReason(static_cast<DWORD>(rc));
    return LiveState::kUnreadable;
  }
  return type == saved.type && bytes == saved.data ? LiveState::kSame : LiveState::kDifferent;
}

LiveState LiveKey(const ExportContents& contents, std::string& reason) {
  std::string path;
  const HKEY root = SplitKeyName(contents.sections.front().keyName, path);
  if (!root) return LiveState::kAbsent;
  KeyHandle key;
  const LONG rc = OpenRegistryKey(root, path, KEY_READ, key);
  if (rc == ERROR_FILE_NOT_FOUND) return LiveState::kAbsent;
  key.Close();
  std::vector<RegKeyContents> live;
  if (rc != ERROR_SUCCESS || !ReadKeyTree(root, path, live, reason)) {
    if (reason.empty()) reason = "it cannot be read: " + ErrorReason(static_cast<DWORD>(rc));
    return LiveState::kUnreadable;
  }
  return ExportDifference(contents, live).empty() ? LiveState::kSame : LiveState::kDifferent;
}

// Writes one item once its live state is known.
RecordRestore WriteItem(LiveState state, const std::string& reason, bool replace,
                        const std::vector<ExportSection>& sections) {
  switch (state) {
    case LiveState::kSame: return {ItemRestore::kUnchanged, "", false};
    case LiveState::kUnreadable: return {ItemRestore::kFailed, reason, false};
    case LiveState::kDifferent:
      if (!replace) return {ItemRestore::kKeptCurrent, kKeptCurrentReason, true};
      break;
    case LiveState::kAbsent: break;
  }
  std::string error;
  if (!WriteExportSections(sections, error)) return {ItemRestore::kFailed, error, false};
  return {state == LiveState::kAbsent ? ItemRestore::kRestored : ItemRestore::kReplaced, "", false};
}

RecordRestore RestoreShortcut(const std::string& exportPath, const std::string& dest) {
  const std::string copy = ExportShortcutCopy(exportPath);
  if (FileAttributes(dest) != INVALID_FILE_ATTRIBUTES) {
    // Files are never written over.
    if (CompareFileBytes(copy, dest) == 1) return {ItemRestore::kUnchanged, "", false};
    return {ItemRestore::kKeptCurrent, "kept the file that is there now", false};
  }
  DWORD code = 0;
  if (!CopyFileTo(copy, dest, false, &code)) {
    return {ItemRestore::kFailed, "it cannot be copied back: " + ErrorReason(code), false};
  }
  return {ItemRestore::kRestored, "", false};
}

struct Item {
  BackupRecord record;
  std::vector<ExportSection> sections;  // what restoring it writes
  bool whole = false;                   // the whole key of a BHO or Add/Remove export
};

std::vector<Item> ItemsOf(ManagerExportKind kind, const ExportContents& contents,
                          const std::string& shortcutPath) {
  std::vector<Item> items;
  if (kind != ManagerExportKind::kStartup) {
    if (contents.sections.empty()) return items;
    Item item;
    item.record.kind = BackupRecord::kRegKey;
    item.record.keyName = contents.sections.front().keyName;
    item.sections = contents.sections;
    item.whole = true;
    items.push_back(item);
    return items;
  }
  for (const ExportSection& section : contents.sections) {
    for (const RegValue& value : section.values) {
      Item item;
      item.record.kind = BackupRecord::kRegValue;
      item.record.keyName = section.keyName;
      item.record.valueName = value.name;
      ExportSection one = section;
      one.values = {value};
      item.sections = {one};
      items.push_back(item);
    }
  }
  if (!shortcutPath.empty()) {
    Item item;
    item.record.kind = BackupRecord::kFile;
    item.record.destPath = shortcutPath;
    items.push_back(item);
  }
  return items;
}

}  // namespace

bool IsManagerExportPath(const std::string& path) {
  return ManagerExportKindOf(path) != ManagerExportKind::kNone;
}

RestoreOutcome RestoreManagerExport(const std::string& exportPath, const RestoreOptions& options) {
  RestoreOutcome outcome;
  outcome.archive = exportPath;
  RemovalLock lock;
  if (!lock.Held()) return Ended(outcome, RestoreResult::kBusy);
  const ManagerExportKind kind = ManagerExportKindOf(exportPath);
  outcome.openError = ArchiveOpenError(exportPath);
  if (outcome.openError != ERROR_SUCCESS) return Ended(outcome, RestoreResult::kInvalid);

  ManagerExportFile file;
  if (!ReadManagerExport(exportPath, file, outcome.invalidReason)) return Ended(outcome, RestoreResult::kInvalid);
  if (CheckManagerExportTag(exportPath, file.bytes, LoadArchiveKeys()) != ArchiveTrust::kMadeHere &&
      !options.trustArchive) {
    outcome.untrusted = true;
    return Ended(outcome, RestoreResult::kDeclined);
  }
  ExportContents contents;
  std::string error;
  if (!ParseExportFile(file.bytes, contents, error, SystemCodePageDecoder())) {
    outcome.invalidReason = "it cannot be read (" + error + ")";
    return Ended(outcome, RestoreResult::kInvalid);
  }
  const std::vector<Item> items = ItemsOf(kind, contents, file.shortcutPath);
  // The whole file is refused when any part of it is: it is not what the
  // manager writes.
  const std::string refusal = ManagerExportRefusal(kind, contents, file.shortcutPath);
  const bool all = options.items.empty();
  for (size_t index = 0; index < items.size(); ++index) {
    const int number = static_cast<int>(index) + 1;
    if (!all && std::find(options.items.begin(), options.items.end(), number) == options.items.end()) {
      continue;
    }
    const Item& item = items[index];
    RecordRestore restored;
    std::string reason;
    if (!refusal.empty()) {
      restored = {ItemRestore::kRefused, refusal, false};
    } else if (item.record.kind == BackupRecord::kFile) {
      restored = RestoreShortcut(exportPath, item.record.destPath);
    } else if (item.whole) {
      restored = WriteItem(LiveKey(contents, reason), reason, options.replaceChanged, item.sections);
    } else {
      restored = WriteItem(LiveValue(item.record.keyName, item.sections[0].values[0], reason), reason,
                           options.replaceChanged, item.sections);
    }
    RestoredItem done;
    done.number = number;
    done.kind = item.record.kind;
    done.keyName = item.record.keyName;
    done.valueName = item.record.valueName;
    done.destPath = item.record.destPath;
    done.name = RecordDisplayName(item.record);
    done.outcome = restored.outcome;
    done.reason = restored.reason;
    done.replaceable = restored.replaceable;
    outcome.items.push_back(done);
  }
  for (int number : options.items) {
    if (number < 1 || static_cast<size_t>(number) > items.size()) outcome.missingItems.push_back(number);
  }
  outcome.result = RestoreResult::kRestored;
  outcome.Settle();
  return outcome;
}

std::vector<BackupEntry> ManagerExportEntries(const std::string& backupFolder) {
  std::vector<BackupEntry> entries;
  for (ManagerExportKind kind :
       {ManagerExportKind::kStartup, ManagerExportKind::kBho, ManagerExportKind::kAddRemove}) {
    std::string folder = backupFolder;
    while (!folder.empty() && folder.back() == '\\') folder.pop_back();
    folder += std::string("\\") + ManagerExportFolderName(kind);
    for (const std::string& name : FolderFiles(folder)) {
      const std::string path = folder + "\\" + name;
      if (ManagerExportKindOf(path) != kind) continue;
      BackupEntry entry;
      entry.path = path;
      entry.kind = ManagerExportKindName(kind);
      ManagerExportFile file;
      ExportContents contents;
      std::string error;
      if (ReadManagerExport(path, file, error) && ParseExportFile(file.bytes, contents, error)) {
        entry.holds = ManagerExportHolds(kind, contents, file.shortcutPath);
      }
      const std::string date = BackupDisplayName(name.substr(0, name.size() - 4));
      entry.displayName = std::string(ManagerExportTitle(kind)) + ": " + (date.empty() ? name : date) +
                          (entry.holds.empty() ? "" : " - " + entry.holds);
      entries.push_back(entry);
    }
  }
  return entries;
}

const char* ManagerExportKindName(ManagerExportKind kind) {
  switch (kind) {
    case ManagerExportKind::kStartup: return "startup";
    case ManagerExportKind::kBho: return "bho";
    case ManagerExportKind::kAddRemove: return "programs";
    case ManagerExportKind::kNone: break;
  }
  return "archive";
}

const char* ManagerExportTitle(ManagerExportKind kind) {
  switch (kind) {
    case ManagerExportKind::kStartup: return "Startup Programs Manager";
    case ManagerExportKind::kBho: return "Browser Helper Object Manager";
    case ManagerExportKind::kAddRemove: return "Add Remove Programs Manager";
    case ManagerExportKind::kNone: break;
  }
  return "";
}
