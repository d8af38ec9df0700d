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

bool ExpandEnvironmentText(const std::string& text, std::string& out) {
  const std::wstring wide = WideText(text);
  if (wide.empty() && !text.empty()) return false;
  std::wstring expanded(wide.size() + 1, L'\0');
  for (int attempt = 0; attempt < 4; ++attempt) {
    // The length it reports counts the closing zero.
    const DWORD needed = ExpandEnvironmentStringsW(wide.c_str(), &expanded[0],
                                                   static_cast<DWORD>(expanded.size()));
    if (needed == 0) return false;
    if (needed <= expanded.size()) {
      expanded.resize(needed - 1);
      out = NarrowText(expanded);
      return true;
    }
    expanded.assign(needed, L'\0');
  }
  return false;
}

std::string Utf8FromNarrow(const std::string& text) {
  return GetACP() == CP_UTF8 ? text : FromWide(CP_UTF8, ToWide(CP_ACP, text));
}

std::string NarrowFromUtf8(const std::string& utf8) {
  return GetACP() == CP_UTF8 ? utf8 : FromWide(CP_ACP, ToWide(CP_UTF8, utf8));
}
