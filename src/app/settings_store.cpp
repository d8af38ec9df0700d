#include "app/settings_store.h"

#include <windows.h>

#include <vector>

#include "backup/program_folder.h"
#include "core/handles.h"
#include "core/product.h"
#include "core/registry.h"
#include "core/section_catalogue.h"

namespace {

const char kRunKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";

bool ReadFlag(const char* name) {
  CRegistry settings(HKEY_CURRENT_USER, qb::kSettingsKeyPath);
  DWORD value = 0;
  return settings.QueryDwordValue(name, value) && value != 0;
}

void WriteFlag(const char* name, bool on) {
  CRegistry settings(HKEY_CURRENT_USER, qb::kSettingsKeyPath);
  if (settings.IsOpen()) settings.SetDwordValue(name, on ? 1 : 0);
}

std::string TrimTrailingBackslashes(std::string text) {
  while (!text.empty() && text.back() == '\\') text.pop_back();
  return text;
}

std::string RunningProgramPath() {
  std::vector<char> path(MAX_PATH);
  for (;;) {
    const DWORD length = GetModuleFileNameA(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0) return "";
    if (length < path.size()) return std::string(path.data(), length);
    path.resize(path.size() * 2);
  }
}

}  // namespace

bool SettingsKeyMissing() { return !SettingsKeyExists(); }

bool ReadRunAtStartup() { return ReadFlag("RunAtStartup"); }

bool WriteRunAtStartup(bool on) {
  WriteFlag("RunAtStartup", on);
  if (on) {
    // The whole path, however long: a cut path would start nothing at log-on.
    return SetRunAtLogon(qb::kMakerName, "\"" + RunningProgramPath() + "\"");
  }
  if (ClearRunAtLogon(qb::kMakerName)) return true;
  // Nothing to clear is as good as cleared.
  KeyHandle run;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, kRunKey, 0, KEY_READ, run.Receive()) != ERROR_SUCCESS) {
    return true;
  }
  return RegQueryValueExA(run.Get(), qb::kMakerName, nullptr, nullptr, nullptr, nullptr) !=
         ERROR_SUCCESS;
}

bool ReadSelectAll() { return ReadFlag("Select All"); }
void WriteSelectAll(bool on) { WriteFlag("Select All", on); }
bool ReadAutoBackup() { return ReadFlag("AutoBackup"); }
void WriteAutoBackup(bool on) { WriteFlag("AutoBackup", on); }

std::string DefaultLogFolder() { return TrimTrailingBackslashes(ProgramFolder()) + "\\logs"; }

std::string ReadLogFolder() {
  CRegistry settings(HKEY_CURRENT_USER, qb::kSettingsKeyPath);
  std::string folder;
  if (settings.QueryStringValue("LogFilePath", folder) && !folder.empty()) return folder;
  return DefaultLogFolder();
}

void WriteLogFolder(const std::string& folder) {
  CRegistry settings(HKEY_CURRENT_USER, qb::kSettingsKeyPath);
  if (settings.IsOpen()) settings.SetStringValue("LogFilePath", folder);
}

bool SetRunAtLogon(const std::string& name, const std::string& text) {
  if (name.empty() || text.empty()) return false;
  KeyHandle run;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, kRunKey, 0, KEY_ALL_ACCESS, run.Receive()) !=
      ERROR_SUCCESS) {
    return false;
  }
  return RegSetValueExA(run.Get(), name.c_str(), 0, REG_SZ,
                        reinterpret_cast<const BYTE*>(text.c_str()),
                        static_cast<DWORD>(text.size())) == ERROR_SUCCESS;
}

bool ClearRunAtLogon(const std::string& name) {
  if (name.empty()) return false;
  KeyHandle run;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, kRunKey, 0, KEY_ALL_ACCESS, run.Receive()) !=
      ERROR_SUCCESS) {
    return false;
  }
  return RegDeleteValueA(run.Get(), name.c_str()) == ERROR_SUCCESS;
}
