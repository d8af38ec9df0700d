// Services, static drivers and the installed-programs list: each entry is a key
// whose program file must exist; a missing one makes the whole key the problem.

#include <cstring>

#include "core/section_catalogue.h"
#include "scan/path_tests.h"
#include "scan/registry_read.h"
#include "scan/section_scanner.h"

namespace {

void ReplaceAll(std::string& text, const std::string& from, const std::string& to) {
  if (from.empty()) return;
  for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size())) {
    text.replace(at, from.size(), to);
  }
}

}  // namespace

bool AnchorDriverPath(std::string text, bool replaceSystemRoot, const std::string& windowsFolder,
                      std::string& out) {
  if (replaceSystemRoot) {
    ReplaceAll(text, "SystemRoot", windowsFolder);
    ReplaceAll(text, "systemroot", windowsFolder);
  }
  const size_t colon = text.find(':');
  if (colon != std::string::npos) {
    if (colon >= 1) text.erase(0, colon - 1);
  } else if (!text.empty() && text[0] == '\\') {
    text = windowsFolder + text;
  } else {
    text = windowsFolder + "\\" + text;
  }
  if (text.find('.') == std::string::npos) {
    const size_t blank = text.find(' ');
    if (blank == std::string::npos) return false;
    text = text.substr(0, blank) + ".exe";
  }
  out = text;
  return true;
}

bool NormalizeDriverPath(const std::string& text, bool replaceSystemRoot, std::string& out) {
  std::string expanded = text;
  ExpandEnvironment(expanded);
  return AnchorDriverPath(expanded, replaceSystemRoot, GetWindowsFolder(), out);
}

int SectionScanner::ScanServices(int pauseMs) { return ScanDriverKey(true, pauseMs); }
int SectionScanner::ScanVxdFiles(int pauseMs) { return ScanDriverKey(false, pauseMs); }

int SectionScanner::ScanDriverKey(bool services, int pauseMs) {
  const std::string key = services ? "SYSTEM\\CurrentControlSet\\Services"
                                   : "SYSTEM\\CurrentControlSet\\Services\\VXD";
  const char* valueName = services ? "ImagePath" : "StaticVXD";
  const int sectionId = services ? kSystemServices : kVxdFiles;

  ScopedKey hKey;
  if (!hKey.Open(HKEY_LOCAL_MACHINE, key)) return m_bRunning;
  const DWORD count = SubKeyCount(hKey.Get());

  for (DWORD index = 0; index < count && m_bRunning; ++index) {
    std::string name;
    if (EnumSubKeyName(hKey.Get(), index, name)) {
      const std::string subKey = key + "\\" + name;
      const std::string text = ReadRegistryString(HKEY_LOCAL_MACHINE, subKey, valueName);
      if (!text.empty()) {
        std::string path;
        // No path to test: no status, and no pause either.
        if (!NormalizeDriverPath(text, services, path)) continue;
        if (!ReferencedFileExists(path)) {
          ReportRegistry(sectionId, HKEY_LOCAL_MACHINE, subKey, valueName, path, 0,
                         FileNotFoundMessage(path));
        }
        Status("HKEY_LOCAL_MACHINE\\" + subKey);
        Pump();
      }
    }
    PauseAndPump(pauseMs);
  }
  return m_bRunning;
}

int SectionScanner::ScanUninstallEntries(int pauseMs) {
  const std::string key = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
  ScopedKey hKey;
  if (!hKey.Open(HKEY_LOCAL_MACHINE, key)) return m_bRunning;
  const DWORD count = SubKeyCount(hKey.Get());

  for (DWORD index = 0; index < count && m_bRunning; ++index) {
    std::string name;
    if (!EnumSubKeyName(hKey.Get(), index, name)) continue;

    const std::string entryKey = key + "\\" + name;
    ScopedKey hEntry;
    if (hEntry.Open(HKEY_LOCAL_MACHINE, entryKey)) {
      // A system component: a number 1 in the value's first four bytes.
      unsigned char flag[260] = {};
      DWORD size = sizeof(flag);
      if (RegQueryValueExA(hEntry.Get(), "SystemComponent", nullptr, nullptr, flag, &size) ==
          ERROR_SUCCESS) {
        const unsigned long number = flag[0] | (flag[1] << 8) | (flag[2] << 16) |
                                     (static_cast<unsigned long>(flag[3]) << 24);
        if (number == 1) continue;
      }

      std::string command;
      if (ReadValueText(hEntry.Get(), "UninstallString", 260, command)) {
        if (command.empty()) continue;
        std::string expanded = command;
        ExpandEnvironment(expanded);
        if (!ReferencedFileExists(expanded)) {
          ReportRegistry(kAddRemovePrograms, HKEY_LOCAL_MACHINE, entryKey, "UninstallString",
                         command, 0, FileNotFoundMessage(expanded));
        }
        Status("HKEY_LOCAL_MACHINE\\" + entryKey);
        Pump();
      }
    }
    PauseAndPump(pauseMs);
  }
  return m_bRunning;
}
