#include "support/registry_sandbox.h"

#include <sddl.h>

#include <atomic>

namespace {

std::atomic<int> g_nSandboxes{0};

KeyHandle CreateBelow(HKEY parent, const std::string& path) {
  HKEY hKey = nullptr;
  const LONG rc = RegCreateKeyExA(parent, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &hKey, nullptr);
  return KeyHandle(rc == ERROR_SUCCESS ? hKey : nullptr);
}

}  // namespace

RegistrySandbox::RegistrySandbox() {
  m_strBase = "QuillbaneTests\\Sandbox-" + std::to_string(GetCurrentProcessId()) + "-" +
              std::to_string(++g_nSandboxes);
  // The real HKCU\Software must be opened before HKCU is redirected; opening HKCU
  // with an empty path would only hand back the pseudo-handle.
  if (RegOpenKeyExA(HKEY_CURRENT_USER, "Software", 0, KEY_ALL_ACCESS, m_hSoftware.Receive()) != ERROR_SUCCESS) return;
  // Wine reuses process ids: a run that was killed left its keys under this name.
  RegDeleteTreeA(m_hSoftware.Get(), m_strBase.c_str());
  RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE", 0, KEY_READ, m_hRealMachineSoftware.Receive());
  m_hMachine = CreateBelow(m_hSoftware.Get(), m_strBase + "\\HKLM");
  m_hUser = CreateBelow(m_hSoftware.Get(), m_strBase + "\\HKCU");
  m_hClasses = CreateBelow(m_hSoftware.Get(), m_strBase + "\\HKCR");
  if (!m_hMachine || !m_hUser || !m_hClasses) return;
  m_bActive = RegOverridePredefKey(HKEY_LOCAL_MACHINE, m_hMachine.Get()) == ERROR_SUCCESS &&
              RegOverridePredefKey(HKEY_CURRENT_USER, m_hUser.Get()) == ERROR_SUCCESS &&
              RegOverridePredefKey(HKEY_CLASSES_ROOT, m_hClasses.Get()) == ERROR_SUCCESS;
}

RegistrySandbox::~RegistrySandbox() {
  for (HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER, HKEY_CLASSES_ROOT}) RegOverridePredefKey(root, nullptr);
  if (m_hSoftware) RegDeleteTreeA(m_hSoftware.Get(), m_strBase.c_str());
}

bool RegistrySandbox::CopyMachineSoftwareKey(const std::string& path) {
  if (!m_bActive || !m_hRealMachineSoftware) return false;
  KeyHandle from;
  if (RegOpenKeyExA(m_hRealMachineSoftware.Get(), path.c_str(), 0, KEY_READ, from.Receive()) != ERROR_SUCCESS) return false;
  const KeyHandle to = CreateBelow(m_hMachine.Get(), "SOFTWARE\\" + path);
  return to && RegCopyTreeA(from.Get(), nullptr, to.Get()) == ERROR_SUCCESS;
}

bool RegPutBytes(HKEY root, const std::string& key, const std::string& name, DWORD type,
                 const void* data, DWORD size) {
  const KeyHandle created = CreateBelow(root, key);
  return created &&
         RegSetValueExA(created.Get(), name.c_str(), 0, type, static_cast<const BYTE*>(data), size) == ERROR_SUCCESS;
}

bool RegPutString(HKEY root, const std::string& key, const std::string& name,
                  const std::string& value, DWORD type) {
  return RegPutBytes(root, key, name, type, value.c_str(), static_cast<DWORD>(value.size() + 1));
}

bool RegPutDword(HKEY root, const std::string& key, const std::string& name, DWORD value) {
  return RegPutBytes(root, key, name, REG_DWORD, &value, sizeof(value));
}

bool RegKeyExists(HKEY root, const std::string& key) {
  KeyHandle opened;
  return RegOpenKeyExA(root, key.c_str(), 0, KEY_READ, opened.Receive()) == ERROR_SUCCESS;
}

bool RegGetRaw(HKEY root, const std::string& key, const std::string& name, DWORD& type,
               std::string& bytes) {
  KeyHandle opened;
  if (RegOpenKeyExA(root, key.c_str(), 0, KEY_READ, opened.Receive()) != ERROR_SUCCESS) return false;
  DWORD size = 0;
  LONG rc = RegQueryValueExA(opened.Get(), name.c_str(), nullptr, &type, nullptr, &size);
  if (rc == ERROR_SUCCESS) {
    bytes.assign(size, '\0');
    rc = RegQueryValueExA(opened.Get(), name.c_str(), nullptr, &type,
                          reinterpret_cast<BYTE*>(&bytes[0]), &size);
    bytes.resize(size);
  }
  return rc == ERROR_SUCCESS;
}

namespace {

bool SetAccessList(HKEY hKey, const char* sddl) {
  LocalMemory<void> descriptor;
  return ConvertStringSecurityDescriptorToSecurityDescriptorA(sddl, SDDL_REVISION_1,
                                                              descriptor.Receive(), nullptr) &&
         RegSetKeySecurity(hKey, DACL_SECURITY_INFORMATION, descriptor.Get()) == ERROR_SUCCESS;
}

}  // namespace

ReadOnlyKey::ReadOnlyKey(HKEY root, const std::string& key, const char* accessList) {
  RegOpenKeyExA(root, key.c_str(), 0, WRITE_DAC, m_hKey.Receive());
  m_bApplied = m_hKey && SetAccessList(m_hKey.Get(), accessList);
}

ReadOnlyKey::~ReadOnlyKey() {
  if (m_hKey) SetAccessList(m_hKey.Get(), "D:(A;;KA;;;WD)");
}

bool HasValue(HKEY root, const std::string& key, const std::string& name) {
  DWORD type = 0;
  std::string bytes;
  return RegGetRaw(root, key, name, type, bytes);
}
