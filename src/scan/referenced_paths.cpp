#include "scan/referenced_paths.h"

#include <vector>

#include "core/registry.h"
#include "core/wide_text.h"
#include "scan/registry_read.h"
#include "scan/path_probe.h"
#include "scan/path_reading.h"

namespace {

// Asking for a drive's type is a round trip to the mount manager (about a
// millisecond under Wine), and a scan asks once per stale path. A drive letter's
// answer is kept for a second, which no drive change during a scan can outrun
// in any way that matters.
UINT DriveTypeOf(const std::string& drive) {
  const char letter = drive[0] >= 'a' && drive[0] <= 'z' ? static_cast<char>(drive[0] - 32) : drive[0];
  if (drive.size() != 2 || drive[1] != ':' || letter < 'A' || letter > 'Z') {
    return GetDriveTypeA(drive.c_str());
  }
  struct Known {
    UINT type;
    ULONGLONG when;
    bool valid;
  };
  static thread_local Known known[26] = {};
  Known& entry = known[letter - 'A'];
  const ULONGLONG now = GetTickCount64();
  if (!entry.valid || now - entry.when > 1000) {
    entry.type = GetDriveTypeA(drive.c_str());
    entry.when = now;
    entry.valid = true;
  }
  return entry.type;
}

}  // namespace

std::string GetWindowsFolder() {
  char buffer[MAX_PATH] = {};
  UINT length = GetWindowsDirectoryA(buffer, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return "";
  return std::string(buffer, length);
}

std::string UnquoteSpaces(const std::string& text) {
  if (text.size() >= 2 && text.front() == '"' && text.back() == '"') {
    return text.substr(1, text.size() - 2);
  }
  return text;
}

PathReading ReadReferencedPath(const std::string& text, RegistryView view) {
  // A walk meets the same texts again and again (see ScopedProbeMemory).
  const ProbeQuestion question =
      view == RegistryView::k32 ? ProbeQuestion::kReferenced32 : ProbeQuestion::kReferenced64;
  PathState state;
  if (RecallAnswer(question, text, state)) {
    return state == PathState::kMissing   ? PathReading::kMissing
           : state == PathState::kUnknown ? PathReading::kCannotTell
                                          : PathReading::kFound;
  }
  const PathReading reading = ReadPathText(text, view);
  KeepAnswer(question, text,
             reading == PathReading::kMissing   ? PathState::kMissing
             : reading == PathReading::kFound ? PathState::kFile
                                                : PathState::kUnknown);
  return reading;
}

bool ReferencedFileExists(const std::string& text, RegistryView view) {
  return ReadReferencedPath(text, view) != PathReading::kMissing;
}

bool ExpandEnvironment(std::string& text) {
  if (text.find('%') == std::string::npos) return true;
  std::string expanded;
  if (!ExpandEnvironmentText(text, expanded)) return false;
  text.swap(expanded);
  return true;
}

std::string ReadRegistryString(HKEY hRoot, const std::string& subKey,
                               const std::string& valueName) {
  KeyHandle key;
  if (OpenRegistryKey(hRoot, subKey, KEY_READ, key) != ERROR_SUCCESS) return "";
  // Data of any type and length, taken as text up to its first zero byte.
  std::string text;
  if (!ReadValueText(key.Get(), valueName, text)) text.clear();
  // A handle that would not close is no reason to doubt what was read through it:
  // the owner closes it and the text stands.
  return text;
}

bool IsDirectory(const std::string& path) { return ProbePath(path) == PathState::kFolder; }

bool IsNetworkPath(const std::string& text) {
  return text.size() >= 2 && (text[0] == '\\' || text[0] == '/') &&
         (text[1] == '\\' || text[1] == '/');
}

bool IsOnNonFixedDrive(const std::string& text) {
  // A share is reached over the network, like a mapped network drive.
  if (IsNetworkPath(text)) return true;
  const std::string drive = text.substr(0, 2);
  if (drive.find(':') == std::string::npos) return false;
  return DriveTypeOf(drive) != DRIVE_FIXED;
}
