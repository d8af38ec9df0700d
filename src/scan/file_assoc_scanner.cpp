// File Associations, first half: the applications in the user's per-extension
// open-with lists must be registered applications whose program exists.

#include "core/registry.h"
#include "core/section_catalogue.h"
#include "scan/entry_findings.h"
#include "scan/referenced_paths.h"
#include "scan/registry_read.h"
#include "scan/section_scanner.h"

namespace {

const char kFileExts[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts";

// Case-blind and multibyte-aware, but exact otherwise: a word sort would treat
// "a-b.exe" and "ab.exe" as the same name.
bool SameNameIgnoringCase(const std::string& a, const std::string& b) {
  return CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE | SORT_STRINGSORT, a.c_str(),
                        static_cast<int>(a.size()), b.c_str(),
                        static_cast<int>(b.size())) == CSTR_EQUAL;
}

}  // namespace

// The shell opens a file with an application of the list through its
// registration under HKCR\Applications, or else finds the program by its name
// as Windows finds programs (App Paths, the Windows and System folders, the
// search path): either that names an existing program makes the entry valid.
bool IsOpenWithAppValid(const std::string& appName) {
  if (ReadReferencedPath(appName) != PathReading::kMissing) return true;
  CRegistry applications;
  // A list the user may not read says nothing about what is registered.
  if (!applications.OpenKeyForReading(HKEY_CLASSES_ROOT, "Applications")) {
    return KeyExists(HKEY_CLASSES_ROOT, "Applications");
  }

  bool valid = false;
  std::string name;
  while (applications.EnumSubKey(name)) {
    if (!SameNameIgnoringCase(name, appName)) continue;
    CRegistry command;
    const std::string commandKey = "Applications\\" + name + "\\shell\\open\\command";
    if (command.OpenKeyForReading(HKEY_CLASSES_ROOT, commandKey)) {
      std::string text;
      if (!command.QueryStringValue("", text)) text.clear();
      valid = valid || ReferencedFileExists(text);
    } else if (KeyExists(HKEY_CLASSES_ROOT, commandKey)) {
      valid = true;  // there, but not readable: not known to be broken
    }
  }
  return valid;
}

Findings OpenWithFindings(const CRegistry& list, const std::string& valueName) {
  std::string application;
  // An entry that is not text, or empty, names no application.
  if (!list.QueryStringValue(valueName, application) || application.empty() ||
      IsOpenWithAppValid(application)) {
    return {};
  }
  return {{application, "The File (" + application + ") cannot be found at the specified location",
           1}};
}

int SectionScanner::ScanFileAssociations() {
  ScopedKey hKey;
  if (!OpenSectionKey(hKey, HKEY_CURRENT_USER, kFileExts)) return m_bRunning;
  const DWORD count = SubKeyCount(hKey.Get());

  for (DWORD index = 0; index < count && m_bRunning; ++index) {
    std::string extension;
    if (!EnumSubKeyName(hKey.Get(), index, extension)) continue;

    const std::string listKey = std::string(kFileExts) + "\\" + extension + "\\OpenWithList";
    CRegistry list;
    if (list.OpenKey(HKEY_CURRENT_USER, listKey)) {
      std::string valueName;
      DWORD type = 0;
      while (list.EnumValue(valueName, type)) {
        if (valueName.size() != 1) continue;
        ReportFindings(kFileAssociations, HKEY_CURRENT_USER, listKey, valueName,
                       OpenWithFindings(list, valueName));
      }
    }
    Status("HKEY_CURRENT_USER\\" + std::string(kFileExts) + "\\" + extension);
    Pump();
  }
  return m_bRunning;
}
