// The Startup Programs section: what Windows starts at log-on is the user's to
// choose in the Startup Manager, so the scan reports only what no choice can
// mean any more: a StartupApproved value (Windows' enabled or disabled state of
// an entry) whose Run value or Startup-folder shortcut is gone. Windows leaves
// one behind whenever an entry is deleted by anything but its own Startup page.

#include "core/ascii_case.h"
#include "core/handles.h"
#include "core/registry.h"
#include "core/section_catalogue.h"
#include "core/wide_text.h"
#include "scan/entry_findings.h"
#include "scan/path_probe.h"
#include "scan/registry_read.h"
#include "scan/section_scanner.h"
#include "core/startup_approved.h"

namespace {

enum class Presence { kThere, kGone, kUnknown };

// A Run value by its exact name, asked with read access: only "not found"
// (of the key or of the value) says it is gone.
Presence RunValuePresence(HKEY root, const std::string& runKey, const std::string& name) {
  KeyHandle key;
  LONG rc = OpenRegistryKey(root, runKey, KEY_READ, key);
  if (rc == ERROR_SUCCESS) {
    rc = RegQueryValueExW(key.Get(), WideText(name).c_str(), nullptr, nullptr, nullptr, nullptr);
  }
  if (rc == ERROR_SUCCESS) return Presence::kThere;
  return rc == ERROR_FILE_NOT_FOUND ? Presence::kGone : Presence::kUnknown;
}

Presence ShortcutPresence(const std::string& folder, const std::string& name) {
  if (folder.empty()) return Presence::kUnknown;
  const PathState state = ProbePath(folder + "\\" + name);
  if (state == PathState::kMissing) return Presence::kGone;
  return state == PathState::kUnknown ? Presence::kUnknown : Presence::kThere;
}

std::string LastPart(const std::string& keyPath) {
  const size_t slash = keyPath.rfind('\\');
  return slash == std::string::npos ? keyPath : keyPath.substr(slash + 1);
}

}  // namespace

Findings StartupApprovalFindings(HKEY root, const std::string& approvedKeyPath,
                                 const std::string& name) {
  const std::string which = LastPart(approvedKeyPath);
  std::string bytes;
  if (!ReadApprovalValue(root, approvedKeyPath, name, bytes)) return {};
  const std::string state = ApprovalEnabled(true, bytes) ? "Enabled" : "Disabled";
  // When in doubt the state stays: a Run value of that name in either view of
  // the root, or a shortcut of that name in either Startup folder, may be the
  // one it belongs to.
  if (SameIgnoringAsciiCase(which, kApprovedStartupFolder)) {
    const StartupFolders folders = SystemStartupFolders();
    const std::string own = root == HKEY_LOCAL_MACHINE ? folders.common : folders.user;
    if (ShortcutPresence(folders.user, name) != Presence::kGone ||
        ShortcutPresence(folders.common, name) != Presence::kGone) {
      return {};
    }
    return {{state, "The Startup Shortcut (" + own + "\\" + name +
                        ") this enabled or disabled state belongs to cannot be found.",
             1}};
  }
  if (!SameIgnoringAsciiCase(which, kApprovedRun) && !SameIgnoringAsciiCase(which, kApprovedRun32)) {
    return {};
  }
  if (RunValuePresence(root, kRunKeyPath, name) != Presence::kGone ||
      RunValuePresence(root, kRunKeyPath32, name) != Presence::kGone) {
    return {};
  }
  return {{state, "The Startup Entry (" + name + ") this enabled or disabled state belongs to "
                  "cannot be found in the Run key.",
           1}};
}

int SectionScanner::ScanStartupApproved(int pauseMs) {
  for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) {
    for (const char* which : {kApprovedRun, kApprovedRun32, kApprovedStartupFolder}) {
      if (!m_bRunning) return m_bRunning;
      const std::string keyPath = StartupApprovedKey(which);
      ScopedKey hKey;
      if (!OpenSectionKey(hKey, root, keyPath)) continue;
      const DWORD count = ValueCount(hKey.Get());
      for (DWORD index = 0; index < count && m_bRunning; ++index) {
        std::string name;
        if (!EnumValueName(hKey.Get(), index, name)) continue;
        if (IsUnspeakableValueName(hKey.Get(), index, name.data(), name.size())) {
          ++m_nUncheckedValues;
          continue;
        }
        ReportFindings(kStartupPrograms, root, keyPath, name,
                       StartupApprovalFindings(root, keyPath, name));
        if (StatusWanted()) Status(RootKeyName(root) + "\\" + keyPath + "\\" + name);
        PauseAndPump(pauseMs);
      }
    }
  }
  return m_bRunning;
}
