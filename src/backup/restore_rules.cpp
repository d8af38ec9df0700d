#include "backup/restore_rules.h"

#include "backup/reg_export_file.h"

namespace {

char UpperAscii(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

bool SameAsciiCaseBlind(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (UpperAscii(a[i]) != UpperAscii(b[i])) return false;
  }
  return true;
}

bool EndsWithCaseBlind(const std::string& text, const std::string& tail) {
  return text.size() >= tail.size() &&
         SameAsciiCaseBlind(text.substr(text.size() - tail.size()), tail);
}

bool BelowAny(const std::string& key, const std::vector<const char*>& bases, bool strictly) {
  for (const char* base : bases) {
    if (KeyAtOrBelow(key, base) && !(strictly && KeyAtOrBelow(base, key))) return true;
  }
  return false;
}

// Values in these keys themselves are read by scans (the full registry scan
// walks the software keys from their top; the sounds sit in their key), so they
// may come back there; below the classes root only.
const std::vector<const char*> kValueKeys = {
    "HKEY_LOCAL_MACHINE\\SOFTWARE", "HKEY_CURRENT_USER\\Software",
    "HKEY_CURRENT_USER\\Control Panel\\Sounds"};
const std::vector<const char*> kValueBranchesBelow = {"HKEY_CLASSES_ROOT"};
const std::vector<const char*> kKeyBranches = {
    "HKEY_LOCAL_MACHINE\\SOFTWARE", "HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services",
    "HKEY_CURRENT_USER\\Software", "HKEY_CLASSES_ROOT"};

bool ForbiddenInFileName(char c) {
  const unsigned char u = static_cast<unsigned char>(c);
  return u < 0x20 || std::string("<>:\"/|?*").find(c) != std::string::npos;
}

}  // namespace

bool KeyNameComponents(const std::string& fullKeyName, std::vector<std::string>& components) {
  components.clear();
  size_t start = 0;
  for (;;) {
    const size_t slash = fullKeyName.find('\\', start);
    const std::string part = fullKeyName.substr(start, slash == std::string::npos
                                                           ? std::string::npos
                                                           : slash - start);
    if (part.empty() || part == "." || part == "..") return false;
    components.push_back(part);
    if (slash == std::string::npos) return true;
    start = slash + 1;
  }
}

bool KeyAtOrBelow(const std::string& key, const std::string& base) {
  std::vector<std::string> keyParts, baseParts;
  if (!KeyNameComponents(key, keyParts) || !KeyNameComponents(base, baseParts) ||
      keyParts.size() < baseParts.size()) {
    return false;
  }
  for (size_t i = 0; i < baseParts.size(); ++i) {
    if (!SameAsciiCaseBlind(keyParts[i], baseParts[i])) return false;
  }
  return true;
}

std::string RegKeyRefusal(const std::string& fullKeyName) {
  if (!BelowAny(fullKeyName, kKeyBranches, true)) return "keys there are never removed";
  return "";
}

std::string RegValueRefusal(const std::string& mainKey) {
  if (!BelowAny(mainKey, kValueKeys, false) && !BelowAny(mainKey, kValueBranchesBelow, true)) {
    return "values there are never removed";
  }
  return "";
}

std::string ExportRefusal(const std::string& exportBytes, const std::string& fullKeyName) {
  ExportContents contents;
  std::string error;
  if (!ParseExportFile(exportBytes, contents, error)) {
    return "its saved export cannot be read (" + error + ")";
  }
  return ExportRefusal(contents, fullKeyName);
}

std::string ExportRefusal(const ExportContents& contents, const std::string& fullKeyName) {
  if (contents.sections.empty()) return "its saved export holds no key";
  for (const ExportSection& section : contents.sections) {
    if (section.deletes) return "its saved export would delete the key " + section.keyName;
  }
  if (contents.valueDeletionLine != 0) {
    return "its saved export would delete a value (line " +
           std::to_string(contents.valueDeletionLine) + ")";
  }
  const std::string& first = contents.sections.front().keyName;
  if (!KeyAtOrBelow(first, fullKeyName) || !KeyAtOrBelow(fullKeyName, first)) {
    return "its saved export holds the key " + first + ", not this one";
  }
  for (const ExportSection& section : contents.sections) {
    if (!KeyAtOrBelow(section.keyName, fullKeyName)) {
      return "its saved export holds the key " + section.keyName + ", outside this one";
    }
  }
  return "";
}

std::string FileRefusal(const std::string& destPath, const DestinationFacts& facts) {
  if (!EndsWithCaseBlind(destPath, ".lnk") || destPath.size() < 8) {
    return "it is not a shortcut file (.lnk)";
  }
  const char letter = UpperAscii(destPath[0]);
  if (letter < 'A' || letter > 'Z' || destPath.compare(1, 2, ":\\") != 0) {
    return "it is not a full path on a local drive";
  }
  // Every component must be a plain name: no "..", no stream, no device syntax,
  // nothing the system would trim into another name.
  size_t start = 3;
  for (;;) {
    const size_t slash = destPath.find('\\', start);
    const std::string part =
        destPath.substr(start, slash == std::string::npos ? std::string::npos : slash - start);
    if (part.empty() || part == "." || part == ".." || part.back() == '.' ||
        part.back() == ' ') {
      return "its path is not a plain full path";
    }
    for (char c : part) {
      if (ForbiddenInFileName(c)) return "its path is not a plain full path";
    }
    if (slash == std::string::npos) break;
    start = slash + 1;
  }
  if (!facts.isFixedDrive(letter)) return "it is not on a local fixed drive";
  // Each folder from the drive down: a junction or link there would carry the
  // copy somewhere the record does not say.
  for (size_t slash = destPath.find('\\', 3); slash != std::string::npos;
       slash = destPath.find('\\', slash + 1)) {
    const FolderState state = facts.folderState(destPath.substr(0, slash));
    if (state == FolderState::kMissing) break;
    if (state == FolderState::kLink) return "a folder on its path is a junction or link";
    if (state != FolderState::kFolder) return "a part of its path is not a folder";
  }
  return "";
}
