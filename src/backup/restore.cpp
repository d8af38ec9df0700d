#include "backup/restore.h"

#include <windows.h>

#include <algorithm>

#include "backup/archive_bounds.h"
#include "backup/archive_key.h"
#include "backup/archive_tag.h"
#include "backup/backup_archive.h"
#include "backup/backup_names.h"
#include "backup/file_utils.h"
#include "backup/manager_export_restore.h"
#include "backup/removal_lock.h"
#include "backup/restore_items.h"
#include "core/ascii_case.h"
#include "core/handles.h"
#include "core/product.h"
#include "core/wide_text.h"

namespace {

bool IsFolder(const std::string& path) {
  const DWORD attributes = FileAttributes(path);
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

RestoreOutcome Ended(RestoreOutcome& outcome, RestoreResult result) {
  outcome.result = result;
  return outcome;
}

bool Settled(ItemRestore outcome) {
  return outcome == ItemRestore::kRestored || outcome == ItemRestore::kUnchanged ||
         outcome == ItemRestore::kReplaced;
}

std::string Count(size_t count, const char* one, const char* many) {
  return std::to_string(count) + (count == 1 ? one : many);
}

constexpr const char* kNotUnpackedReason =
    "its saved copy could not be unpacked into the temporary folder";

}  // namespace

std::vector<BackupEntry> FillBackupList(const std::string& backupFolder) {
  std::vector<BackupEntry> entries;
  std::string folder = backupFolder;
  while (!folder.empty() && folder.back() == '\\') folder.pop_back();
  WIN32_FIND_DATAW found;
  const FindHandle search(FindFirstFileW(WideText(folder + "\\*.zip").c_str(), &found));
  if (search) {
    do {
      const std::string name = NarrowText(found.cFileName);
      if (name == "." || name == ".." || (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
        continue;
      }
      const size_t dot = name.rfind('.');
      BackupEntry entry;
      entry.displayName = BackupDisplayName(name.substr(0, dot));
      entry.path = folder + "\\" + name;
      entries.push_back(entry);
    } while (FindNextFileW(search.Get(), &found));
  }
  for (BackupEntry& entry : ManagerExportEntries(folder)) entries.push_back(std::move(entry));
  std::sort(entries.begin(), entries.end(), [](const BackupEntry& a, const BackupEntry& b) {
    const std::string la = LowerAsciiText(a.displayName), lb = LowerAsciiText(b.displayName);
    return la != lb ? la < lb : a.path < b.path;
  });
  return entries;
}

std::string UntrustedArchiveQuestion() {
  return std::string("This archive was not made by ") + qb::kProductName +
         " for this user account. Restore it anyway?";
}

std::string ReplaceQuestion(size_t count) {
  return Count(count, " saved item exists", " saved items exist") +
         " now with other data. Replace " + (count == 1 ? "it" : "them") +
         " with the saved data?";
}

std::vector<int> RestoreOutcome::ReplaceableItems() const {
  std::vector<int> numbers;
  for (const RestoredItem& item : items) {
    if (item.outcome == ItemRestore::kKeptCurrent && item.replaceable) numbers.push_back(item.number);
  }
  return numbers;
}

void RestoreOutcome::Merge(const RestoreOutcome& later) {
  if (later.result != RestoreResult::kRestored && later.result != RestoreResult::kErrors) return;
  if (!later.stagingFailure.empty()) stagingFailure = later.stagingFailure;
  for (const RestoredItem& replaced : later.items) {
    for (RestoredItem& item : items) {
      if (item.number == replaced.number) item = replaced;
    }
  }
  Settle();
}

void RestoreOutcome::Settle() {
  if (result != RestoreResult::kRestored && result != RestoreResult::kErrors) return;
  bool errors = damaged || !missingItems.empty();
  for (const RestoredItem& item : items) errors = errors || !Settled(item.outcome);
  result = errors ? RestoreResult::kErrors : RestoreResult::kRestored;
}

RestoreOutcome RestoreArchive(BackupArchive& archive, const std::string& archivePath,
                              const RestoreOptions& options) {
  RestoreOutcome outcome;
  outcome.archive = archivePath;
  if (archivePath.empty()) return Ended(outcome, RestoreResult::kNoSelection);
  if (IsManagerExportPath(archivePath)) return RestoreManagerExport(archivePath, options);
  RemovalLock lock;
  if (!lock.Held()) return Ended(outcome, RestoreResult::kBusy);
  archive.RecoverUnfinishedRun();
  outcome.recovery = archive.TakeRecovery();

  // Everything about an archive is checked before anything comes out of it: its
  // names and sizes, then its tag (or the user's word), straight from the zip.
  // A folder is read where it is.
  const bool fromFolder = IsFolder(archivePath);
  if (!fromFolder) {
    outcome.openError = ArchiveOpenError(archivePath);
    if (outcome.openError != ERROR_SUCCESS) return Ended(outcome, RestoreResult::kInvalid);
  }
  const std::vector<std::string> keys = LoadArchiveKeys();
  ArchiveTrust trust = ArchiveTrust::kUntagged;
  if (fromFolder) {
    const long long size = FileSize(archivePath + "\\Config.ini");
    if (size < 0) {
      outcome.invalidReason = "the folder holds no record file (Config.ini)";
      return Ended(outcome, RestoreResult::kInvalid);
    }
    if (size > static_cast<long long>(kMaxRecordFileBytes)) {
      outcome.invalidReason = "its record file is larger than any backup's";
      return Ended(outcome, RestoreResult::kInvalid);
    }
    trust = CheckArchiveFolder(archivePath, keys);
  } else {
    if (!archive.OpenBackup(archivePath, outcome.invalidReason)) {
      return Ended(outcome, RestoreResult::kInvalid);
    }
    trust = archive.CheckOpenedBackup(keys);
  }
  if (trust != ArchiveTrust::kMadeHere && !options.trustArchive) {
    archive.CloseBackup();
    outcome.untrusted = true;
    return Ended(outcome, RestoreResult::kDeclined);
  }
  // The records come straight from the archive: its values can be restored
  // even when its saved keys and files cannot be unpacked (a temporary folder
  // that cannot be written is no fault of the archive's).
  const std::string source = fromFolder ? archivePath : archive.StagingFolder();
  std::string text;
  if (fromFolder ? !ReadWholeFile(source + "\\Config.ini", text) : !archive.ReadOpenedRecords(text)) {
    archive.CloseBackup();
    outcome.invalidReason = "its record file cannot be read";
    return Ended(outcome, RestoreResult::kInvalid);
  }
  std::string unpackFailure;
  if (!fromFolder && !archive.ExtractOpenedBackup()) {
    unpackFailure = archive.PrepareFailure().empty() ? "the archive could not be unpacked"
                                                     : archive.PrepareFailure();
  }

  const RecordFile file = ParseRecordFile(text);
  const bool all = options.items.empty();
  outcome.damaged = all && (file.truncated || (!fromFolder && archive.BadEntries() > 0));
  for (size_t index = 0; index < file.records.size(); ++index) {
    const BackupRecord& record = file.records[index];
    const int number = static_cast<int>(index) + 1;
    if (!all && std::find(options.items.begin(), options.items.end(), number) == options.items.end()) {
      continue;
    }
    // Only a key's export and a file's copy come out of the archive.
    const bool unpacked = unpackFailure.empty() || record.kind == BackupRecord::kRegValue;
    if (!unpacked) outcome.stagingFailure = unpackFailure;
    const RecordRestore restored = unpacked ? RestoreRecord(source, record, options.replaceChanged)
                                            : RecordRestore{ItemRestore::kFailed, kNotUnpackedReason, false};
    RestoredItem item;
    item.number = number;
    item.kind = record.kind;
    item.keyName = record.keyName;
    item.valueName = record.valueName;
    item.destPath = record.destPath;
    item.name = RecordDisplayName(record);
    item.outcome = restored.outcome;
    item.reason = restored.reason;
    item.replaceable = restored.replaceable;
    outcome.items.push_back(item);
  }
  // A chosen item the archive does not hold (it changed since it was listed).
  for (int number : options.items) {
    if (number < 1 || static_cast<size_t>(number) > file.records.size()) {
      outcome.missingItems.push_back(number);
    }
  }
  if (!fromFolder && unpackFailure.empty()) archive.ClearStaging();
  outcome.result = RestoreResult::kRestored;
  outcome.Settle();
  return outcome;
}

std::string RestoreMessage(const RestoreOutcome& outcome, size_t maxNamed) {
  switch (outcome.result) {
    case RestoreResult::kNoSelection: return "Please Select a backup Date";
    case RestoreResult::kBusy: return kAnotherRunMessage;
    case RestoreResult::kInvalid:
      if (outcome.openError != ERROR_SUCCESS) {
        return ArchiveOpenMessage(outcome.archive, outcome.openError) + " Nothing was restored.";
      }
      return std::string("Backup is Invalid, Cannot Recover items") +
             (outcome.invalidReason.empty() ? "" : "\r\n\r\nNothing was taken out of it: " +
                                                       outcome.invalidReason + ".");
    case RestoreResult::kDeclined: return "";
    case RestoreResult::kRestored:
    case RestoreResult::kErrors: break;
  }
  const bool errors = outcome.result == RestoreResult::kErrors;
  std::string text = errors ? "Not all backed items were restored, Errors Occured" : "Items Restored";
  if (!outcome.stagingFailure.empty()) {
    text += "\r\n\r\nThe archive is sound, but its saved keys and files could not be unpacked: " +
            outcome.stagingFailure + ".";
  }
  size_t unchanged = 0, replaced = 0, named = 0, unnamed = 0;
  struct Group {
    ItemRestore outcome;
    const char* heading;
  };
  std::vector<Group> groups = {{ItemRestore::kKeptCurrent, "Kept as they are now:"},
                               {ItemRestore::kRefused, "Refused, nothing of them written:"},
                               {ItemRestore::kFailed, "Not restored:"}};
  // When not everything came back, what did is named too.
  if (errors) groups.push_back({ItemRestore::kRestored, "Restored:"});
  for (const Group& group : groups) {
    std::string lines;
    for (const RestoredItem& item : outcome.items) {
      if (item.outcome != group.outcome) continue;
      if (named++ >= maxNamed) {
        ++unnamed;
        continue;
      }
      lines += "\r\n" + item.name + (item.reason.empty() ? "" : ": " + item.reason);
    }
    if (!lines.empty()) text += "\r\n\r\n" + std::string(group.heading) + lines;
  }
  if (unnamed > 0) text += "\r\n... and " + Count(unnamed, " more item.", " more items.");
  for (const RestoredItem& item : outcome.items) {
    unchanged += item.outcome == ItemRestore::kUnchanged ? 1 : 0;
    replaced += item.outcome == ItemRestore::kReplaced ? 1 : 0;
  }
  if (replaced > 0) {
    text += "\r\n\r\n" + Count(replaced, " item was", " items were") + " replaced with the saved data.";
  }
  if (unchanged > 0) {
    text += "\r\n\r\n" + Count(unchanged, " item was", " items were") +
            " there already as saved: nothing to do.";
  }
  if (outcome.damaged) {
    text += "\r\n\r\nThe archive is damaged: its record file is cut short or some of its "
            "entries cannot be read.";
  }
  if (!outcome.missingItems.empty()) {
    text += "\r\n\r\nThe archive does not hold the items";
    for (size_t i = 0; i < outcome.missingItems.size(); ++i) {
      text += (i ? ", " : " ") + std::to_string(outcome.missingItems[i]);
    }
    text += ".";
  }
  return text;
}
