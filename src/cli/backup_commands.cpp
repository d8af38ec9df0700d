// quillbane-cli backups [--json]
// quillbane-cli restore <archive.zip | folder> [--trust-archive] [--replace] [--json]
//                       [--list [--json] | --item N[,M...]]

#include <windows.h>

#include <cstdio>
#include <memory>

#include "backup/backup_archive.h"
#include "backup/file_utils.h"
#include "backup/manager_export.h"
#include "backup/removal_lock.h"
#include "backup/restore.h"
#include "backup/restore_items.h"
#include "cli/commands.h"
#include "cli/console_out.h"
#include "cli/scan_report.h"
#include "core/product.h"

namespace {


std::string FullPath(const std::string& path) {
  char full[MAX_PATH * 4] = {};
  const DWORD length = GetFullPathNameA(path.c_str(), sizeof(full), full, nullptr);
  return length > 0 && length < sizeof(full) ? std::string(full, length) : path;
}

int RunBackups(bool json) {
  {
    // Listing is when a user looks for what an interrupted removal saved: pack
    // it first (unless a removal or restore is running right now).
    BackupArchive archive;
    RemovalLock lock;
    if (lock.Held()) {
      archive.RecoverUnfinishedRun();
      PrintMessage(json ? stderr : stdout, RecoveryMessage(archive.TakeRecovery()));
    }
  }
  const std::vector<BackupEntry> entries = FillBackupList(DefaultBackupFolder());
  if (json) {
    nlohmann::json list = nlohmann::json::array();
    for (const BackupEntry& entry : entries) {
      nlohmann::json item = {{"name", entry.displayName}, {"path", entry.path}, {"kind", entry.kind}};
      if (entry.kind != "archive") item["holds"] = entry.holds;
      list.push_back(item);
    }
    PrintTo(stdout, "%s\n", DumpJson(list).c_str());
    return kExitDone;
  }
  if (entries.empty()) PrintTo(stdout, "No backups in %s\n", DefaultBackupFolder().c_str());
  for (const BackupEntry& entry : entries) {
    PrintTo(stdout, "%s\t%s\n", entry.displayName.c_str(), entry.path.c_str());
  }
  return kExitDone;
}

// A bare archive name is looked for in the backup folder, a bare export name in
// the managers' folders below it.
std::string ArchivePath(const std::string& argument) {
  std::string path = argument;
  if (FileAttributes(path) == INVALID_FILE_ATTRIBUTES && argument.find('\\') == std::string::npos &&
      argument.find('/') == std::string::npos) {
    path = DefaultBackupFolder() + "\\" + argument;
    for (ManagerExportKind kind :
         {ManagerExportKind::kStartup, ManagerExportKind::kBho, ManagerExportKind::kAddRemove}) {
      const std::string exported =
          DefaultBackupFolder() + "\\" + ManagerExportFolderName(kind) + "\\" + argument;
      if (FileAttributes(path) == INVALID_FILE_ATTRIBUTES && ManagerExportKindOf(exported) == kind &&
          FileAttributes(exported) != INVALID_FILE_ATTRIBUTES) {
        path = exported;
      }
    }
  }
  return FullPath(path);
}

nlohmann::json RecordJson(int number, const BackupRecord& record) {
  nlohmann::json item;
  item["item"] = number;
  item["type"] = RecordKindName(record);
  if (record.kind == BackupRecord::kFile) {
    item["linkPath"] = record.destPath;
    return item;
  }
  const size_t slash = record.keyName.find('\\');
  item["root"] = record.keyName.substr(0, slash);
  item["key"] = slash == std::string::npos ? std::string() : record.keyName.substr(slash + 1);
  if (record.kind == BackupRecord::kRegValue) {
    item["valueName"] = record.valueName;
    item["valueData"] = record.value;
  }
  return item;
}

// A manager's backup holds one entry and is restored whole: it has no numbered
// items for --list and --item. Said plainly, rather than calling it invalid.
bool RefusedAsManagerBackup(const std::string& path) {
  if (ManagerExportKindOf(path) == ManagerExportKind::kNone) return false;
  PrintTo(stderr, "%s\nThis is a manager's backup of one entry: restore it whole (without --list or --item).\n",
          ConsoleText(path).c_str());
  return true;
}

int RunRestoreList(const std::string& path, bool json) {
  if (RefusedAsManagerBackup(path)) return kExitUsage;
  RecordFile file;
  std::string problem;
  if (!ReadArchiveRecords(path, file, &problem)) {
    PrintTo(stderr, "%s\n", ConsoleText(problem).c_str());
    return kExitUsage;
  }
  nlohmann::json list = nlohmann::json::array();
  for (size_t i = 0; i < file.records.size(); ++i) {
    const BackupRecord& record = file.records[i];
    if (json) {
      list.push_back(RecordJson(static_cast<int>(i) + 1, record));
      continue;
    }
    std::string place = record.kind == BackupRecord::kFile ? record.destPath : record.keyName;
    if (record.kind == BackupRecord::kRegValue) {
      place += "  " + (record.valueName.empty() ? std::string("(Default)") : record.valueName);
    }
    PrintTo(stdout, "%zu\t%s\t%s\n", i + 1, RecordKindName(record), ConsoleText(place).c_str());
  }
  if (json) PrintTo(stdout, "%s\n", DumpJson(list).c_str());
  if (!json && file.records.empty()) PrintTo(stdout, "The archive holds no items.\n");
  return kExitDone;
}

const char* ItemOutcomeName(ItemRestore outcome) {
  switch (outcome) {
    case ItemRestore::kRestored: return "restored";
    case ItemRestore::kUnchanged: return "unchanged";
    case ItemRestore::kReplaced: return "replaced";
    case ItemRestore::kKeptCurrent: return "kept";
    case ItemRestore::kRefused: return "refused";
    case ItemRestore::kFailed: return "failed";
  }
  return "";
}

const char* ResultName(RestoreResult result) {
  switch (result) {
    case RestoreResult::kNoSelection:
    case RestoreResult::kInvalid: return "invalid";
    case RestoreResult::kBusy: return "busy";
    case RestoreResult::kDeclined: return "declined";
    case RestoreResult::kRestored: return "restored";
    case RestoreResult::kErrors: return "errors";
  }
  return "";
}

nlohmann::json RestoreJson(const std::string& path, const RestoreOutcome& outcome) {
  nlohmann::json document;
  document["archive"] = path;
  document["result"] = ResultName(outcome.result);
  document["message"] = RestoreMessage(outcome);
  if (!outcome.invalidReason.empty()) document["reason"] = outcome.invalidReason;
  if (outcome.openError != ERROR_SUCCESS) {
    document["reason"] = "it cannot be opened: " + ErrorReason(outcome.openError);
  }
  if (!outcome.stagingFailure.empty()) document["stagingFailure"] = outcome.stagingFailure;
  document["damaged"] = outcome.damaged;
  document["missingItems"] = outcome.missingItems;
  nlohmann::json items = nlohmann::json::array();
  for (const RestoredItem& restored : outcome.items) {
    BackupRecord record;
    record.kind = restored.kind;
    record.keyName = restored.keyName;
    record.valueName = restored.valueName;
    record.destPath = restored.destPath;
    nlohmann::json item = RecordJson(restored.number, record);
    item.erase("valueData");
    item["outcome"] = ItemOutcomeName(restored.outcome);
    if (!restored.reason.empty()) item["reason"] = restored.reason;
    items.push_back(item);
  }
  document["items"] = items;
  return document;
}

int RunRestore(const std::string& path, const std::string* itemList, bool trustArchive,
               bool replace, bool json) {
  RestoreOptions options;
  if (itemList) {
    if (RefusedAsManagerBackup(path)) return kExitUsage;
    RecordFile file;
    std::string problem;
    if (!ReadArchiveRecords(path, file, &problem)) {
      PrintTo(stderr, "%s\n", ConsoleText(problem).c_str());
      return kExitUsage;
    }
    std::string error;
    if (!ParseItemNumbers(*itemList, static_cast<int>(file.records.size()), options.items, error)) {
      PrintTo(stderr, "--item: %s\n", error.c_str());
      return kExitUsage;
    }
  }
  // Beside the JSON document the program's words go to stderr.
  FILE* words = json ? stderr : stdout;
  BackupArchive archive;
  options.trustArchive = trustArchive;
  options.replaceChanged = replace;
  const RestoreOutcome outcome = RestoreArchive(archive, path, options);
  PrintMessage(words, RecoveryMessage(outcome.recovery));
  if (outcome.result == RestoreResult::kDeclined) {
    // No one can answer the window's question here: the user decides up front.
    PrintTo(stderr,
                 "%s\nThis archive was not made by %s for this user account, or it was changed "
                 "since. Nothing was restored. To restore it anyway, run restore again with "
                 "--trust-archive.\n",
                 ConsoleText(path).c_str(), qb::kProductName);
  }
  // An archive that is not there (or cannot be opened) is said on stderr,
  // beside --json every refusal is; the text report keeps the others.
  const bool refused =
      outcome.result == RestoreResult::kBusy || outcome.result == RestoreResult::kInvalid;
  const bool toStderr = outcome.openError != ERROR_SUCCESS || (json && refused);
  if (toStderr) PrintMessage(stderr, RestoreMessage(outcome));
  if (json) {
    PrintTo(stdout, "%s\n", DumpJson(RestoreJson(path, outcome)).c_str());
  } else if (!toStderr && outcome.result != RestoreResult::kDeclined) {
    PrintMessage(words, RestoreMessage(outcome));
    if (!outcome.ReplaceableItems().empty()) {
      PrintTo(stdout, "To write the saved data over what is there now, run restore again with "
                  "--replace.\n");
    }
  }
  return outcome.result == RestoreResult::kRestored ? kExitDone : kExitUsage;
}

}  // namespace

