#include "core/wide_text.h"

#include <windows.h>

namespace {

std::wstring ToWide(UINT codePage, const std::string& text) {
  if (text.empty()) return std::wstring();
  const int size = static_cast<int>(text.size());
  const int length = MultiByteToWideChar(codePage, 0, text.data(), size, nullptr, 0);
  if (length <= 0) return std::wstring();
  std::wstring wide(length, L'\0');
  MultiByteToWideChar(codePage, 0, text.data(), size, &wide[0], length);
  return wide;
}

std::string FromWide(UINT codePage, const std::wstring& text) {
  if (text.empty()) return std::string();
  const int size = static_cast<int>(text.size());
  const int length =
      WideCharToMultiByte(codePage, 0, text.data(), size, nullptr, 0, nullptr, nullptr);
  if (length <= 0) return std::string();
  std::string narrow(length, '\0');
  WideCharToMultiByte(codePage, 0, text.data(), size, &narrow[0], length, nullptr, nullptr);
  return narrow;
}

}  // namespace

std::wstring WideText(const std::string& text) { return ToWide(CP_ACP, text); }

std::string NarrowText(const std::wstring& text) { return FromWide(CP_ACP, text); }

std::string Utf8FromNarrow(const std::string& text) {
  return GetACP() == CP_UTF8 ? text : FromWide(CP_UTF8, ToWide(CP_ACP, text));
}

std::string NarrowFromUtf8(const std::string& utf8) {
  return GetACP() == CP_UTF8 ? utf8 : FromWide(CP_ACP, ToWide(CP_UTF8, utf8));
}
