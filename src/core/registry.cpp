#include "core/registry.h"

#include <vector>

#include "core/wide_text.h"

namespace {

// The name each predefined root carries at the head of a key's path text.
std::string RootPathName(HKEY hRoot) {
  if (hRoot == HKEY_CLASSES_ROOT) return "HKEY_CLASSES_ROOT";
  if (hRoot == HKEY_CURRENT_USER) return "HKEY_CURRENT_USER";
  if (hRoot == HKEY_LOCAL_MACHINE) return "HKEY_LOCAL_MACHINE";
  if (hRoot == HKEY_USERS) return "HKEY_USERS";
  if (hRoot == HKEY_PERFORMANCE_DATA) return "HKEY_PERFORMANCE_DATA";
  if (hRoot == HKEY_CURRENT_CONFIG) return "HKEY_CURRENT_CONFIG";
  if (hRoot == HKEY_DYN_DATA) return "HKEY_DYN_DATA";
  return "CRegistry needs an update!";
}

// Registry text data need not be zero-terminated, and may hold several strings:
// take what stands before the first zero byte, never reading past the data.
std::string TextFromBytes(const std::vector<char>& bytes) {
  size_t n = 0;
  while (n < bytes.size() && bytes[n] != '\0') ++n;
  return std::string(bytes.data(), n);
}

}  // namespace

std::string RootKeyName(HKEY hRoot) {
  if (hRoot == HKEY_CURRENT_USER) return "HKEY_CURRENT_USER";
  if (hRoot == HKEY_LOCAL_MACHINE) return "HKEY_LOCAL_MACHINE";
  if (hRoot == HKEY_CLASSES_ROOT) return "HKEY_CLASSES_ROOT";
  return "";
}

LONG OpenRegistryKey(HKEY hRoot, const std::string& subKey, REGSAM access, HKEY& hKeyOut) {
  hKeyOut = nullptr;
  return RegOpenKeyExW(hRoot, WideText(subKey).c_str(), 0, access, &hKeyOut);
}

LONG OpenRegistryKey(HKEY hRoot, const std::string& subKey, REGSAM access, KeyHandle& key) {
  key.Reset();
  HKEY hKey = nullptr;
  const LONG rc = OpenRegistryKey(hRoot, subKey, access, hKey);
  if (rc == ERROR_SUCCESS) key.Reset(hKey);
  return rc;
}

HKEY RootKeyFromName(const std::string& name) {
  if (name == "HKEY_CURRENT_USER") return HKEY_CURRENT_USER;
  if (name == "HKEY_LOCAL_MACHINE") return HKEY_LOCAL_MACHINE;
  if (name == "HKEY_CLASSES_ROOT") return HKEY_CLASSES_ROOT;
  return nullptr;
}

CRegistry::CRegistry() : m_nValueIndex(0), m_nSubKeyIndex(0) {}

CRegistry::CRegistry(HKEY hRoot) : CRegistry() { OpenRootKey(hRoot); }

CRegistry::CRegistry(HKEY hRoot, const std::string& subKey) : CRegistry() {
  OpenKey(hRoot, subKey);
}

CRegistry::~CRegistry() { CloseKey(); }

void CRegistry::Adopt(KeyHandle key, const std::string& path) {
  CloseKey();
  m_key = std::move(key);
  m_strPath = path;
}

bool CRegistry::OpenRootKey(HKEY hRoot) {
  CloseKey();
  HKEY hKey = nullptr;
  if (RegOpenKeyExA(hRoot, "", 0, KEY_ALL_ACCESS, &hKey) != ERROR_SUCCESS) return false;
  Adopt(KeyHandle(hKey), RootPathName(hRoot));
  return true;
}

bool CRegistry::OpenKey(HKEY hRoot, const std::string& subKey) {
  CloseKey();
  KeyHandle key;
  if (OpenRegistryKey(hRoot, subKey, KEY_ALL_ACCESS, key) != ERROR_SUCCESS) return false;
  Adopt(std::move(key), RootPathName(hRoot) + "\\" + subKey);
  return true;
}

bool CRegistry::OpenKeyForReading(HKEY hRoot, const std::string& subKey) {
  CloseKey();
  KeyHandle key;
  if (OpenRegistryKey(hRoot, subKey, KEY_READ, key) != ERROR_SUCCESS) return false;
  Adopt(std::move(key), RootPathName(hRoot) + "\\" + subKey);
  return true;
}

bool CRegistry::OpenSubKey(const std::string& subKey) {
  KeyHandle key;
  if (OpenRegistryKey(m_key.Get(), subKey, KEY_ALL_ACCESS, key) != ERROR_SUCCESS) return false;
  Adopt(std::move(key), m_strPath + "\\" + subKey);
  return true;
}

bool CRegistry::CreateKey(const std::string& subKey, bool descend) {
  HKEY hKey = nullptr;
  if (RegCreateKeyExW(m_key.Get(), WideText(subKey).c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                      KEY_ALL_ACCESS, nullptr, &hKey, nullptr) != ERROR_SUCCESS) {
    return false;
  }
  KeyHandle key(hKey);
  if (descend) Adopt(std::move(key), m_strPath + "\\" + subKey);
  return true;
}

