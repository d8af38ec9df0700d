#include "scan/path_reading.h"

#include <windows.h>
#include <shlwapi.h>

#include <cstring>

#include "core/ascii_case.h"
#include "scan/path_probe.h"
#include "scan/referenced_paths.h"
#include "scan/registry_read.h"
#include "scan/view_paths.h"

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }
bool IsSeparator(char c) { return c == '\\' || c == '/'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

std::string Trimmed(const std::string& text) {
  size_t first = 0, end = text.size();
  while (first < end && IsBlank(text[first])) ++first;
  while (end > first && IsBlank(text[end - 1])) --end;
  return text.substr(first, end - first);
}

// U+FFFD in a text means a character was lost before the text reached us: the
// path as written is not known, so neither is whether it exists.
bool HoldsLostCharacter(const std::string& text) {
  return text.find("\xEF\xBF\xBD") != std::string::npos;
}

// A name without any folder: Windows looks for it rather than opening it.
bool IsBare(const std::string& text) { return text.find_first_of("\\/:") == std::string::npos; }

// Rooted at a drive, a share or the current drive's root.
bool IsRooted(const std::string& text) {
  return (!text.empty() && IsSeparator(text[0])) || (text.size() >= 2 && text[1] == ':');
}

// Characters no file or folder name holds: such a reading is not asked about.
bool HasBadNameCharacter(const std::string& text) {
  const bool prefixed = text.compare(0, 4, "\\\\?\\") == 0 || text.compare(0, 4, "\\??\\") == 0;
  const size_t from = prefixed ? 4 : 0;
  return text.find_first_of("\"<>|*?", from) != std::string::npos;
}

// An extension of one to four letters or digits on the last part of a path.
bool EndsWithExtension(const std::string& path) {
  const size_t dot = path.rfind('.');
  if (dot == std::string::npos) return false;
  const size_t separator = path.find_last_of("\\/");
  if (separator != std::string::npos && separator > dot) return false;
  const size_t length = path.size() - dot - 1;
  if (length < 1 || length > 4) return false;
  for (size_t i = dot + 1; i < path.size(); ++i) {
    if (!IsLetter(path[i]) && !IsDigit(path[i])) return false;
  }
  return true;
}

// Whether the last part of a path holds a '.' at all (CreateProcess appends
// ".exe" only to a name without one).
bool HasExtension(const std::string& path) {
  const size_t dot = path.rfind('.');
  const size_t separator = path.find_last_of("\\/");
  return dot != std::string::npos && (separator == std::string::npos || dot > separator);
}

// Where an icon or resource index after the text's last comma starts (",0",
// ", -101"); npos when the text does not end in one.
size_t IconIndexAt(const std::string& text) {
  const size_t comma = text.rfind(',');
  if (comma == std::string::npos) return std::string::npos;
  size_t at = comma + 1;
  while (at < text.size() && IsBlank(text[at])) ++at;
  if (at < text.size() && text[at] == '-') ++at;
  const size_t digits = at;
  while (at < text.size() && IsDigit(text[at])) ++at;
  if (at == digits) return std::string::npos;
  while (at < text.size() && IsBlank(text[at])) ++at;
  return at == text.size() ? comma : std::string::npos;
}

// A reference to an environment variable that expansion left as it was: the
// variable is not defined here, so what the text names is not known.
bool HoldsUndefinedReference(const std::string& text) {
  for (size_t open = text.find('%'); open != std::string::npos;) {
    const size_t close = text.find('%', open + 1);
    if (close == std::string::npos) return false;
    bool name = close > open + 1 && (IsLetter(text[open + 1]) || text[open + 1] == '_');
    for (size_t i = open + 1; name && i < close; ++i) {
      const char c = text[i];
      name = IsLetter(c) || IsDigit(c) || c == '_' || c == '(' || c == ')';
    }
    if (name) return true;
    open = close;
  }
  return false;
}

// Text that could name a file at all: a folder, a drive or an extension, and
// no control character (no name holds one). A word such as "yes" or "ding"
// names nothing, and is never called missing.
bool LooksLikePath(const std::string& text) {
  for (const char c : text) {
    if (c > 0 && c < 0x20 && c != '\t') return false;
  }
  if (text.find_first_of("\\:") != std::string::npos) return true;
  for (size_t dot = text.find('.'); dot != std::string::npos; dot = text.find('.', dot + 1)) {
    if (dot + 1 < text.size() && (IsLetter(text[dot + 1]) || IsDigit(text[dot + 1]))) return true;
  }
  return false;
}

// An answer that lets an entry stand: there, or not known to be missing.
bool Counts(PathState state, bool fileOnly) {
  return state == PathState::kFile || state == PathState::kUnknown ||
         (state == PathState::kFolder && !fileOnly);
}

// The shell's search for a bare file name in the system folders and on PATH. It
// works in a MAX_PATH buffer, so a longer name cannot be found that way.
bool FoundOnSearchPath(const std::string& name, RegistryView view) {
  if (name.empty() || name.size() >= MAX_PATH || HasBadNameCharacter(name)) return false;
  char buffer[MAX_PATH];
  std::memcpy(buffer, name.c_str(), name.size() + 1);
  if (PathFindOnPathA(buffer, nullptr) != FALSE) return true;
  // This program's search looks in System32; a 32-bit program's in SysWOW64.
  const std::string windows = SystemViewFolders().windows;
  return view == RegistryView::k32 && !windows.empty() &&
         Counts(ProbePath(windows + "\\SysWOW64\\" + name), true);
}

// An application registered under App Paths whose program is there (or whose
// registration cannot be read).
bool RegisteredInAppPaths(const std::string& name) {
  static const struct {
    HKEY root;
    const char* key;
  } kAppPaths[] = {
      {HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\"},
      {HKEY_LOCAL_MACHINE, "SOFTWARE\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\App Paths\\"},
      {HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\"}};
  for (const auto& place : kAppPaths) {
    const std::string key = place.key + name;
    ScopedKey hKey;
    if (!hKey.OpenForReading(place.root, key)) {
      if (KeyExists(place.root, key)) return true;
      continue;
    }
    std::string program;
    if (!ReadValueText(hKey.Get(), "", program)) continue;
    ExpandEnvironment(program);
    program = UnquoteSpaces(Trimmed(program));
    if (!program.empty() && Counts(ProbePath(program), true)) return true;
  }
  return false;
}

bool InWindowsFolders(const std::string& name, RegistryView view) {
  const std::string& windows = SystemViewFolders().windows;
  if (windows.empty() || HasBadNameCharacter(name)) return false;
  const char* system = view == RegistryView::k32 ? "\\SysWOW64\\" : "\\System32\\";
  return Counts(ProbePath(windows + "\\" + name), true) ||
         Counts(ProbePath(windows + system + name), true);
}

// A prefix of a command line taken as its program: a file (never a folder), or
// the same with ".exe"; a bare name where Windows looks for programs.
bool ProgramFound(const std::string& text, RegistryView view) {
  const std::string program = Trimmed(text);
  if (program.empty()) return false;
  if (IsBare(program)) return FindProgramByName(program, view);
  if (HasBadNameCharacter(program)) return false;
  const std::string& windows = SystemViewFolders().windows;
  for (const bool appended : {false, true}) {
    if (appended && HasExtension(program)) break;
    const std::string file = appended ? program + ".exe" : program;
    if (Counts(ProbePath(file), true)) return true;
    if (!IsRooted(file) && !windows.empty() && Counts(ProbePath(windows + "\\" + file), true)) {
      return true;
    }
  }
  return false;
}

// The whole text as one path: a file or folder; relative to the Windows folder
// when it is not rooted; a file mask's folder; a resource index's file.
bool WholeFound(const std::string& text, RegistryView view) {
  const std::string path = UnquoteSpaces(text);
  if (path.empty()) return false;
  if (IsBare(path)) return FindProgramByName(path, view);
  if (!HasBadNameCharacter(path)) {
    if (Counts(ProbePath(path), false)) return true;
    const std::string& windows = SystemViewFolders().windows;
    if (!IsRooted(path) && !windows.empty() && Counts(ProbePath(windows + "\\" + path), false)) {
      return true;
    }
  }
  const size_t separator = path.find_last_of("\\/");
  if (separator == std::string::npos || separator == 0 || separator + 1 == path.size()) {
    return false;
  }
  const std::string last = path.substr(separator + 1), folder = path.substr(0, separator);
  if (last.find_first_of("*?") != std::string::npos) {
    return !HasBadNameCharacter(folder) && Counts(ProbePath(folder), false);
  }
  if (last.find_first_not_of("0123456789") == std::string::npos) return ProgramFound(folder, view);
  return false;
}

// The items of a ';' list that name a drive path or a share of their own.
bool ListItemFound(const std::string& text, RegistryView view) {
  if (text.find(';') == std::string::npos) return false;
  for (size_t start = 0; start <= text.size();) {
    size_t end = text.find(';', start);
    if (end == std::string::npos) end = text.size();
    const std::string item = UnquoteSpaces(Trimmed(text.substr(start, end - start)));
    const bool drivePath = item.size() >= 3 && item[1] == ':' && IsSeparator(item[2]);
    if ((drivePath || IsNetworkPath(item)) && (IsOnNonFixedDrive(item) || WholeFound(item, view))) {
      return true;
    }
    start = end + 1;
  }
  return false;
}

bool IsCut(char c) {
  return IsBlank(c) || c == ',' || c == '"' || c == ';' || c == '/' || c == '|' || c == '<' ||
         c == '>';
}

// The design's cuts: the program of a command line, an icon index, list items.
bool CutFound(const std::string& text, RegistryView view) {
  if (text.empty()) return false;
  // A path quotes close is meant whole: a folder counts there, as in the whole text.
  const auto quotedFound = [&](const std::string& path) {
    return ProgramFound(path, view) || WholeFound(path, view);
  };
  if (text[0] == '"') {
    const size_t close = text.find('"', 1);
    if (close != std::string::npos && quotedFound(text.substr(1, close - 1))) return true;
  } else {
    // At the first of each run of cuts: the prefix before it is the same.
    for (size_t at = 1; at < text.size(); ++at) {
      if (!IsCut(text[at]) || IsCut(text[at - 1])) continue;
      const std::string prefix = text.substr(0, at);
      if (text[at] == '"' ? quotedFound(prefix) : ProgramFound(prefix, view)) return true;
    }
  }
  return ListItemFound(text, view);
}

// "\??\C:\", "\??\UNC\" and "\SystemRoot" (in any case) are the kernel's
// spellings of a drive path, a share and the Windows folder. Any other "\??\"
// path names a device (Wine's "\??\unix\" the Unix root): it is asked as it is.
std::string WithoutKernelPrefix(std::string text) {
  if (text.compare(0, 4, "\\??\\") == 0) {
    if (text.size() >= 6 && IsLetter(text[4]) && text[5] == ':') {
      text.erase(0, 4);
    } else if (text.compare(4, 4, "UNC\\") == 0) {
      text.replace(0, 8, "\\\\");
    }
  }
  static const char kSystemRoot[] = "\\systemroot";
  const size_t length = sizeof(kSystemRoot) - 1;
  if (text.size() >= length && SameIgnoringAsciiCase(text.substr(0, length), kSystemRoot) &&
      (text.size() == length || IsSeparator(text[length]))) {
    text.replace(0, length, SystemViewFolders().windows);
  }
  return text;
}

// The start of a text (past quotes and blanks) on a share or a drive that is not
// a fixed disk: looking there can take long, and would not count anyway.
bool StartsOffTheFixedDisks(const std::string& text) {
  size_t first = 0;
  while (first < text.size() && (IsBlank(text[first]) || text[first] == '"')) ++first;
  return IsOnNonFixedDrive(text.substr(first, 2));
}

}  // namespace

PathReading ReadPathText(const std::string& text, RegistryView view) {
  if (HoldsLostCharacter(text)) return PathReading::kFound;
  const std::string written = WithoutKernelPrefix(Trimmed(text));
  if (written.empty()) return PathReading::kCannotTell;
  // As the view's program reads it, with and without its references expanded.
  const std::string mapped = PathToTest(written, view);
  std::string expanded = mapped;
  ExpandEnvironment(expanded);
  if (!LooksLikePath(expanded)) return PathReading::kCannotTell;
  if (StartsOffTheFixedDisks(expanded) || StartsOffTheFixedDisks(mapped)) return PathReading::kFound;

  const std::string* forms[] = {&expanded, expanded == mapped ? nullptr : &mapped};
  // An icon index is the likeliest cut, asked first; what it follows is meant
  // whole (a folder counts there too).
  const size_t icon = IconIndexAt(expanded);
  if (icon != std::string::npos) {
    const std::string source = expanded.substr(0, icon);
    if (ProgramFound(source, view) || WholeFound(source, view)) return PathReading::kFound;
  }
  for (const std::string* form : forms) {
    if (form != nullptr && WholeFound(*form, view)) return PathReading::kFound;
  }
  for (const std::string* form : forms) {
    if (form != nullptr && CutFound(*form, view)) return PathReading::kFound;
  }
  return HoldsUndefinedReference(expanded) ? PathReading::kCannotTell : PathReading::kMissing;
}

bool FindProgramByName(const std::string& name, RegistryView view) {
  if (name.empty() || name.size() >= MAX_PATH) return false;
  const bool extension = HasExtension(name);
  for (const char* appended : {"", ".exe", ".com", ".dll"}) {
    if (*appended != '\0' && extension) break;
    const std::string file = name + appended;
    if (FoundOnSearchPath(file, view) || InWindowsFolders(file, view)) return true;
    if ((*appended == '\0' || std::strcmp(appended, ".exe") == 0) && RegisteredInAppPaths(file)) {
      return true;
    }
  }
  return false;
}

std::string ProgramPathOf(const std::string& text) {
  std::string path = Trimmed(text);
  if (!path.empty() && path[0] == '"') {
    const size_t close = path.find('"', 1);
    return path.substr(1, close == std::string::npos ? std::string::npos : close - 1);
  }
  path = Trimmed(path.substr(0, path.find('"')));
  const size_t icon = IconIndexAt(path);
  if (icon != std::string::npos) path = Trimmed(path.substr(0, icon));
  if (EndsWithExtension(path)) return path;
  for (size_t blank = path.find(' '); blank != std::string::npos; blank = path.find(' ', blank + 1)) {
    const std::string program = path.substr(0, blank);
    if (EndsWithExtension(program)) return program;
  }
  return path;
}
