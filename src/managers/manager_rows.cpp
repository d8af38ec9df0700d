#include "managers/manager_rows.h"

#include <shlwapi.h>

#include <functional>

#include "core/registry.h"
#include "scan/section_scanner.h"
#include "scan/view_paths.h"

namespace {

std::string ReadString(HKEY root, const std::string& keyPath, const std::string& name) {
  std::string text;
  CRegistry key;
  if (key.OpenKey(root, keyPath)) key.QueryStringValue(name, text);
  return text;
}

void ReadApproval(ManagerRow& row) {
  std::string bytes;
  const bool present = ReadApprovalValue(row.rootKey, row.approvedKey, row.approvedName, bytes);
  row.enabled = ApprovalEnabled(present, bytes);
}

using AppendRows = std::function<void(std::vector<ManagerRow>&, const ViewKey&)>;

// The rows of a key, then those of its twin in the 32-bit view unless the system
// shares the key between the views. A 32-bit program's rows say so after the name.
void AppendBothViews(std::vector<ManagerRow>& rows, HKEY root, const std::string& keyPath,
                     const AppendRows& append) {
  for (const ViewKey& key : KeysOfBothViews(root, keyPath)) {
    const size_t first = rows.size();
    append(rows, key);
    if (key.view != RegistryView::k32) continue;
    for (size_t i = first; i < rows.size(); ++i) rows[i].name = ThirtyTwoBitName(rows[i].name);
  }
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
    ManagerRow row = {name, text, root, runKeyPath, name};
    row.approvedKey = ApprovedKeyOfRunKey(runKeyPath);
    row.approvedName = name;
    ReadApproval(row);
    rows.push_back(row);
  }
}

void AppendStartupFolderRows(std::vector<ManagerRow>& rows, HKEY root, const std::string& folder) {
  for (const std::string& file : StartupShortcuts(folder)) {
    ManagerRow row = {file.substr(0, file.size() - 4), "", root, "", ""};
    row.linkPath = folder + "\\" + file;
    std::string description;
    // A shortcut that cannot be read whole shows no target rather than a wrong one.
    if (FAILED(ResolveShortcut(row.linkPath, row.file, description))) row.file.clear();
    row.approvedKey = StartupApprovedKey(kApprovedStartupFolder);
    row.approvedName = file;
    ReadApproval(row);
    rows.push_back(row);
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

std::vector<ManagerRow> ReadStartupRows() {
  std::vector<ManagerRow> rows;
  for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) {
    AppendBothViews(rows, root, kRunKeyPath, [root](std::vector<ManagerRow>& out, const ViewKey& key) {
      AppendStartupRows(out, root, key.keyPath);
    });
  }
  const StartupFolders folders = SystemStartupFolders();
  AppendStartupFolderRows(rows, HKEY_CURRENT_USER, folders.user);
  AppendStartupFolderRows(rows, HKEY_LOCAL_MACHINE, folders.common);
  return rows;
}

std::vector<ManagerRow> ReadBhoRows() {
  std::vector<ManagerRow> rows;
  // A 32-bit program's helper objects are classes registered for 32-bit programs.
  AppendBothViews(rows, HKEY_LOCAL_MACHINE, kBhoKeyPath,
                  [](std::vector<ManagerRow>& out, const ViewKey& key) {
                    AppendBhoRows(out, HKEY_LOCAL_MACHINE, key.keyPath,
                                  key.view == RegistryView::k32
                                      ? Wow64KeyPath(kClsidKeyPath, true)
                                      : std::string(kClsidKeyPath));
                  });
  return rows;
}

std::vector<ManagerRow> ReadAddRemoveRows() {
  std::vector<ManagerRow> rows;
  AppendBothViews(rows, HKEY_LOCAL_MACHINE, kUninstallKeyPath,
                  [](std::vector<ManagerRow>& out, const ViewKey& key) {
                    AppendUninstallRows(out, HKEY_LOCAL_MACHINE, key.keyPath);
                  });
  return rows;
}

std::string ThirtyTwoBitName(const std::string& name) {
  return name.empty() ? "(32-bit)" : name + " (32-bit)";
}

const char* StartupStateText(const ManagerRow& row) { return row.enabled ? "Enabled" : "Disabled"; }
