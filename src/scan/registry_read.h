#pragma once
// Opening and reading keys for the scanners' direct registry access.

#include <windows.h>

#include <string>

#include "core/handles.h"

// One key the scanners open, with the system's answer to the last open; the key
// itself is held by its owner (closed when this goes or opens another).
class ScopedKey {
 public:
  // Full access, as the scanners open the keys they walk and whose entries removal
  // changes; closes any key held before.
  bool Open(HKEY hParent, const std::string& subKey) {
    return OpenWith(hParent, subKey, KEY_ALL_ACCESS);
  }
  // Read access, for looking only: a key the user may read but not change is there.
  bool OpenForReading(HKEY hParent, const std::string& subKey);
  void Close() { m_key.Reset(); }
  HKEY Get() const { return m_key.Get(); }
  // The system's answer to the last open: ERROR_ACCESS_DENIED means the key is
  // there but may not be opened with the access asked for.
  LONG LastOpenResult() const { return m_lLastOpen; }

 private:
  bool OpenWith(HKEY hParent, const std::string& subKey, REGSAM access);

  KeyHandle m_key;
  LONG m_lLastOpen = ERROR_SUCCESS;
};

DWORD SubKeyCount(HKEY hKey);
DWORD ValueCount(HKEY hKey);

// The subkey name at an index into a 256-character buffer (names up to 254).
bool EnumSubKeyName(HKEY hKey, DWORD index, std::string& name);
// The value name at an index into a 16,384-character buffer.
bool EnumValueName(HKEY hKey, DWORD index, std::string& name);
// True when the name read at the index stands for one that is not text: the
// system stores names as UTF-16, and one holding a lone surrogate has no UTF-8
// spelling, so it reaches us with U+FFFD in its place and names no value. Such a
// value cannot be read, tested or removed by its name. (Cheap for every other
// name: the system is asked again only when U+FFFD is there.)
bool IsUnspeakableValueName(HKEY hKey, DWORD index, const char* name, size_t length);
// True when UTF-16 text holds a surrogate without its partner.
bool HasLoneSurrogate(const wchar_t* text, size_t length);

// A value's data of any length, as it is stored; false when the value is missing or
// cannot be read.
bool ReadValueBytes(HKEY hKey, const std::string& name, std::string& bytes,
                    DWORD* typeOut = nullptr);
// A value's data of any length, as text up to its first zero byte; false when the
// value is missing or cannot be read.
bool ReadValueText(HKEY hKey, const std::string& name, std::string& text,
                   DWORD* typeOut = nullptr);

// Whether a key is there, asked with read access. Only "not found" answers no: a
// key the user may not open at all exists all the same.
bool KeyExists(HKEY hRoot, const std::string& subKey);
