// The keys of both views: a key the views share is walked once. (How 32-bit
// entries are tested where their programs look, filed under their Wow6432Node
// keys and re-checked in their view is checked end to end in scan_cli_test.sh and
// backup_roundtrip_test.sh.)

#include <windows.h>

#include <gtest/gtest.h>

#include "scan/view_paths.h"
#include "support/registry_sandbox.h"

namespace {

// A registry link at `from` to the key at `to`, both below the root; removed on
// destruction (the sandbox's tree removal does not remove links).
class RegistryLink {
 public:
  RegistryLink(HKEY root, const std::string& from, const std::string& to) : m_root(root), m_strFrom(from) {
    KeyHandle targetKey, link;
    if (RegOpenKeyExA(root, to.c_str(), 0, KEY_READ, targetKey.Receive()) != ERROR_SUCCESS) return;
    const std::wstring target = RegistryKeyName(targetKey.Get());
    if (RegCreateKeyExA(root, from.c_str(), 0, nullptr, REG_OPTION_CREATE_LINK,
                        KEY_ALL_ACCESS | KEY_CREATE_LINK, nullptr, link.Receive(), nullptr) != ERROR_SUCCESS) {
      return;
    }
    m_bMade = !target.empty() &&
              RegSetValueExW(link.Get(), L"SymbolicLinkValue", 0, REG_LINK,
                             reinterpret_cast<const BYTE*>(target.data()),
                             static_cast<DWORD>(target.size() * sizeof(wchar_t))) == ERROR_SUCCESS;
  }
  ~RegistryLink() {
    using NtDeleteKeyFn = LONG(NTAPI*)(HANDLE);
    const auto deleteKey = reinterpret_cast<NtDeleteKeyFn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtDeleteKey")));
    KeyHandle link;
    if (RegOpenKeyExA(m_root, m_strFrom.c_str(), REG_OPTION_OPEN_LINK, DELETE | KEY_READ, link.Receive()) ==
        ERROR_SUCCESS) {
      deleteKey(link.Get());
    }
  }
  bool Made() const { return m_bMade; }

 private:
  HKEY m_root;
  std::string m_strFrom;
  bool m_bMade = false;
};

// A key the views share (a registry link, as Wine keeps App Paths) is walked once.
TEST(ViewScanners, AKeyTheViewsShareIsWalkedOnce) {
  RegistrySandbox sandbox;
  ASSERT_TRUE(sandbox.Active());
  ASSERT_TRUE(RegPutString(HKEY_CLASSES_ROOT, "TypeLib\\{51B0F00D-0000-4000-8000-000000003232}", "", "x"));
  RegistryLink libs(HKEY_CLASSES_ROOT, "Wow6432Node\\TypeLib", "TypeLib");
  ASSERT_TRUE(libs.Made());
  EXPECT_EQ(1u, KeysOfBothViews(HKEY_CLASSES_ROOT, "TypeLib").size());
}

}  // namespace
