#include "scan/path_tests.h"

#include <shlwapi.h>

#include <cstring>
#include <vector>

#include "core/registry.h"
#include "framework/prompt.h"
#include "scan/registry_read.h"
#include "scan/path_probe.h"

namespace {

// Missing only when the system says so: a path it cannot look at counts as there.
bool FileOrFolderExists(const std::string& path) { return !path.empty() && MayExist(path); }

// U+FFFD in a text means a character was lost before the text reached us: the
// path as written is not known, so neither is whether it exists.
bool HoldsLostCharacter(const std::string& text) {
  return text.find("\xEF\xBF\xBD") != std::string::npos;
}

// The shell's search for a bare file name in the system folders and on PATH. It
// works in a MAX_PATH buffer, so a longer name cannot be found that way.
bool FoundOnSearchPath(const std::string& name, RegistryView view) {
  if (name.empty() || name.size() >= MAX_PATH) return false;
  char buffer[MAX_PATH];
  std::memcpy(buffer, name.c_str(), name.size() + 1);
  if (PathFindOnPathA(buffer, nullptr) != FALSE) return true;
  // This program's search looks in System32; a 32-bit program's in SysWOW64.
  if (view != RegistryView::k32 || name.find_first_of("\\/:") != std::string::npos) return false;
  const std::string windows = GetWindowsFolder();
  return !windows.empty() && FileOrFolderExists(windows + "\\SysWOW64\\" + name);
}

bool IsWordBreak(char c) {
  return c == '/' || c == '*' || c == '?' || c == '<' || c == '>' || c == '|' || c == '"' ||
         c == ';' || c == '^';
}

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

void PumpMessages() {
  MSG msg;
  for (int dispatched = 0; dispatched < 10; ++dispatched) {
    if (!PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) return;
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
}

std::string UnquoteSpaces(const std::string& text) {
  if (text.size() >= 2 && text.front() == '"' && text.back() == '"') {
    return text.substr(1, text.size() - 2);
  }
  return text;
}

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// Quotes and separators become blanks, so a command line falls apart into words;
// the text starts at its first word. Only the first `most` characters are made.
std::string Words(const std::string& text, size_t most = std::string::npos) {
  size_t first = 0;
  while (first < text.size() && (IsBlank(text[first]) || IsWordBreak(text[first]))) ++first;
  std::string words = text.substr(first, most);
  for (char& c : words) {
    if (IsWordBreak(c)) c = ' ';
  }
  return words;
}

bool AskReferencedFileExists(const std::string& text, RegistryView view) {
  if (HoldsLostCharacter(text)) return true;

  // Most texts are neither quoted nor end in a separator: copies are made only of
  // what differs.
  std::string unquotedCopy, trimmedCopy;
  const bool quoted = text.size() >= 2 && text.front() == '"' && text.back() == '"';
  const std::string& unquoted = quoted ? (unquotedCopy = UnquoteSpaces(text)) : text;
  // A folder path ending in '\' (or in '\' and one more character) loses that end.
  const size_t lastSlash = unquoted.rfind('\\');
  const bool cut = lastSlash != std::string::npos && unquoted.size() - lastSlash - 1 <= 1;
  const std::string& trimmed = cut ? trimmedCopy.assign(unquoted, 0, lastSlash) : unquoted;

  // Asked first: looking at a share of a server that is away can take many seconds,
  // and the answer would not count anyway. (The start of the words is all that
  // tells a share or a drive.)
  if (IsOnNonFixedDrive(unquoted) || IsOnNonFixedDrive(Words(trimmed, 2))) return true;

  if (FileOrFolderExists(unquoted)) return true;
  if (FoundOnSearchPath(text, view)) return true;
  // Most texts are neither quoted nor end in a separator: the same questions
  // would be asked again.
  if (trimmed != unquoted && FileOrFolderExists(trimmed)) return true;
  if (trimmed != text && FoundOnSearchPath(trimmed, view)) return true;

  static const char* const kExtensions[] = {".exe", ".dll", ".com"};
  const std::string words = Words(trimmed);
  for (size_t blank = words.find(' '); blank != std::string::npos;
       blank = words.find(' ', blank + 1)) {
    const std::string prefix = words.substr(0, blank);
    if (FileOrFolderExists(prefix) || FoundOnSearchPath(prefix, view)) return true;
    for (const char* extension : kExtensions) {
      if (FoundOnSearchPath(prefix + extension, view)) return true;
    }
  }
  return false;
}

}  // namespace

bool ReferencedFileExists(const std::string& text, RegistryView view) {
  // Nothing named is nothing found; the search path would only be asked about "".
  if (text.empty()) return false;
  // A walk meets the same texts again and again (see ScopedProbeMemory).
  const ProbeQuestion question =
      view == RegistryView::k32 ? ProbeQuestion::kReferenced32 : ProbeQuestion::kReferenced64;
  PathState state;
  if (RecallAnswer(question, text, state)) return state != PathState::kMissing;
  const bool found = AskReferencedFileExists(text, view);
  KeepAnswer(question, text, found ? PathState::kFile : PathState::kMissing);
  return found;
}

bool ExpandEnvironment(std::string& text) {
  if (text.find('%') == std::string::npos) return true;
  const DWORD needed = ExpandEnvironmentStringsA(text.c_str(), nullptr, 0);
  if (needed == 0) return false;
  std::vector<char> expanded(needed + 1, '\0');
  const DWORD written = ExpandEnvironmentStringsA(text.c_str(), expanded.data(), needed + 1);
  if (written == 0 || written > needed + 1) return false;
  text = expanded.data();
  return true;
}

std::string ReadRegistryString(HKEY hRoot, const std::string& subKey,
                               const std::string& valueName) {
  HKEY hKey = nullptr;
  if (OpenRegistryKey(hRoot, subKey, KEY_READ, hKey) != ERROR_SUCCESS) return "";
  // Data of any type and length, taken as text up to its first zero byte.
  std::string text;
  if (!ReadValueText(hKey, valueName, text)) text.clear();
  if (RegCloseKey(hKey) != ERROR_SUCCESS) {
    ShowMessage("Error in RegCloseKey.");
    return "";
  }
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
