#include "cli/backup_commands.h"

#include <windows.h>

#include <cstdio>
#include <memory>

#include "backup/backup_archive.h"
#include "backup/file_utils.h"
#include "backup/problem_removal.h"
#include "backup/removal_lock.h"
#include "backup/restore.h"
#include "backup/restore_items.h"
#include "backup/taken_items.h"
#include "cli/commands.h"
#include "cli/console_interrupt.h"
#include "cli/console_out.h"
#include "cli/scan_report.h"
#include "cli/test_hold.h"
#include "core/product.h"
#include "core/registry.h"
#include "framework/prompt.h"
#include "scan/recheck.h"

namespace {

// The console has no one to click message boxes: their texts go to a stream.
// Questions are never asked here (the backup choice comes from the options).
class ConsolePrompts : public PromptScript {
 public:
  explicit ConsolePrompts(FILE* stream) : m_pStream(stream), m_pPrevious(SetPromptScript(this)) {}
  ~ConsolePrompts() override { SetPromptScript(m_pPrevious); }
  ConsolePrompts(const ConsolePrompts&) = delete;
  ConsolePrompts& operator=(const ConsolePrompts&) = delete;

  // Line by line, escaped: a name from an archive must not drive the terminal.
  void OnMessage(const std::string& text, const std::string&) override {
    size_t start = 0;
    for (;;) {
      const size_t end = text.find('\n', start);
      std::string line = text.substr(start, end == std::string::npos ? end : end - start);
      while (!line.empty() && line.back() == '\r') line.pop_back();
      PrintTo(m_pStream, "%s\n", ConsoleText(line).c_str());
      if (end == std::string::npos) break;
      start = end + 1;
    }
  }
  bool OnQuestion(const std::string&, const std::string&) override { return false; }

