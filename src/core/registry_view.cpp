#include "core/registry_view.h"

#include <cstring>
#include <utility>

#include "core/ascii_case.h"

namespace {

char Upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }
bool IsSeparator(char c) { return c == '\\' || c == '/'; }

// Whether `word` stands at `at`, ignoring case and taking '/' for '\'.
bool MatchesAt(const std::string& text, size_t at, const std::string& word) {
  if (at > text.size() || text.size() - at < word.size()) return false;
  for (size_t i = 0; i < word.size(); ++i) {
    const char a = text[at + i], b = word[i];
    if (IsSeparator(a) && IsSeparator(b)) continue;
    if (LowerAscii(a) != LowerAscii(b)) return false;
  }
  return true;
}

// A path begins at the start of the text, after a quote, a blank or a list or
// assignment character, or after the "\\?\" prefix.
bool BeginsPath(const std::string& text, size_t at) {
  if (at == 0 || std::strchr(" \t\"'=,;(", text[at - 1]) != nullptr) return true;
  return at >= 4 && text.compare(at - 4, 4, "\\\\?\\") == 0;
}

// A part of a path ends at a separator or where the path itself ends.
bool EndsPart(const std::string& text, size_t at) {
  return at == text.size() || IsSeparator(text[at]) ||
         std::strchr(" \t\"',;)", text[at]) != nullptr;
}

// Past the dots that close a folder's name ("System32."): the system takes them
// away before it opens the path.
size_t PastDots(const std::string& text, size_t at) {
  while (at < text.size() && text[at] == '.') ++at;
  return at;
}

// The folder part that starts at `at`, up to where it ends.
std::string PartAt(const std::string& text, size_t at) {
  size_t end = at;
  while (!EndsPart(text, end)) ++end;
  std::string part = text.substr(at, end - at);
  for (char& c : part) c = LowerAscii(c);
  return part;
}

// The folders below System32 that a 32-bit program reaches unredirected.
bool IsExemptBelowSystem32(const std::string& text, size_t afterSystem32) {
  if (afterSystem32 >= text.size() || !IsSeparator(text[afterSystem32])) return false;
  const size_t at = afterSystem32 + 1;
  const std::string part = PartAt(text, at);
  for (const char* exempt : {"catroot", "catroot2", "driverstore", "logfiles", "spool"}) {
    if (part == exempt) return true;
  }
  if (part != "drivers") return false;
  const size_t next = at + part.size();
  return next < text.size() && IsSeparator(text[next]) && PartAt(text, next + 1) == "etc";
}

// The new folder name written the way the old one was: all lower, all upper, or
// the system's own spelling.
std::string CaseLike(const std::string& old, const char* name) {
  bool anyUpper = false, anyLower = false;
  for (char c : old) {
    anyUpper = anyUpper || (c >= 'A' && c <= 'Z');
    anyLower = anyLower || (c >= 'a' && c <= 'z');
  }
  std::string out = name;
  if (anyLower && !anyUpper) {
    for (char& c : out) c = LowerAscii(c);
  } else if (anyUpper && !anyLower) {
    for (char& c : out) c = Upper(c);
  }
  return out;
}

void ReplaceVariable(std::string& text, const std::string& name, const std::string& value) {
  // Most texts hold no reference at all: they are not looked through.
  if (value.empty() || text.find('%') == std::string::npos) return;
  const std::string reference = "%" + name + "%";
  for (size_t at = 0; at + reference.size() <= text.size();) {
    if (MatchesAt(text, at, reference)) {
      text.replace(at, reference.size(), value);
      at += value.size();
    } else {
      ++at;
    }
  }
}

std::string WithoutTrailingSeparators(std::string folder) {
  while (!folder.empty() && IsSeparator(folder.back())) folder.pop_back();
  return folder;
}

void MapSystemFolders(std::string& text, const std::string& windowsFolder, RegistryView view) {
  const std::string windows = WithoutTrailingSeparators(windowsFolder);
  if (windows.empty()) return;
  const char first = LowerAscii(windows[0]);
  for (size_t at = 0; at < text.size(); ++at) {
    // One comparison rules out almost every place: this runs for every path a
    // full scan meets.
    if (LowerAscii(text[at]) != first && !IsSeparator(first)) continue;
    if (!BeginsPath(text, at) || !MatchesAt(text, at, windows)) continue;
    const size_t part = at + windows.size();
    if (part >= text.size() || !IsSeparator(text[part])) continue;
    const size_t name = part + 1;
    const char* replacement = nullptr;
    size_t length = 0;
    if (MatchesAt(text, name, "sysnative") && EndsPart(text, PastDots(text, name + 9))) {
      replacement = "System32";
      length = 9;
    } else if (view == RegistryView::k32 && MatchesAt(text, name, "system32") &&
               EndsPart(text, PastDots(text, name + 8)) &&
               !IsExemptBelowSystem32(text, PastDots(text, name + 8))) {
      replacement = "SysWOW64";
      length = 8;
    }
    if (replacement == nullptr) continue;
    text.replace(name, length, CaseLike(text.substr(name, length), replacement));
    at = name;
  }
}

}  // namespace

const char* ViewName(RegistryView view) { return view == RegistryView::k32 ? "32" : "64"; }

RegistryView ViewOfKey(const std::string& keyPath) {
  static const std::string kNode = "wow6432node";
  for (size_t at = 0; at < keyPath.size(); ++at) {
    if ((at == 0 || keyPath[at - 1] == '\\') && MatchesAt(keyPath, at, kNode) &&
        (at + kNode.size() == keyPath.size() || keyPath[at + kNode.size()] == '\\')) {
      return RegistryView::k32;
    }
  }
  return RegistryView::k64;
}

RegistryView ViewOfTypeLibKey(const std::string& keyPath) {
  const size_t slash = keyPath.rfind('\\');
  if (slash != std::string::npos && keyPath.size() - slash == 6 &&
      MatchesAt(keyPath, slash, "\\win32")) {
    return RegistryView::k32;
  }
  return ViewOfKey(keyPath);
}

std::string Wow64KeyPath(const std::string& keyPath, bool classesRoot) {
  if (classesRoot) return keyPath.empty() ? "Wow6432Node" : "Wow6432Node\\" + keyPath;
  const size_t slash = keyPath.find('\\');
  if (slash == std::string::npos) return keyPath + "\\Wow6432Node";
  return keyPath.substr(0, slash) + "\\Wow6432Node" + keyPath.substr(slash);
}

std::string PathInView(std::string text, RegistryView view, const ViewFolders& folders) {
  std::string out = std::move(text);
  ReplaceVariable(out, "SystemRoot", folders.windows);
  ReplaceVariable(out, "windir", folders.windows);
  if (view == RegistryView::k32) {
    ReplaceVariable(out, "ProgramFiles", folders.programFilesX86);
    ReplaceVariable(out, "CommonProgramFiles", folders.commonFilesX86);
  }
  MapSystemFolders(out, folders.windows, view);
  if (!folders.windowsShort.empty()) MapSystemFolders(out, folders.windowsShort, view);
  return out;
}
