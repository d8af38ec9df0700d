#include "core/startup_approved.h"

#include <shlobj.h>

#include "core/ascii_case.h"
#include "core/handles.h"
#include "core/registry.h"
#include "core/wide_text.h"

namespace {

const StartupFolders* g_pTestFolders = nullptr;

std::string KnownFolder(int csidl) {
  wchar_t path[MAX_PATH] = {};
  if (FAILED(SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path))) return "";
  std::string folder = NarrowText(path);
  while (!folder.empty() && folder.back() == '\\') folder.pop_back();
  return folder;
}

bool EndsWithNoCase(const std::string& text, const char* tail) {
  const std::string end(tail);
  return text.size() >= end.size() && SameIgnoringAsciiCase(text.substr(text.size() - end.size()), end);
}

}  // namespace

std::string StartupApprovedKey(const char* which) {
  return std::string(kStartupApprovedKeyPath) + "\\" + which;
}

std::string ApprovedKeyOfRunKey(const std::string& runKeyPath) {
  return StartupApprovedKey(LowerAsciiText(runKeyPath).find("\\wow6432node\\") != std::string::npos
                                ? kApprovedRun32
                                : kApprovedRun);
}

bool ApprovalEnabled(bool present, const std::string& bytes) {
  if (!present || bytes.empty()) return true;
  return (static_cast<unsigned char>(bytes[0]) & 1) == 0;
}

std::string EnabledApprovalBytes() {
  std::string bytes(kApprovalBytes, '\0');
  bytes[0] = '\x02';
  return bytes;
}

std::string DisabledApprovalBytes(const FILETIME& when) {
  std::string bytes(kApprovalBytes, '\0');
  bytes[0] = '\x03';
  const unsigned long long time =
      (static_cast<unsigned long long>(when.dwHighDateTime) << 32) | when.dwLowDateTime;
  for (int i = 0; i < 8; ++i) bytes[4 + i] = static_cast<char>((time >> (8 * i)) & 0xFF);
  return bytes;
}

StartupFolders SystemStartupFolders() {
  if (g_pTestFolders) return *g_pTestFolders;
  return {KnownFolder(CSIDL_STARTUP), KnownFolder(CSIDL_COMMON_STARTUP)};
}

void SetStartupFoldersForTest(const StartupFolders* folders) { g_pTestFolders = folders; }

std::string StartupFolderOfRoot(HKEY root) {
  const StartupFolders folders = SystemStartupFolders();
  if (root == HKEY_CURRENT_USER) return folders.user;
  if (root == HKEY_LOCAL_MACHINE) return folders.common;
  return "";
}

std::vector<std::string> StartupShortcuts(const std::string& folder) {
  std::vector<std::string> names;
  if (folder.empty()) return names;
  WIN32_FIND_DATAW found;
  const FindHandle search(FindFirstFileW(WideText(folder + "\\*").c_str(), &found));
  if (!search) return names;
  do {
    if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
    const std::string name = NarrowText(found.cFileName);
    // The pattern "*.lnk" would also match the 8.3 names of longer extensions.
    if (EndsWithNoCase(name, ".lnk")) names.push_back(name);
  } while (FindNextFileW(search.Get(), &found));
  return names;
}

bool ReadApprovalValue(HKEY root, const std::string& approvedKey, const std::string& name,
                       std::string& bytes, DWORD* type, LONG* error) {
  bytes.clear();
  KeyHandle key;
  LONG rc = OpenRegistryKey(root, approvedKey, KEY_READ, key);
  if (rc == ERROR_SUCCESS) {
    const std::wstring wide = WideText(name);
    DWORD size = 0, kind = 0;
    rc = RegQueryValueExW(key.Get(), wide.c_str(), nullptr, &kind, nullptr, &size);
    if (rc == ERROR_SUCCESS) {
      bytes.resize(size);
      rc = RegQueryValueExW(key.Get(), wide.c_str(), nullptr, &kind,
                            reinterpret_cast<BYTE*>(&bytes[0]), &size);
      bytes.resize(rc == ERROR_SUCCESS ? size : 0);
    }
    if (type) *type = kind;
  }
  if (error) *error = rc;
  return rc == ERROR_SUCCESS;
}
