#pragma once
// A registry value's bytes, exactly. The narrow calls convert text data between
// the registry's UTF-16 and the code page, and what they give does not always
// convert back to what was stored: a text of odd length loses its last byte, one
// without its final NUL gets one, half a surrogate pair becomes a replacement
// character. The wide calls give and take the bytes as they are.

#include <windows.h>

#include <string>

// REG_SZ, REG_EXPAND_SZ and REG_MULTI_SZ: the types the narrow calls convert.
bool IsTextType(DWORD type);

// A value's type and bytes: through the narrow call (texts in the code page) or
// the wide one (exactly as stored). ERROR_SUCCESS or the system's reason.
LONG ReadValueBytes(HKEY hKey, const std::string& name, bool wide, DWORD& type,
                    std::string& bytes);

// Writes exactly these bytes through the wide call: no conversion, and no NUL
// added that the data lacks.
LONG WriteValueBytesExactly(HKEY hKey, const std::string& name, DWORD type,
                            const std::string& bytes);

// True when `narrow` (what the narrow call read) written back through the narrow
// call stores exactly `wide` (what the wide call read).
bool NarrowGivesBack(DWORD type, const std::string& narrow, const std::string& wide);
