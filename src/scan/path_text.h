#pragma once
// The conversions between the program's narrow texts (the active code page) and
// the system's wide ones, and the form of a long path the wide calls take.

#include <windows.h>

#include <string>
#include <string_view>

// The wide form of a narrow (active code page) text; false when it is not valid text.
bool WideFromNarrow(const std::string& text, std::wstring& wide);
// The narrow form of a wide text, only when every character survives the trip: no
// lone surrogate, no character the code page lacks, no U+FFFD or '?' (which stand
// for a character that an earlier conversion already lost).
bool NarrowExactly(std::wstring_view wide, std::string& text);

// A path as the wide file functions take it at any length: absolute drive paths of
// MAX_PATH or more get the "\\?\" prefix (made absolute and canonical first).
std::wstring LongPathForm(const std::wstring& path);
