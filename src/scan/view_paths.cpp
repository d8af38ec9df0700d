#include "scan/view_paths.h"

#include <utility>
#include <vector>

#include "scan/path_probe.h"
#include "scan/referenced_paths.h"
#include "scan/registry_read.h"

namespace {

std::string Variable(const char* name) {
  char buffer[MAX_PATH] = {};
  const DWORD length = GetEnvironmentVariableA(name, buffer, MAX_PATH);
  return length > 0 && length < MAX_PATH ? std::string(buffer, length) : std::string();
}

ViewFolders ReadViewFolders() {
  ViewFolders folders;
  folders.windows = GetWindowsFolder();
  char buffer[MAX_PATH] = {};
  const DWORD length = GetShortPathNameA(folders.windows.c_str(), buffer, MAX_PATH);
  if (length > 0 && length < MAX_PATH) {
    const std::string shortName(buffer, length);
    if (lstrcmpiA(shortName.c_str(), folders.windows.c_str()) != 0) folders.windowsShort = shortName;
  }
  folders.programFilesX86 = Variable("ProgramFiles(x86)");
  folders.commonFilesX86 = Variable("CommonProgramFiles(x86)");
  return folders;
}

// The key name information class of NtQueryKey: the full name of the key object.
constexpr int kKeyNameInformation = 3;
using NtQueryKeyFn = LONG(NTAPI*)(HANDLE, int, PVOID, ULONG, PULONG);

NtQueryKeyFn QueryKeyFunction() {
  static const NtQueryKeyFn query = reinterpret_cast<NtQueryKeyFn>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQueryKey")));
  return query;
}

bool EqualNoCase(const std::wstring& a, const std::wstring& b) {
  return a.size() == b.size() &&
         CompareStringOrdinal(a.data(), static_cast<int>(a.size()), b.data(),
                              static_cast<int>(b.size()), TRUE) == CSTR_EQUAL;
}

}  // namespace

const ViewFolders& SystemViewFolders() {
  static const ViewFolders folders = ReadViewFolders();
  return folders;
}

std::string PathToTest(std::string text, RegistryView view) {
  return PathInView(std::move(text), view, SystemViewFolders());
}

std::wstring RegistryKeyName(HKEY hKey) {
  const NtQueryKeyFn query = QueryKeyFunction();
  if (query == nullptr || hKey == nullptr) return std::wstring();
  std::vector<ULONG> buffer(256);
  for (int attempt = 0; attempt < 3; ++attempt) {
    ULONG needed = 0;
    const ULONG size = static_cast<ULONG>(buffer.size() * sizeof(ULONG));
    const LONG status = query(hKey, kKeyNameInformation, buffer.data(), size, &needed);
    if (status >= 0) {
      const ULONG bytes = buffer[0];
      if (bytes > size - sizeof(ULONG)) return std::wstring();
      return std::wstring(reinterpret_cast<const wchar_t*>(buffer.data() + 1), bytes / sizeof(wchar_t));
    }
    if (needed <= size) return std::wstring();
    buffer.assign(needed / sizeof(ULONG) + 1, 0);
  }
  return std::wstring();
}

bool SameRegistryKey(HKEY hFirst, HKEY hSecond) {
  const std::wstring first = RegistryKeyName(hFirst);
  return !first.empty() && EqualNoCase(first, RegistryKeyName(hSecond));
}

bool IsLinkedSubKey(const std::wstring& parentName, const std::wstring& childName,
                    const std::string& name) {
  if (parentName.empty() || childName.empty()) return false;
  std::wstring wideName;
  if (!WideFromNarrow(name, wideName)) return false;
  return !EqualNoCase(childName, parentName + L"\\" + wideName);
}

bool SharedWith32BitView(HKEY hRoot, const std::string& keyPath) {
  if (ViewOfKey(keyPath) == RegistryView::k32) return false;
  KeyHandle native, seen;
  return RegOpenKeyExA(hRoot, keyPath.c_str(), 0, KEY_READ | KEY_WOW64_64KEY, native.Receive()) ==
             ERROR_SUCCESS &&
         RegOpenKeyExA(hRoot, keyPath.c_str(), 0, KEY_READ | KEY_WOW64_32KEY, seen.Receive()) ==
             ERROR_SUCCESS &&
         SameRegistryKey(native.Get(), seen.Get());
}

std::vector<ViewKey> KeysOfBothViews(HKEY hRoot, const std::string& keyPath) {
  std::vector<ViewKey> keys{{keyPath, RegistryView::k64}};
  const std::string twin = Wow64KeyPath(keyPath, hRoot == HKEY_CLASSES_ROOT);
  ScopedKey hNative, hTwin;
  if (!hTwin.OpenForReading(hRoot, twin)) return keys;
  if (hNative.OpenForReading(hRoot, keyPath)) {
    // Shared: the twin is a link to the key, or the system hands a 32-bit program
    // the key itself (then the twin below Wow6432Node is a leftover no one reads).
    if (SameRegistryKey(hNative.Get(), hTwin.Get())) return keys;
    KeyHandle seen;
    if (RegOpenKeyExA(hRoot, keyPath.c_str(), 0, KEY_READ | KEY_WOW64_32KEY, seen.Receive()) ==
            ERROR_SUCCESS &&
        SameRegistryKey(hNative.Get(), seen.Get())) {
      return keys;
    }
  }
  keys.push_back({twin, RegistryView::k32});
  return keys;
}
