// quillbane-cli startup list [--json]
// quillbane-cli startup disable|enable|remove --id N[,M...] [--json]
// quillbane-cli bho list [--json]
// quillbane-cli programs list [--json]
//
// The managers' lists for administrators of many machines. The ids are the
// places in `startup list` (from 1), read anew by every command.

#include <windows.h>

#include <cstdio>
#include <memory>

#include "backup/backup_archive.h"
#include "backup/manager_export.h"
#include "backup/restore_items.h"
#include "cli/commands.h"
#include "cli/console_out.h"
#include "cli/scan_report.h"
#include "core/handles.h"
#include "core/registry.h"
#include "managers/manager_rows.h"
#include "scan/referenced_paths.h"

namespace {

struct InventoryOptions {
  std::string ids;
  bool json = false;
};

// "32" for a row of a key below Wow6432Node, "64" for another key, "" for a shortcut.
std::string Bits(const ManagerRow& row) {
  if (row.keyPath.empty()) return "";
  return ViewName(ViewOfKey(row.keyPath));
}

std::string Where(const ManagerRow& row) {
  return row.linkPath.empty() ? RootKeyName(row.rootKey) + "\\" + row.keyPath : row.linkPath;
}

bool FileExistsFor(const ManagerRow& row) {
  return ReadReferencedPath(row.file, ViewOfKey(row.keyPath)) != PathReading::kMissing;
}

nlohmann::json RowJson(size_t index, const ManagerRow& row, const char* fileField) {
  nlohmann::json item;
  item["id"] = index + 1;
  item["name"] = row.name;
  item[fileField] = row.file;
  if (row.linkPath.empty()) {
    item["root"] = RootKeyName(row.rootKey);
    item["key"] = row.keyPath;
    item["bits"] = Bits(row);
  } else {
    item["linkPath"] = row.linkPath;
    item["bits"] = nullptr;
  }
  return item;
}

int PrintList(const std::vector<ManagerRow>& rows, bool json, bool startup, const char* fileField) {
  if (json) {
    nlohmann::json list = nlohmann::json::array();
    for (size_t i = 0; i < rows.size(); ++i) {
      nlohmann::json item = RowJson(i, rows[i], fileField);
      if (startup) {
        if (rows[i].linkPath.empty()) item["valueName"] = rows[i].valueName;
        item["where"] = Where(rows[i]);
        item["enabled"] = rows[i].enabled;
        // A value that names no file (a number, nothing) has no answer.
        if (rows[i].file.empty()) {
          item["fileExists"] = nullptr;
        } else {
          item["fileExists"] = FileExistsFor(rows[i]);
        }
      }
      list.push_back(item);
    }
    if (!WriteText(stdout, DumpJson(list) + "\n")) return kExitUsage;
    return kExitDone;
  }
  if (rows.empty()) PrintTo(stdout, "Nothing is listed.\n");
  for (size_t i = 0; i < rows.size(); ++i) {
    const ManagerRow& row = rows[i];
    std::string line = std::to_string(i + 1) + "\t";
    if (startup) line += std::string(StartupStateText(row)) + (row.file.empty() || FileExistsFor(row) ? "" : " (file missing)") + "\t";
    line += ConsoleText(row.name) + "\t" + ConsoleText(row.file) + "\t" + ConsoleText(Where(row));
    PrintTo(stdout, "%s\n", line.c_str());
  }
  return kExitDone;
}

enum class Change { kDisable, kEnable, kRemove };

const char* ChangeOutcome(StateChange change) {
  switch (change) {
    case StateChange::kChanged: return "changed";
    case StateChange::kUnchanged: return "unchanged";
    case StateChange::kGone: return "gone";
    case StateChange::kFailed: return "failed";
  }
  return "";
}

const char* RemovalOutcome(EntryRemoval removal) {
  switch (removal) {
    case EntryRemoval::kRemoved: return "removed";
    case EntryRemoval::kAlreadyGone: return "gone";
    case EntryRemoval::kBackupFailed: return "backupFailed";
    case EntryRemoval::kDeletionFailed: return "failed";
  }
  return "";
}

int RunChange(Change change, const InventoryOptions& options) {
  const ComApartment com;
  const std::vector<ManagerRow> rows = ReadStartupRows();
  std::vector<int> ids;
  std::string error;
  if (!ParseItemNumbers(options.ids, static_cast<int>(rows.size()), ids, error)) {
    PrintTo(stderr, "--id: %s\n", error.c_str());
    return kExitUsage;
  }
  FILETIME now = {};
  GetSystemTimeAsFileTime(&now);
  const std::string folder = ManagerExportFolder(DefaultBackupFolder(), ManagerExportKind::kStartup);
  bool failed = false;
  nlohmann::json items = nlohmann::json::array();
  for (int id : ids) {
    const ManagerRow& row = rows[static_cast<size_t>(id - 1)];
    std::string outcome, reason;
    if (change == Change::kRemove) {
      const EntryRemoval removal = BackupAndRemoveStartupEntry(row, folder, &reason);
      outcome = RemovalOutcome(removal);
      failed = failed || removal == EntryRemoval::kBackupFailed || removal == EntryRemoval::kDeletionFailed;
    } else {
      const StateChange result = SetStartupEntryEnabled(row, change == Change::kEnable, now);
      outcome = ChangeOutcome(result);
      failed = failed || result == StateChange::kFailed;
    }
    if (options.json) {
      nlohmann::json item = {{"id", id}, {"name", row.name}, {"where", Where(row)}, {"outcome", outcome}};
      if (!reason.empty()) item["reason"] = reason;
      items.push_back(item);
    } else {
      PrintTo(stdout, "%d\t%s\t%s%s\n", id, ConsoleText(row.name).c_str(), outcome.c_str(),
              reason.empty() ? "" : (": " + ConsoleText(reason)).c_str());
    }
  }
  if (options.json) {
    nlohmann::json document = {{"items", items}};
    if (change == Change::kRemove) document["backupFolder"] = folder;
    if (!WriteText(stdout, DumpJson(document) + "\n")) return kExitUsage;
  } else if (change == Change::kRemove) {
    PrintTo(stdout, "Backups are in %s\n", ConsoleText(folder).c_str());
  }
  return failed ? kExitUsage : kExitDone;
}

CLI::App* AddList(CLI::App* parent, InventoryOptions& options, const char* what) {
  CLI::App* list = parent->add_subcommand("list", what);
  list->add_flag("--json", options.json, "Print one JSON document");
  return list;
}

}  // namespace

