#include "scan/registry_read.h"

#include <cstring>
#include <vector>

#include "core/registry.h"

bool ScopedKey::OpenWith(HKEY hParent, const std::string& subKey, REGSAM access) {
  // Wide, so a key path of any length opens.
  m_lLastOpen = OpenRegistryKey(hParent, subKey, access, m_key);
  return m_lLastOpen == ERROR_SUCCESS;
}

bool ScopedKey::OpenForReading(HKEY hParent, const std::string& subKey) {
  return OpenWith(hParent, subKey, KEY_READ);
}

bool KeyExists(HKEY hRoot, const std::string& subKey) {
  KeyHandle key;
  const LONG rc = OpenRegistryKey(hRoot, subKey, KEY_QUERY_VALUE, key);
  return rc != ERROR_FILE_NOT_FOUND && rc != ERROR_PATH_NOT_FOUND;
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

bool HasLoneSurrogate(const wchar_t* text, size_t length) {
  for (size_t i = 0; i < length; ++i) {
    const unsigned unit = static_cast<unsigned>(text[i]);
    if (unit < 0xD800 || unit > 0xDFFF) continue;
    if (unit <= 0xDBFF && i + 1 < length && static_cast<unsigned>(text[i + 1]) >= 0xDC00 &&
        static_cast<unsigned>(text[i + 1]) <= 0xDFFF) {
      ++i;
      continue;
    }
    return true;
  }
  return false;
}

bool IsUnspeakableValueName(HKEY hKey, DWORD index, const char* name, size_t length) {
  static const char kReplacement[] = "\xEF\xBF\xBD";
  const std::string text(name, length);
  if (text.find(kReplacement) == std::string::npos) return false;
  static thread_local std::vector<wchar_t> wide(16384);
  DWORD chars = 16383;
  if (RegEnumValueW(hKey, index, wide.data(), &chars, nullptr, nullptr, nullptr, nullptr) !=
      ERROR_SUCCESS) {
    return false;
  }
  return HasLoneSurrogate(wide.data(), chars < 16383 ? chars : 16383);
}

bool ReadValueBytes(HKEY hKey, const std::string& name, std::string& bytes, DWORD* typeOut) {
  // Most data fits the first buffer; a longer value is read again at its size, and
  // once more should it grow in between.
  std::vector<char> buffer(512);
  DWORD type = 0;
  for (int attempt = 0; attempt < 4; ++attempt) {
    DWORD size = static_cast<DWORD>(buffer.size());
    const LONG rc = RegQueryValueExA(hKey, name.c_str(), nullptr, &type,
                                     reinterpret_cast<BYTE*>(buffer.data()), &size);
    if (rc == ERROR_MORE_DATA) {
      buffer.assign(size > buffer.size() ? size : buffer.size() * 2, '\0');
      continue;
    }
    if (rc != ERROR_SUCCESS || size > buffer.size()) return false;
    bytes.assign(buffer.data(), size);
    if (typeOut) *typeOut = type;
    return true;
  }
  return false;
}

bool ReadValueText(HKEY hKey, const std::string& name, std::string& text, DWORD* typeOut) {
  if (!ReadValueBytes(hKey, name, text, typeOut)) return false;
  text.resize(std::strlen(text.c_str()));
  return true;
}
