// quillbane-cli ignore list [--json]
// quillbane-cli ignore add    (--key KEY [--value NAME] | --link PATH)
// quillbane-cli ignore remove (--key KEY [--value NAME] | --link PATH | --id ID)

#include <windows.h>

#include <cstdio>
#include <memory>

#include "cli/commands.h"
#include "cli/console_out.h"
#include "cli/scan_report.h"
#include "core/ignore_list.h"
#include "core/registry.h"

namespace {

struct IgnoreOptions {
  std::string key, value, link, id;
  bool json = false;
};

nlohmann::json EntryJson(const IgnoreEntry& entry) {
  nlohmann::json item;
  item["id"] = IgnoreEntryId(entry);
  item["type"] = IgnoreKindName(entry);
  if (entry.kind == IgnoreEntry::kShortcut) {
    item["linkPath"] = entry.linkPath;
  } else {
    item["root"] = RootKeyName(entry.rootKey);
    item["key"] = entry.keyPath;
    if (entry.kind == IgnoreEntry::kValue) item["valueName"] = entry.valueName;
  }
  item["text"] = IgnoreText(entry);
  return item;
}

int RunList(bool json) {
  const std::vector<IgnoreEntry> entries = ReadIgnoreEntries();
  if (json) {
    nlohmann::json list = nlohmann::json::array();
    for (const IgnoreEntry& entry : entries) list.push_back(EntryJson(entry));
    PrintTo(stdout, "%s\n", DumpJson(list).c_str());
    return kExitDone;
  }
  if (entries.empty()) PrintTo(stdout, "The ignore list is empty.\n");
  for (const IgnoreEntry& entry : entries) {
    PrintTo(stdout, "%s\t%s\n", ConsoleText(IgnoreEntryId(entry)).c_str(),
                ConsoleText(IgnoreText(entry)).c_str());
  }
  return kExitDone;
}

std::string FullPath(const std::string& path) {
  std::vector<wchar_t> full(32768);
  const DWORD length =
      GetFullPathNameW(WideText(path).c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
  return length > 0 && length < full.size() ? NarrowText(std::wstring(full.data(), length)) : path;
}

// The entry the options name; false (with the message shown) when they name none.
bool EntryFromOptions(const IgnoreOptions& options, bool valueGiven, IgnoreEntry& entry) {
  if (!options.link.empty()) {
    entry = IgnoreEntry();
    entry.kind = IgnoreEntry::kShortcut;
    entry.linkPath = FullPath(options.link);
    return true;
  }
  if (options.key.empty()) {
    PrintTo(stderr, "give --key KEY [--value NAME] or --link PATH\n");
    return false;
  }
  std::string error;
  if (!RegistryIgnoreEntry(options.key, valueGiven ? &options.value : nullptr, entry, error)) {
    PrintTo(stderr, "--key: %s\n", error.c_str());
    return false;
  }
  return true;
}

int RunAdd(const IgnoreOptions& options, bool valueGiven) {
  IgnoreEntry entry;
  if (!EntryFromOptions(options, valueGiven, entry)) return kExitUsage;
  bool added = false;
  if (!AddIgnoreEntry(entry, added)) {
    PrintTo(stderr, "The ignore list could not be written.\n");
    return kExitUsage;
  }
  PrintTo(stdout, "%s %s\n", added ? "Ignored:" : "Already ignored:", ConsoleText(IgnoreText(entry)).c_str());
  return kExitDone;
}

int RunRemove(const IgnoreOptions& options, bool valueGiven) {
  IgnoreEntry entry;
  if (!options.id.empty()) {
    bool found = false;
    for (const IgnoreEntry& stored : ReadIgnoreEntries()) {
      if (IgnoreEntryId(stored) == options.id) {
        entry = stored;
        found = true;
      }
    }
    if (!found) {
      PrintTo(stderr, "No ignore list entry has the id %s.\n", ConsoleText(options.id).c_str());
      return kExitUsage;
    }
  } else if (!EntryFromOptions(options, valueGiven, entry)) {
    return kExitUsage;
  }
  const int removed = RemoveIgnoreEntry(entry);
  const std::string text = ConsoleText(IgnoreText(entry));
  if (removed < 0) {
    PrintTo(stderr, "The ignore list could not be changed.\n");
    return kExitUsage;
  }
  if (removed == 0) {
    PrintTo(stderr, "Not in the ignore list: %s\n", text.c_str());
    return kExitUsage;
  }
  PrintTo(stdout, "Removed from the ignore list: %s\n", text.c_str());
  return kExitDone;
}

// The selectors add and remove share.
struct Selectors {
  CLI::Option* value;
};

Selectors AddSelectors(CLI::App* command, IgnoreOptions& options) {
  CLI::Option* key = command->add_option(
      "--key", options.key, "A registry key, e.g. \"HKEY_CURRENT_USER\\Software\\Vendor\"");
  CLI::Option* value =
      command->add_option("--value", options.value, "A value of that key (\"\" for its default)")
          ->needs(key);
  command->add_option("--link", options.link, "A shortcut file")->excludes(key);
  return {value};
}

}  // namespace

void AddIgnoreCommand(CLI::App& app, int& exitCode) {
  CLI::App* ignore = app.add_subcommand(
      "ignore", "List, add or remove the problems every scan ignores");
  ignore->require_subcommand(1);
  auto options = std::make_shared<IgnoreOptions>();

  CLI::App* list = ignore->add_subcommand("list", "List the ignored items");
  list->add_flag("--json", options->json, "Print one JSON document");
  list->callback([&exitCode, options] { exitCode = RunList(options->json); });

  CLI::App* add = ignore->add_subcommand("add", "Ignore a registry value, a whole key or a shortcut");
  const Selectors forAdd = AddSelectors(add, *options);
  add->callback([&exitCode, options, forAdd] {
    exitCode = RunAdd(*options, forAdd.value->count() > 0);
  });

  CLI::App* remove = ignore->add_subcommand("remove", "Take an item off the ignore list");
  const Selectors forRemove = AddSelectors(remove, *options);
  remove->add_option("--id", options->id, "The entry's id as `ignore list` shows it");
  remove->callback([&exitCode, options, forRemove] {
    exitCode = RunRemove(*options, forRemove.value->count() > 0);
  });
}
