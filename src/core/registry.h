#pragma once
// CRegistry: one open registry key with its descriptive path text and two
// enumeration cursors. Every operation reports success as true or false and
// never throws; every open and create asks for full access, so a key the user
// may read but not write behaves like a missing key, except OpenKeyForReading.
// Keys are opened and created through the wide API, so a path of any length works.

#include <windows.h>

#include <string>

#include "core/handles.h"
#include "core/wide_text.h"

// "HKEY_CURRENT_USER", "HKEY_LOCAL_MACHINE" or "HKEY_CLASSES_ROOT"; "" for any
// other handle (HKEY_USERS included).
std::string RootKeyName(HKEY hRoot);

// The inverse of RootKeyName: exact, case-sensitive, whole-text match; null for
// anything else (abbreviations, other cases, a trailing backslash).
HKEY RootKeyFromName(const std::string& name);

// Opens root\subKey through the wide API, which has no path length limit (the
// narrow calls cannot open a path of more than about 260 characters). Returns
// the system's error code: ERROR_FILE_NOT_FOUND when the key is not there,
// something else (access denied ...) when it is there but cannot be opened.
LONG OpenRegistryKey(HKEY hRoot, const std::string& subKey, REGSAM access, HKEY& hKeyOut);
// The same into an owner, which lets go of any key it held first.
LONG OpenRegistryKey(HKEY hRoot, const std::string& subKey, REGSAM access, KeyHandle& key);

class CRegistry {
 public:
  CRegistry();
  explicit CRegistry(HKEY hRoot);
  CRegistry(HKEY hRoot, const std::string& subKey);
  virtual ~CRegistry();

  CRegistry(const CRegistry&) = delete;
  CRegistry& operator=(const CRegistry&) = delete;

  bool OpenRootKey(HKEY hRoot);
  bool OpenKey(HKEY hRoot, const std::string& subKey);
  // Read access only, for a key that is looked at and never changed through this
  // object: a key the user may read but not write opens.
  bool OpenKeyForReading(HKEY hRoot, const std::string& subKey);
  bool OpenSubKey(const std::string& subKey);
  bool CreateKey(const std::string& subKey, bool descend);
  bool CloseKey();
  bool SubKeyExists(const std::string& subKey) const;

  bool QueryDwordValue(const std::string& name, DWORD& value) const;
  bool QueryStringValue(const std::string& name, std::string& value) const;
  bool SetDwordValue(const std::string& name, DWORD value);
  bool SetStringValue(const std::string& name, const std::string& value);
  bool SetStringValue(const std::string& name, const char* value);
  bool DeleteValue(const std::string& name);

  // Cursor enumeration: each call returns the next item; at the end (or on any
  // error) the cursor goes back to 0 and the call fails, so a new loop starts over.
  bool EnumSubKey(std::string& name);
  bool EnumValue(std::string& name, DWORD& type);

  bool IsOpen() const { return m_key.Valid(); }
  HKEY Handle() const { return m_key.Get(); }
  const std::string& Path() const { return m_strPath; }

 private:
  void Adopt(KeyHandle key, const std::string& path);

  KeyHandle m_key;
  std::string m_strPath;
  DWORD m_nValueIndex;
  DWORD m_nSubKeyIndex;
};
