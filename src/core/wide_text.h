#pragma once
// Conversions between the program's narrow texts (the active code page, UTF-8
// under the program's manifest) and the system's wide ones, for the wide calls
// that have no path length limit, and to and from UTF-8 for file formats that
// carry it (zip entry names).

#include <string>

std::wstring WideText(const std::string& text);
// Characters the code page cannot hold come back as '?'.
std::string NarrowText(const std::wstring& text);

// The text with its %NAME% references replaced as the system expands them; false
// when the system cannot. Through the wide call: the narrow one sizes its buffer
// in characters, not bytes, and cuts a text holding multibyte characters short
// or leaves it without its end.
bool ExpandEnvironmentText(const std::string& text, std::string& out);

std::string Utf8FromNarrow(const std::string& text);
std::string NarrowFromUtf8(const std::string& utf8);
