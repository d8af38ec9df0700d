#include "scan/registry_read.h"

#include <cstring>
#include <vector>

bool ScopedKey::Open(HKEY hParent, const std::string& subKey) {
  Close();
  HKEY hKey = nullptr;
  if (RegOpenKeyExA(hParent, subKey.c_str(), 0, KEY_ALL_ACCESS, &hKey) != ERROR_SUCCESS) {
    return false;
  }
  m_hKey = hKey;
  return true;
}

void ScopedKey::Close() {
  if (m_hKey) RegCloseKey(m_hKey);
  m_hKey = nullptr;
}

DWORD SubKeyCount(HKEY hKey) {
  DWORD count = 0;
  if (RegQueryInfoKeyA(hKey, nullptr, nullptr, nullptr, &count, nullptr, nullptr, nullptr,
                       nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) {
    return 0;
  }
  return count;
}

DWORD ValueCount(HKEY hKey) {
  DWORD count = 0;
  if (RegQueryInfoKeyA(hKey, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &count,
                       nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) {
    return 0;
  }
  return count;
}

bool EnumSubKeyName(HKEY hKey, DWORD index, std::string& name) {
  char buffer[256];
  DWORD length = 255;
  if (RegEnumKeyExA(hKey, index, buffer, &length, nullptr, nullptr, nullptr, nullptr) !=
      ERROR_SUCCESS) {
    return false;
  }
  name.assign(buffer, length < 255 ? length : 255);
  return true;
}

bool EnumValueName(HKEY hKey, DWORD index, std::string& name) {
  static thread_local std::vector<char> buffer(16384);
  DWORD length = 16383;
  if (RegEnumValueA(hKey, index, buffer.data(), &length, nullptr, nullptr, nullptr, nullptr) !=
      ERROR_SUCCESS) {
    return false;
  }
  name.assign(buffer.data(), length < 16383 ? length : 16383);
  return true;
}

bool ReadValueText(HKEY hKey, const std::string& name, DWORD capacity, std::string& text,
                   DWORD* typeOut) {
  char buffer[260];
  if (capacity > sizeof(buffer)) capacity = sizeof(buffer);
  std::memset(buffer, 0, sizeof(buffer));
  DWORD type = 0, size = capacity;
  if (RegQueryValueExA(hKey, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(buffer),
                       &size) != ERROR_SUCCESS ||
      size > capacity) {
    return false;
  }
  text.assign(buffer, size);
  text.resize(std::strlen(text.c_str()));
  if (typeOut) *typeOut = type;
  return true;
}
