// Type libraries (section ActiveX/COM Program ID) and the program identifiers
// named by file-extension keys (second half of File Associations).

#include <objbase.h>

#include <vector>

#include "core/section_catalogue.h"
#include "scan/entry_findings.h"
#include "scan/path_probe.h"
#include "scan/referenced_paths.h"
#include "scan/registry_read.h"
#include "scan/section_scanner.h"
#include "scan/view_paths.h"

namespace {

bool EqualsNoCase(const std::string& a, const char* b) {
  size_t i = 0;
  for (; i < a.size() && b[i] != '\0'; ++i) {
    char x = a[i], y = b[i];
    if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
    if (x != y) return false;
  }
  return i == a.size() && b[i] == '\0';
}

// Missing as a folder: nothing there, or a file.
bool NotAFolder(const std::string& path) {
  const PathState state = ProbePath(path);
  return state == PathState::kMissing || state == PathState::kFile;
}

std::string LastPart(const std::string& keyPath) {
  const size_t slash = keyPath.rfind('\\');
  return slash == std::string::npos ? std::string() : keyPath.substr(slash);
}

}  // namespace

int SectionScanner::ScanTypeLibraries() {
  // The 32-bit registrations' libraries too, unless the system shares the key
  // between the views (as Windows 7 and later do).
  for (const ViewKey& viewKey : KeysOfBothViews(HKEY_CLASSES_ROOT, "TypeLib")) {
    ScopedKey hKey;
    if (!m_bRunning || !OpenSectionKey(hKey, HKEY_CLASSES_ROOT, viewKey.keyPath)) continue;
    const DWORD count = SubKeyCount(hKey.Get());
    for (DWORD index = 0; index < count && m_bRunning; ++index) {
      std::string name;
      if (!EnumSubKeyName(hKey.Get(), index, name)) continue;
      if (ScanTypeLibKey(viewKey.keyPath + "\\" + name) == 0) return m_bRunning;
    }
  }
  return m_bRunning;
}

int SectionScanner::ScanTypeLibKey(const std::string& keyPath) {
  if (!m_bRunning) return 0;

  if (IsTypeLibCheckedKey(keyPath)) {
    bool tested = false;
    ReportFindings(kActiveXCom, HKEY_CLASSES_ROOT, keyPath, "", TypeLibFindings(keyPath, &tested));
    if (!tested) return 1;
    Status("HKEY_CLASSES_ROOT\\" + keyPath);
    Pump();
    return m_bRunning;
  }

  ScopedKey hKey;
  if (hKey.Open(HKEY_CLASSES_ROOT, keyPath)) {
    const DWORD count = SubKeyCount(hKey.Get());
    for (DWORD index = 0; index < count && m_bRunning; ++index) {
      std::string name;
      if (!EnumSubKeyName(hKey.Get(), index, name)) continue;
      if (ScanTypeLibKey(keyPath + "\\" + name) == 0) return m_bRunning;
    }
  }
  return m_bRunning;
}

bool IsTypeLibCheckedKey(const std::string& keyPath) {
  const std::string last = LastPart(keyPath);
  return EqualsNoCase(last, "\\win32") || EqualsNoCase(last, "\\win16") ||
         EqualsNoCase(last, "\\HELPDIR");
}

Findings TypeLibFindings(const std::string& keyPath, bool* tested) {
  if (tested) *tested = false;
  const RegistryView view = ViewOfTypeLibKey(keyPath);
  std::string text = PathToTest(ReadRegistryString(HKEY_CLASSES_ROOT, keyPath, ""), view);
  ExpandEnvironment(text);
  // A value that is missing, empty or unreadable names nothing known to be gone.
  if (text.empty()) return {};

  Findings findings;
  if (!EqualsNoCase(LastPart(keyPath), "\\HELPDIR")) {
    if (tested) *tested = true;
    if (!ReferencedFileExists(text, view)) findings.push_back({text, FileNotFoundMessage(text), 0});
    return findings;
  }
  if (text.back() == '\\') {
    text.pop_back();
    if (ReferencedFileExists(text, view)) return {};
    if (NotAFolder(text)) findings.push_back({text, FileNotFoundMessage(text), 0});
  }
  if (tested) *tested = true;
  // A help folder whose text is no path, or uses a variable not defined here,
  // is not known to be missing.
  if (NotAFolder(text) && ReadReferencedPath(text, view) != PathReading::kCannotTell) {
    findings.push_back({text, "The Directory Path (" + text + ") is Invalid.", 0});
  }
  return findings;
}

int SectionScanner::ScanProgIds(int pauseMs) {
  ScopedKey hKey;
  if (!OpenSectionKey(hKey, HKEY_CLASSES_ROOT, "")) return m_bRunning;
  const DWORD count = SubKeyCount(hKey.Get());
  for (DWORD index = 0; index < count && m_bRunning; ++index) {
    std::string name;
    if (EnumSubKeyName(hKey.Get(), index, name)) {
      if (!name.empty() && name[0] == '.') {
        ReportFindings(kFileAssociations, HKEY_CLASSES_ROOT, name, "", ProgIdFindings(name));
      }
      Status("HKEY_CLASSES_ROOT\\" + name);
    }
    PauseAndPump(pauseMs);
  }
  return m_bRunning;
}

Findings ProgIdFindings(const std::string& extension) {
  const std::string progId = ReadRegistryString(HKEY_CLASSES_ROOT, extension, "");
  if (progId.empty() || IsValidProgId(progId)) return {};
  // The key may hold more than the stale identifier (an open-with list, a content
  // type, a new-file template): then only the identifier goes. A key that cannot be
  // looked into is taken to hold more.
  ScopedKey hKey;
  DWORD subKeys = 1, values = 2;
  if (!hKey.OpenForReading(HKEY_CLASSES_ROOT, extension) ||
      RegQueryInfoKeyA(hKey.Get(), nullptr, nullptr, nullptr, &subKeys, nullptr, nullptr,
                       &values, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) {
    subKeys = 1;
  }
  const int isValue = subKeys > 0 || values > 1 ? 1 : 0;
  return {{progId, "The ProgramID (" + progId + ") is Invalid.", isValue}};
}

bool IsValidProgId(const std::string& text) {
  if (text.empty()) return false;
  if (text.find("rundll32") != std::string::npos) return true;

  const int wideLength = MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, nullptr, 0);
  if (wideLength > 0) {
    std::vector<wchar_t> wide(static_cast<size_t>(wideLength));
    MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, wide.data(), wideLength);
    CLSID clsid;
    if (SUCCEEDED(CLSIDFromProgID(wide.data(), &clsid))) return true;
  }
  if (KeyExists(HKEY_CLASSES_ROOT, text)) return true;
  // A default value that is itself a program's path: valid only when it names
  // something that exists (a word that is no path names no program).
  return ReadReferencedPath(text) == PathReading::kFound;
}

bool ClsidKeyExists(const std::string& text) {
  // A class id holds no backslash: such a text (a path) would name a key further down.
  if (text.empty() || text.find('\\') != std::string::npos) return false;
  const std::string braced = text[0] == '{' ? text : "{" + text + "}";
  // A class registered for 32-bit programs only is registered all the same.
  return KeyExists(HKEY_CLASSES_ROOT, "CLSID\\" + braced) ||
         KeyExists(HKEY_CLASSES_ROOT, "Wow6432Node\\CLSID\\" + braced);
}