bool CRegistry::CloseKey() {
  if (!m_key.Valid()) return false;
  m_key.Reset();
  m_strPath.clear();
  m_nValueIndex = 0;
  m_nSubKeyIndex = 0;
  return true;
}

bool CRegistry::SubKeyExists(const std::string& subKey) const {
  KeyHandle key;
  return OpenRegistryKey(m_key.Get(), subKey, KEY_ALL_ACCESS, key) == ERROR_SUCCESS;
}

bool CRegistry::QueryDwordValue(const std::string& name, DWORD& value) const {
  if (!m_key.Valid()) return false;
  DWORD type = 0, number = 0, size = sizeof(number);
  if (RegQueryValueExA(m_key.Get(), name.c_str(), nullptr, &type,
                       reinterpret_cast<BYTE*>(&number), &size) != ERROR_SUCCESS) {
    return false;
  }
  // A REG_DWORD shorter than four bytes is damaged data, not a number.
  if (type != REG_DWORD || size != sizeof(number)) return false;
  value = number;
  return true;
}

bool CRegistry::QueryStringValue(const std::string& name, std::string& value) const {
  if (!m_key.Valid()) return false;
  DWORD type = 0, size = 0;
  if (RegQueryValueExA(m_key.Get(), name.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS) {
    return false;
  }
  if (type != REG_SZ && type != REG_EXPAND_SZ) return false;

  std::vector<char> data(size);
  LONG rc = ERROR_MORE_DATA;
  // The value may grow between the two calls; read again at its new size.
  for (int attempt = 0; attempt < 4 && rc == ERROR_MORE_DATA; ++attempt) {
    data.resize(size);
    rc = RegQueryValueExA(m_key.Get(), name.c_str(), nullptr, &type,
                          size ? reinterpret_cast<BYTE*>(data.data()) : nullptr, &size);
  }
  if (rc != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) return false;
  data.resize(size);
  std::string text = TextFromBytes(data);

  if (type == REG_EXPAND_SZ) ExpandEnvironmentText(text, text);
  value = text;
  return true;
}

bool CRegistry::SetDwordValue(const std::string& name, DWORD value) {
  return RegSetValueExA(m_key.Get(), name.c_str(), 0, REG_DWORD,
                        reinterpret_cast<const BYTE*>(&value), sizeof(value)) == ERROR_SUCCESS;
}

bool CRegistry::SetStringValue(const std::string& name, const std::string& value) {
  return RegSetValueExA(m_key.Get(), name.c_str(), 0, REG_SZ,
                        reinterpret_cast<const BYTE*>(value.c_str()),
                        static_cast<DWORD>(value.size() + 1)) == ERROR_SUCCESS;
}

bool CRegistry::SetStringValue(const std::string& name, const char* value) {
  return SetStringValue(name, std::string(value ? value : ""));
}

bool CRegistry::DeleteValue(const std::string& name) {
  return RegDeleteValueA(m_key.Get(), name.c_str()) == ERROR_SUCCESS;
}

bool CRegistry::EnumSubKey(std::string& name) {
  FILETIME written;
  std::vector<char> buffer(500);
  DWORD length = static_cast<DWORD>(buffer.size());
  LONG rc = RegEnumKeyExA(m_key.Get(), m_nSubKeyIndex, buffer.data(), &length, nullptr, nullptr,
                          nullptr, &written);
  if (rc == ERROR_MORE_DATA || length >= 500) {
    buffer.assign(1000, '\0');
    length = static_cast<DWORD>(buffer.size());
    rc = RegEnumKeyExA(m_key.Get(), m_nSubKeyIndex, buffer.data(), &length, nullptr, nullptr,
                       nullptr, &written);
  }
  ++m_nSubKeyIndex;
  if (rc != ERROR_SUCCESS) {
    m_nSubKeyIndex = 0;
    return false;
  }
  name.assign(buffer.data(), length);
  return true;
}

bool CRegistry::EnumValue(std::string& name, DWORD& type) {
  std::vector<char> buffer(500);
  DWORD length = static_cast<DWORD>(buffer.size());
  DWORD valueType = 0;
  LONG rc = RegEnumValueA(m_key.Get(), m_nValueIndex, buffer.data(), &length, nullptr, &valueType,
                          nullptr, nullptr);
  if (rc == ERROR_MORE_DATA) {
    // Value names may be up to 16,383 characters; a long one must not end the
    // enumeration early and hide the values after it.
    buffer.assign(16384, '\0');
    length = static_cast<DWORD>(buffer.size());
    rc = RegEnumValueA(m_key.Get(), m_nValueIndex, buffer.data(), &length, nullptr, &valueType,
                       nullptr, nullptr);
  }
  if (rc != ERROR_SUCCESS) {
    m_nValueIndex = 0;
    return false;
  }
  ++m_nValueIndex;
  name.assign(buffer.data(), length);
  type = valueType;
  return true;
}
