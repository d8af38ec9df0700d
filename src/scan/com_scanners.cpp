// Type libraries (section ActiveX/COM Program ID) and the program identifiers
// named by file-extension keys (second half of File Associations).

#include <objbase.h>

#include <vector>

#include "core/section_catalogue.h"
#include "scan/path_tests.h"
#include "scan/registry_read.h"
#include "scan/section_scanner.h"

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

bool ClassesKeyOpens(const std::string& path) {
  ScopedKey hKey;
  return hKey.Open(HKEY_CLASSES_ROOT, path);
}

}  // namespace

int SectionScanner::ScanTypeLibraries() {
  ScopedKey hKey;
  if (!hKey.Open(HKEY_CLASSES_ROOT, "TypeLib")) return m_bRunning;
  const DWORD count = SubKeyCount(hKey.Get());
  for (DWORD index = 0; index < count && m_bRunning; ++index) {
    std::string name;
    if (!EnumSubKeyName(hKey.Get(), index, name)) continue;
    if (ScanTypeLibKey("TypeLib\\" + name) == 0) return m_bRunning;
  }
  return m_bRunning;
}

int SectionScanner::ScanTypeLibKey(const std::string& keyPath) {
  if (!m_bRunning) return 0;

  const size_t slash = keyPath.rfind('\\');
  const std::string last = slash == std::string::npos ? std::string() : keyPath.substr(slash);
  const std::string shown = "HKEY_CLASSES_ROOT\\" + keyPath;

  if (EqualsNoCase(last, "\\win32") || EqualsNoCase(last, "\\win16")) {
    std::string text = ReadRegistryString(HKEY_CLASSES_ROOT, keyPath, "");
    ExpandEnvironment(text);
    if (!ReferencedFileExists(text)) {
      ReportRegistry(kActiveXCom, HKEY_CLASSES_ROOT, keyPath, "", text, 0,
                     FileNotFoundMessage(text));
    }
    Status(shown);
    Pump();
    return m_bRunning;
  }

  if (EqualsNoCase(last, "\\HELPDIR")) {
    std::string text = ReadRegistryString(HKEY_CLASSES_ROOT, keyPath, "");
    ExpandEnvironment(text);
    if (text.empty()) return 1;
    if (text.back() == '\\') {
      text.pop_back();
      if (ReferencedFileExists(text)) return 1;
      if (!IsDirectory(text)) {
        ReportRegistry(kActiveXCom, HKEY_CLASSES_ROOT, keyPath, "", text, 0,
                       FileNotFoundMessage(text));
      }
      Status(shown);
      Pump();
    }
    if (!IsDirectory(text)) {
      ReportRegistry(kActiveXCom, HKEY_CLASSES_ROOT, keyPath, "", text, 0,
                     "The Directory Path (" + text + ") is Invalid.");
    }
    Status(shown);
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

int SectionScanner::ScanProgIds(int pauseMs) {
  ScopedKey hKey;
  if (!hKey.Open(HKEY_CLASSES_ROOT, "")) return m_bRunning;
  const DWORD count = SubKeyCount(hKey.Get());
  for (DWORD index = 0; index < count && m_bRunning; ++index) {
    std::string name;
    if (EnumSubKeyName(hKey.Get(), index, name)) {
      if (!name.empty() && name[0] == '.') {
        const std::string progId = ReadRegistryString(HKEY_CLASSES_ROOT, name, "");
        if (!progId.empty() && !IsValidProgId(progId)) {
          ReportRegistry(kFileAssociations, HKEY_CLASSES_ROOT, name, "", progId, 0,
                         "The ProgramID (" + progId + ") is Invalid.");
        }
      }
      Status("HKEY_CLASSES_ROOT\\" + name);
    }
    PauseAndPump(pauseMs);
  }
  return m_bRunning;
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
  if (ClassesKeyOpens(text)) return true;
  return ReferencedFileExists(text);
}

bool ClsidKeyExists(const std::string& text) {
  if (text.empty()) return false;
  const std::string braced = text[0] == '{' ? text : "{" + text + "}";
  return ClassesKeyOpens("CLSID\\" + braced);
}