 private:
  FILE* m_pStream;
  PromptScript* m_pPrevious;
};

std::string FullPath(const std::string& path) {
  char full[MAX_PATH * 4] = {};
  const DWORD length = GetFullPathNameA(path.c_str(), sizeof(full), full, nullptr);
  return length > 0 && length < sizeof(full) ? std::string(full, length) : path;
}

int RunBackups(bool json) {
  ConsolePrompts prompts(json ? stderr : stdout);
  {
    // Listing is when a user looks for what an interrupted removal saved: pack
    // it first (unless a removal or restore is running right now).
    BackupArchive archive;
    RemovalLock lock;
    if (lock.Held()) archive.RecoverUnfinishedRun();
  }
  const std::vector<BackupEntry> entries = FillBackupList(DefaultBackupFolder());
  if (json) {
    nlohmann::json list = nlohmann::json::array();
    for (const BackupEntry& entry : entries) {
      list.push_back({{"name", entry.displayName}, {"path", entry.path}});
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

// A bare archive name is looked for in the backup folder.
std::string ArchivePath(const std::string& argument) {
  std::string path = argument;
  if (FileAttributes(path) == INVALID_FILE_ATTRIBUTES && argument.find('\\') == std::string::npos &&
      argument.find('/') == std::string::npos) {
    path = DefaultBackupFolder() + "\\" + argument;
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

int RunRestoreList(const std::string& path, bool json) {
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
  ConsolePrompts prompts(json ? stderr : stdout);
  BackupArchive archive;
  options.trustArchive = trustArchive;
  options.replaceChanged = replace;
  const RestoreOutcome outcome = RestoreArchive(archive, path, options);
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
  if (toStderr) {
    ConsolePrompts errors(stderr);
    ShowMessage(RestoreMessage(outcome));
  }
  if (json) {
    PrintTo(stdout, "%s\n", DumpJson(RestoreJson(path, outcome)).c_str());
  } else if (!toStderr && outcome.result != RestoreResult::kDeclined) {
    ShowMessage(RestoreMessage(outcome));
    if (!outcome.ReplaceableItems().empty()) {
      PrintTo(stdout, "To write the saved data over what is there now, run restore again with "
                  "--replace.\n");
    }
  }
  return outcome.result == RestoreResult::kRestored ? kExitDone : kExitUsage;
}

// Checks every problem the scan found and removes them, as Remove Problems does
// with everything checked. `ran` is false when there was nothing to remove.
RemovalOutcome RemoveEverything(SectionCatalogue& catalogue, bool noBackup, bool& ran) {
  int rows = 0;
  for (ScanSection& section : catalogue.Sections()) {
    if (section.problems.empty()) continue;
    ++rows;
    for (auto& problem : section.problems) problem->checked = 1;
  }
  ran = rows > 0;
  if (!ran) return RemovalOutcome();
  const std::string holdFile = TestHoldFile("QUILLBANE_TEST_HOLD");
  const int holdAt = holdFile.empty() ? -2 : TestHoldItem();
  if (holdAt == -1) HoldForTest(holdFile);
  int item = 0;
  RemovalHooks hooks;
  hooks.stopRequested = [&] {
    if (item++ == holdAt) HoldForTest(holdFile);
    return ConsoleInterruptRequested();
  };
  // The section's own test once more: what became valid since the scan stays.
  hooks.recheck = [](const ProblemRecord& problem, std::string& reason) {
    return !RecheckProblem(problem, reason);
  };
  BackupArchive archive;
  return RemoveProblems(catalogue, archive, rows, true,
                        noBackup ? BackupChoice::kNever : BackupChoice::kAlways, hooks);
}

// The scan's document with what the removal did, written while the records live.
void WriteCleanJson(ReportStream& out, const RemovalOutcome& outcome,
                    const ScanReportWriter& writeScan) {
  nlohmann::json fields = nlohmann::json::object();
  fields["archive"] = outcome.archivePath.empty() ? nlohmann::json(nullptr)
                                                  : nlohmann::json(outcome.archivePath);
  fields["aborted"] = outcome.stopped;
  if (!outcome.keptFolder.empty()) fields["keptFolder"] = outcome.keptFolder;
  if (!outcome.backupFailure.empty()) fields["backupFailure"] = outcome.backupFailure;
  if (!outcome.keyNotice.empty()) fields["archiveKeyNotice"] = outcome.keyNotice;
  std::vector<StreamedMember> members;
  members.push_back({"removed", [&outcome](ReportStream& removedOut) {
                       JsonArray removed(removedOut);
                       for (const ProblemRecord* problem : outcome.removed) {
                         nlohmann::json entry = ProblemJson(*problem);
                         const auto with = outcome.removedWith.find(problem);
                         if (with != outcome.removedWith.end()) {
                           entry["with"] = TakenItemName(*with->second);
                         }
                         WriteJson(removed.Next(), entry);
                       }
                       removed.End();
                     }});
  members.push_back({"kept", [&outcome](ReportStream& keptOut) {
                       JsonArray kept(keptOut);
                       for (const KeptProblem& item : outcome.kept) {
                         nlohmann::json entry = ProblemJson(*item.problem);
                         entry["reason"] = item.reason;
                         WriteJson(kept.Next(), entry);
                       }
                       kept.End();
                     }});
  writeScan(out, fields, std::move(members));
}

void WriteCleanText(ReportStream& out, const RemovalOutcome& outcome) {
  out.Write("Removed " + std::to_string(outcome.removed.size()) + ", kept " +
            std::to_string(outcome.kept.size()) + ".\n");
  for (const KeptProblem& item : outcome.kept) {
    // Items a stop left alone are summed up by the removal's own message.
    if (outcome.stopped && item.reason.compare(0, 12, "not reached:") == 0) continue;
    out.Write(ConsoleText("kept (" + item.reason + "): " + item.problem->message) + "\n");
  }
  if (!outcome.archivePath.empty()) out.Write("Backup: " + outcome.archivePath + "\n");
}

int RunClean(const CleanScan& scan, const std::string* sections, int pauseMs, bool noBackup,
             bool json) {
  ConsolePrompts prompts(json ? stderr : stdout);
  // Refused before the scan, so a second run touches nothing (not even a log).
  RemovalLock lock;
  if (!lock.Held()) {
    ShowMessage(kAnotherRunMessage);
    return kExitUsage;
  }
  // What an interrupted run left is packed at once, whatever this scan finds.
  BackupArchive().RecoverUnfinishedRun();
  ConsoleInterrupt interrupt;
  int code = kExitDone;
  bool reported = false;
  bool written = true;
  const int scanned = scan(sections, pauseMs, [&](SectionCatalogue& catalogue, bool completed,
                                                  const ScanReportWriter& writeScan) {
    // An incomplete scan removes nothing.
    RemovalOutcome outcome;
    bool ran = false;
    if (completed) outcome = RemoveEverything(catalogue, noBackup, ran);
    if (ran) code = CleanExitCode(outcome);
    // Said once, when this account's archive key had to be made anew.
    if (!outcome.keyNotice.empty()) ShowMessage(outcome.keyNotice);
    // The records die with the scan: the report is written while they live.
    ReportStream out(stdout);
    if (json && completed) {
      WriteCleanJson(out, outcome, writeScan);
    } else if (json) {
      writeScan(out, nlohmann::json::object(), {});
    } else if (completed) {
      WriteCleanText(out, outcome);
    }
    if (json) out.Write("\n");
    written = out.Finish();
    reported = true;
  });
  if (!reported && json) PrintTo(stdout, "{}\n");
  if (!written) {
    PrintTo(stderr, "%s\n", kReportNotWritten);
    return kExitUsage;
  }
  if (scanned == kExitUsage || scanned == kExitAborted) return scanned;
  std::fflush(stdout);
  return code;
}

}  // namespace

int CleanExitCode(const RemovalOutcome& outcome) {
  if (outcome.busy || !outcome.ran || !outcome.keptFolder.empty()) return kExitUsage;
  if (outcome.stopped) return kExitAborted;
  if (outcome.stillPresent > 0) return kExitStillPresent;
  return outcome.failed > 0 ? kExitUsage : kExitDone;
}

void RegisterBackupCommands(CLI::App& app, int& exitCode, CleanScan scan) {
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

  if (!scan) return;
  struct CleanOptions {
    std::string sections;
    bool backup = false;
    bool noBackup = false;
    bool json = false;
    int pauseMs = 0;
  };
  auto options = std::make_shared<CleanOptions>();
  CLI::App* clean = app.add_subcommand(
      "clean", "Scan, then remove every problem found (backed up unless --no-backup)");
  CLI::Option* sections =
      clean->add_option("--sections", options->sections, "Section ids to scan, e.g. 3,4,13");
  CLI::Option* withBackup =
      clean->add_flag("--backup", options->backup, "Back up before removing (the default)");
  clean->add_flag("--no-backup", options->noBackup, "Remove without a backup")->excludes(withBackup);
  clean->add_flag("--json", options->json, "Print one JSON document");
  AddPauseOption(*clean, options->pauseMs);
  clean->callback([&exitCode, options, sections, scan] {
    exitCode = RunClean(scan, sections->count() > 0 ? &options->sections : nullptr,
                        options->pauseMs, options->noBackup, options->json);
  });
}
