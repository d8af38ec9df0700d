// Services, static drivers and the installed-programs list: each entry is a key
// whose program file must exist; a missing one makes the whole key the problem.

#include <cstring>

#include "core/ascii_case.h"
#include "core/section_catalogue.h"
#include "scan/entry_findings.h"
#include "scan/referenced_paths.h"
#include "scan/registry_read.h"
#include "scan/section_scanner.h"
#include "scan/view_paths.h"

namespace {

// Every part of the path named "SystemRoot", in any letter case (the kernel's
// name for the Windows folder: "\SystemRoot\System32\drivers\x.sys").
void ReplaceSystemRoot(std::string& text, const std::string& windowsFolder) {
  static const std::string kName = "systemroot";
  for (size_t at = 0; at + kName.size() <= text.size(); ++at) {
    const size_t end = at + kName.size();
    if ((at > 0 && text[at - 1] != '\\') || (end < text.size() && text[end] != '\\') ||
        !SameIgnoringAsciiCase(text.substr(at, kName.size()), kName)) {
      continue;
    }
    text.replace(at, kName.size(), windowsFolder);
    at += windowsFolder.size();
  }
}

}  // namespace

bool AnchorDriverPath(std::string text, bool replaceSystemRoot, const std::string& windowsFolder,
                      std::string& out) {
  if (replaceSystemRoot) ReplaceSystemRoot(text, windowsFolder);
  // The system's own spelling of a share path.
  static const char kNtShare[] = "\\??\\UNC\\";
  if (text.compare(0, sizeof(kNtShare) - 1, kNtShare) == 0) {
    text = "\\\\" + text.substr(sizeof(kNtShare) - 1);
  }
  const size_t colon = text.find(':');
  if (colon != std::string::npos) {
    if (colon >= 1) text.erase(0, colon - 1);
  } else if (IsNetworkPath(text)) {
    // A share path is absolute: nothing is put in front of it.
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
  const int sectionId = services ? kSystemServices : kVxdFiles;

  ScopedKey hKey;
  if (!OpenSectionKey(hKey, HKEY_LOCAL_MACHINE, key)) return m_bRunning;
  const DWORD count = SubKeyCount(hKey.Get());

  for (DWORD index = 0; index < count && m_bRunning; ++index) {
    std::string name;
    if (EnumSubKeyName(hKey.Get(), index, name)) {
      const std::string subKey = key + "\\" + name;
      bool tested = false;
      ReportFindings(sectionId, HKEY_LOCAL_MACHINE, subKey, services ? "ImagePath" : "StaticVXD",
                     DriverFindings(subKey, services, &tested));
      if (tested) {
        Status("HKEY_LOCAL_MACHINE\\" + subKey);
        Pump();
      }
    }
    PauseAndPump(pauseMs);
  }
  return m_bRunning;
}

Findings DriverFindings(const std::string& subKey, bool services, bool* tested) {
  if (tested) *tested = false;
  const std::string text =
      ReadRegistryString(HKEY_LOCAL_MACHINE, subKey, services ? "ImagePath" : "StaticVXD");
  std::string path;
  // An empty or unreadable text, or one naming no path, is not tested.
  if (text.empty() || !NormalizeDriverPath(text, services, path)) return {};
  if (tested) *tested = true;
  if (ReferencedFileExists(path)) return {};
  return {{path, FileNotFoundMessage(path), 0}};
}

int SectionScanner::ScanUninstallEntries(int pauseMs) {
  return ScanMachineSubKeys(kAddRemovePrograms,
                            "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall",
                            "UninstallString", UninstallFindings, pauseMs);
}

Findings UninstallFindings(HKEY hEntry, RegistryView view, bool* tested) {
  if (tested) *tested = false;
  // A system component: a number 1 in the value's first four bytes (shorter data
  // padded with zero bytes).
  std::string flag;
  if (ReadValueBytes(hEntry, "SystemComponent", flag)) {
    flag.resize(flag.size() < 4 ? 4 : flag.size(), '\0');
    if (flag.compare(0, 4, std::string("\x01\0\0\0", 4)) == 0) return {};
  }
  std::string command;
  if (!ReadValueText(hEntry, "UninstallString", command) || command.empty()) return {};
  if (tested) *tested = true;
  std::string expanded = PathToTest(command, view);
  ExpandEnvironment(expanded);
  if (ReferencedFileExists(command, view)) return {};
  return {{command, FileNotFoundMessage(expanded), 0}};
}
