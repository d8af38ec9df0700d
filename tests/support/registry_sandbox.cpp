#include "support/registry_sandbox.h"

#include <sddl.h>

#include <atomic>

namespace {

std::atomic<int> g_nSandboxes{0};

HKEY CreateBelow(HKEY parent, const std::string& path) {
  HKEY hKey = nullptr;
  const LONG rc = RegCreateKeyExA(parent, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &hKey, nullptr);
  return rc == ERROR_SUCCESS ? hKey : nullptr;
}

}  // namespace

RegistrySandbox::RegistrySandbox() {
  m_strBase = "QuillbaneTests\\Sandbox-" + std::to_string(GetCurrentProcessId()) + "-" +
              std::to_string(++g_nSandboxes);
  // The real HKCU\Software must be opened before HKCU is redirected; opening HKCU
  // with an empty path would only hand back the pseudo-handle.
  if (RegOpenKeyExA(HKEY_CURRENT_USER, "Software", 0, KEY_ALL_ACCESS, &m_hSoftware) != ERROR_SUCCESS) return;
  // Wine reuses process ids: a run that was killed left its keys under this name.
  RegDeleteTreeA(m_hSoftware, m_strBase.c_str());
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE", 0, KEY_READ, &m_hRealMachineSoftware) != ERROR_SUCCESS)
    m_hRealMachineSoftware = nullptr;
  m_hMachine = CreateBelow(m_hSoftware, m_strBase + "\\HKLM");
  m_hUser = CreateBelow(m_hSoftware, m_strBase + "\\HKCU");
  m_hClasses = CreateBelow(m_hSoftware, m_strBase + "\\HKCR");
  if (!m_hMachine || !m_hUser || !m_hClasses) return;
  m_bActive = RegOverridePredefKey(HKEY_LOCAL_MACHINE, m_hMachine) == ERROR_SUCCESS &&
              RegOverridePredefKey(HKEY_CURRENT_USER, m_hUser) == ERROR_SUCCESS &&
              RegOverridePredefKey(HKEY_CLASSES_ROOT, m_hClasses) == ERROR_SUCCESS;
}

RegistrySandbox::~RegistrySandbox() {
  for (HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER, HKEY_CLASSES_ROOT}) RegOverridePredefKey(root, nullptr);
  for (HKEY hKey : {m_hMachine, m_hUser, m_hClasses, m_hRealMachineSoftware})
    if (hKey) RegCloseKey(hKey);
  if (m_hSoftware) {
    RegDeleteTreeA(m_hSoftware, m_strBase.c_str());
    RegCloseKey(m_hSoftware);
  }
}

bool RegistrySandbox::CopyMachineSoftwareKey(const std::string& path) {
  if (!m_bActive || !m_hRealMachineSoftware) return false;
  HKEY hFrom = nullptr;
  if (RegOpenKeyExA(m_hRealMachineSoftware, path.c_str(), 0, KEY_READ, &hFrom) != ERROR_SUCCESS) return false;
  HKEY hTo = CreateBelow(m_hMachine, "SOFTWARE\\" + path);
  const bool copied = hTo && RegCopyTreeA(hFrom, nullptr, hTo) == ERROR_SUCCESS;
  if (hTo) RegCloseKey(hTo);
  RegCloseKey(hFrom);
  return copied;
}

bool RegPutBytes(HKEY root, const std::string& key, const std::string& name, DWORD type,
                 const void* data, DWORD size) {
  HKEY hKey = CreateBelow(root, key);
  if (!hKey) return false;
  LONG rc = RegSetValueExA(hKey, name.c_str(), 0, type, static_cast<const BYTE*>(data), size);
  RegCloseKey(hKey);
  return rc == ERROR_SUCCESS;
}

bool RegPutString(HKEY root, const std::string& key, const std::string& name,
                  const std::string& value, DWORD type) {
  return RegPutBytes(root, key, name, type, value.c_str(), static_cast<DWORD>(value.size() + 1));
}

bool RegPutDword(HKEY root, const std::string& key, const std::string& name, DWORD value) {
  return RegPutBytes(root, key, name, REG_DWORD, &value, sizeof(value));
}

bool RegKeyExists(HKEY root, const std::string& key) {
  HKEY hKey = nullptr;
  if (RegOpenKeyExA(root, key.c_str(), 0, KEY_READ, &hKey) != ERROR_SUCCESS) return false;
  RegCloseKey(hKey);
  return true;
}

bool RegGetRaw(HKEY root, const std::string& key, const std::string& name, DWORD& type,
               std::string& bytes) {
  HKEY hKey = nullptr;
  if (RegOpenKeyExA(root, key.c_str(), 0, KEY_READ, &hKey) != ERROR_SUCCESS) return false;
  DWORD size = 0;
  LONG rc = RegQueryValueExA(hKey, name.c_str(), nullptr, &type, nullptr, &size);
  if (rc == ERROR_SUCCESS) {
    bytes.assign(size, '\0');
    rc = RegQueryValueExA(hKey, name.c_str(), nullptr, &type,
                          reinterpret_cast<BYTE*>(&bytes[0]), &size);
    bytes.resize(size);
  }
  RegCloseKey(hKey);
  return rc == ERROR_SUCCESS;
}

namespace {

bool SetAccessList(HKEY hKey, const char* sddl) {
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (!ConvertStringSecurityDescriptorToSecurityDescriptorA(sddl, SDDL_REVISION_1, &descriptor,
                                                            nullptr)) {
    return false;
  }
  const bool set = RegSetKeySecurity(hKey, DACL_SECURITY_INFORMATION, descriptor) == ERROR_SUCCESS;
  LocalFree(descriptor);
  return set;
}

}  // namespace

ReadOnlyKey::ReadOnlyKey(HKEY root, const std::string& key, const char* accessList) {
  if (RegOpenKeyExA(root, key.c_str(), 0, WRITE_DAC, &m_hKey) != ERROR_SUCCESS) m_hKey = nullptr;
  m_bApplied = m_hKey && SetAccessList(m_hKey, accessList);
}

ReadOnlyKey::~ReadOnlyKey() {
  if (!m_hKey) return;
  SetAccessList(m_hKey, "D:(A;;KA;;;WD)");
  RegCloseKey(m_hKey);
}

bool HasValue(HKEY root, const std::string& key, const std::string& name) {
  DWORD type = 0;
  std::string bytes;
  return RegGetRaw(root, key, name, type, bytes);
}
