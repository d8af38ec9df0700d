#include "backup/value_bytes.h"

#include <vector>

#include "core/wide_text.h"

bool IsTextType(DWORD type) {
  return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ;
}

LONG ReadValueBytes(HKEY hKey, const std::string& name, bool wide, DWORD& type,
                    std::string& bytes) {
  const std::wstring wideName = WideText(name);
  DWORD size = 0;
  for (int attempt = 0; attempt < 4; ++attempt) {
    std::vector<BYTE> buffer(size ? size : 1);
    DWORD got = static_cast<DWORD>(buffer.size());
    const LONG result =
        wide ? RegQueryValueExW(hKey, wideName.c_str(), nullptr, &type, buffer.data(), &got)
             : RegQueryValueExA(hKey, name.c_str(), nullptr, &type, buffer.data(), &got);
    if (result == ERROR_SUCCESS) {
      bytes.assign(reinterpret_cast<const char*>(buffer.data()), got);
      return ERROR_SUCCESS;
    }
    if (result != ERROR_MORE_DATA) return result;
    size = got;  // grown meanwhile: ask again with the new size
  }
  return ERROR_MORE_DATA;
}

LONG WriteValueBytesExactly(HKEY hKey, const std::string& name, DWORD type,
                            const std::string& bytes) {
  // The system counts in a NUL that text data seems to lack when the memory
  // after the data holds one: a guard of other bytes keeps the data as it is.
  std::vector<BYTE> data(bytes.begin(), bytes.end());
  data.resize(data.size() + 2, 0xFF);
  return RegSetValueExW(hKey, WideText(name).c_str(), 0, type, data.data(),
                        static_cast<DWORD>(bytes.size()));
}

bool NarrowGivesBack(DWORD type, const std::string& narrow, const std::string& wide) {
  if (!IsTextType(type)) return narrow == wide;
  // The narrow write converts the text with the code page, and counts in the
  // NUL that follows data whose last byte is not one (restore writes from a
  // string, which always has it).
  std::string text = narrow;
  if (!text.empty() && text.back() != '\0') text += '\0';
  if (text.empty()) return wide.empty();
  const int length = static_cast<int>(text.size());
  const int chars = MultiByteToWideChar(CP_ACP, 0, text.data(), length, nullptr, 0);
  if (chars <= 0) return false;
  std::wstring converted(static_cast<size_t>(chars), L'\0');
  MultiByteToWideChar(CP_ACP, 0, text.data(), length, &converted[0], chars);
  return wide.size() == converted.size() * sizeof(wchar_t) &&
         wide.compare(0, wide.size(), reinterpret_cast<const char*>(converted.data()),
                      wide.size()) == 0;
}
