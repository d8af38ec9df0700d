#pragma once
// The test of one entry of each section, on the entry's live data. The scanners
// walk their keys and folders and hand every entry to these; the re-check before
// removal runs the very same test on the entry again, so the rules exist once.
//
// An entry that is fine, or whose data cannot be read, or whose answer cannot be
// known (access denied, a share, a lost character), yields no finding.

#include <windows.h>

#include <string>
#include <vector>

#include "core/registry_view.h"

class CRegistry;

// What is stale about an entry, as its problem records it.
struct Finding {
  std::string data;     // the problem's valueData (a shortcut's target)
  std::string message;
  int isValue = 1;      // 1: the value is the problem; 0: the whole key
};
using Findings = std::vector<Finding>;

// Each test takes the paths it finds as a program of the entry's view finds them
// (see PathInView): the view of the key the entry stands in.

// An entry of a key the system shares between the views (SharedWith32BitView)
// is read by programs of both: it is stale only when the test finds it so in
// each, its own view first.
template <typename Test>
Findings StaleInEveryView(bool shared, RegistryView view, const Test& test) {
  Findings findings = test(view);
  if (shared && !findings.empty() && test(RegistryView::k32).empty()) findings.clear();
  return findings;
}

// Fonts, sounds, help files and shared files: one value of the section's list key,
// by its name and with its data as read.
Findings FontFindings(const std::string& name, const std::string& data, RegistryView view);
Findings SoundFindings(const std::string& name, const std::string& data, RegistryView view);
Findings HelpFileFindings(const std::string& name, const std::string& data, RegistryView view);
Findings SharedFileFindings(const std::string& name, const std::string& data, RegistryView view);
// Application paths: one application's subkey (its default value). `tested` tells
// whether there was a path to test.
Findings AppPathFindings(HKEY hApp, RegistryView view, bool* tested = nullptr);
// Services and static drivers: the subkey (below HKEY_LOCAL_MACHINE) of one of them.
Findings DriverFindings(const std::string& subKey, bool services, bool* tested = nullptr);
// Add/Remove Programs: one entry key.
Findings UninstallFindings(HKEY hEntry, RegistryView view, bool* tested = nullptr);
// Type libraries: true for the keys that are checked rather than walked.
bool IsTypeLibCheckedKey(const std::string& keyPath);
// One "win32", "win16" or "HELPDIR" key below HKEY_CLASSES_ROOT; a missing help
// folder written with a trailing '\' yields two findings. Its view comes from the
// key's path: a "win32" key and everything below Wow6432Node are 32-bit.
Findings TypeLibFindings(const std::string& keyPath, bool* tested = nullptr);
// One file-extension key below HKEY_CLASSES_ROOT and the program identifier it names.
Findings ProgIdFindings(const std::string& extension);
// One entry of a user's open-with list.
Findings OpenWithFindings(const CRegistry& list, const std::string& valueName);
// The full registry scan: one value of any type, with its data as text. A walk
// passes a text of its own to work in, kept from value to value.
Findings FullScanFindings(DWORD type, const std::string& text, RegistryView view);
Findings FullScanFindings(DWORD type, const std::string& text, RegistryView view,
                          std::string& scratch);
// Startup programs: one StartupApproved value (root\approvedKeyPath, name) whose
// Run value or Startup-folder shortcut is gone; the data is its state, "Enabled"
// or "Disabled".
Findings StartupApprovalFindings(HKEY root, const std::string& approvedKeyPath,
                                 const std::string& name);
// One shortcut file.
Findings ShortcutFindings(const std::string& linkPath);