void AddBackupCommands(CLI::App& app, int& exitCode) {
  auto backupsJson = std::make_shared<bool>(false);
  CLI::App* backups = app.add_subcommand("backups", "List the backup archives by date");
  backups->add_flag("--json", *backupsJson, "Print one JSON document");
  backups->callback([&exitCode, backupsJson] { exitCode = RunBackups(*backupsJson); });

  struct RestoreArgs {
    std::string archive, items;
    bool list = false;
    bool json = false;
    bool trust = false;
    bool replace = false;
  };
  auto args = std::make_shared<RestoreArgs>();
  CLI::App* restore = app.add_subcommand("restore", "Restore the items saved in a backup archive");
  restore->add_option("archive", args->archive, "The archive (.zip), a path or a name in the backup folder")
      ->required();
  restore->add_flag("--trust-archive", args->trust,
                    "Restore it even though it was not made by this program for this user account");
  CLI::Option* list = restore->add_flag("--list", args->list, "List the archive's items, numbered");
  restore->add_flag("--json", args->json, "Print one JSON document");
  CLI::Option* items =
      restore->add_option("--item", args->items, "Restore only these items, e.g. 2 or 1,3")->excludes(list);
  restore->add_flag("--replace", args->replace,
                    "Write the saved data over registry items that exist now with other data")
      ->excludes(list);
  restore->callback([&exitCode, args, items] {
    const std::string path = ArchivePath(args->archive);
    exitCode = args->list ? RunRestoreList(path, args->json)
                          : RunRestore(path, items->count() > 0 ? &args->items : nullptr,
                                       args->trust, args->replace, args->json);
  });
}