void AddInventoryCommands(CLI::App& app, int& exitCode) {
  auto options = std::make_shared<InventoryOptions>();

  CLI::App* startup = app.add_subcommand("startup", "List, disable, enable or remove what Windows starts at log-on");
  startup->require_subcommand(1);
  AddList(startup, *options, "List the Run entries and Startup-folder shortcuts, numbered")
      ->callback([&exitCode, options] {
        // Shortcut targets are read through the shell-link object.
        const ComApartment com;
        exitCode = PrintList(ReadStartupRows(), options->json, true, "command");
      });
  const struct {
    const char* name;
    const char* help;
    Change change;
  } changes[] = {
      {"disable", "Disable entries as Windows does (their StartupApproved value)", Change::kDisable},
      {"enable", "Enable entries again", Change::kEnable},
      {"remove", "Back entries up into Backup\\StartupBackup, then remove them", Change::kRemove},
  };
  for (const auto& c : changes) {
    CLI::App* command = startup->add_subcommand(c.name, c.help);
    command->add_option("--id", options->ids, "The entries' ids as `startup list` shows them, e.g. 2 or 1,3")
        ->required();
    command->add_flag("--json", options->json, "Print one JSON document");
    const Change change = c.change;
    command->callback([&exitCode, options, change] { exitCode = RunChange(change, *options); });
  }

  CLI::App* bho = app.add_subcommand("bho", "List Internet Explorer's browser helper objects");
  bho->require_subcommand(1);
  AddList(bho, *options, "List the browser helper objects")->callback([&exitCode, options] {
    exitCode = PrintList(ReadBhoRows(), options->json, false, "file");
  });

  CLI::App* programs = app.add_subcommand("programs", "List the entries of the installed-programs list");
  programs->require_subcommand(1);
  AddList(programs, *options, "List the installed-programs entries")->callback([&exitCode, options] {
    exitCode = PrintList(ReadAddRemoveRows(), options->json, false, "uninstallString");
  });
}
