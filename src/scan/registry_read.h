#pragma once
// Small owners and readers for the scanners' direct registry access.

#include <windows.h>

#include <string>

// One open key, closed when the owner goes.
class ScopedKey {
 public:
  ScopedKey() = default;
  ~ScopedKey() { Close(); }
  ScopedKey(const ScopedKey&) = delete;
  ScopedKey& operator=(const ScopedKey&) = delete;
  ScopedKey(ScopedKey&& other) noexcept : m_hKey(other.m_hKey) { other.m_hKey = nullptr; }
  ScopedKey& operator=(ScopedKey&& other) noexcept {
    if (this != &other) {
      Close();
      m_hKey = other.m_hKey;
      other.m_hKey = nullptr;
    }
    return *this;
  }

  // Full access, as the scanners open their keys; closes any key held before.
  bool Open(HKEY hParent, const std::string& subKey);
  void Close();
  HKEY Get() const { return m_hKey; }

 private:
  HKEY m_hKey = nullptr;
};

DWORD SubKeyCount(HKEY hKey);
DWORD ValueCount(HKEY hKey);

// The subkey name at an index into a 256-character buffer (names up to 254).
bool EnumSubKeyName(HKEY hKey, DWORD index, std::string& name);
// The value name at an index into a 16,384-character buffer.
bool EnumValueName(HKEY hKey, DWORD index, std::string& name);

// A value's data into a buffer of `capacity` bytes, as text up to its first zero
// byte; false when the value is missing or longer than the buffer.
bool ReadValueText(HKEY hKey, const std::string& name, DWORD capacity, std::string& text,
                   DWORD* typeOut = nullptr);
