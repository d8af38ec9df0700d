#include "scan/path_text.h"

#include <vector>

namespace {

bool IsDriveRooted(const std::wstring& path) {
  return path.size() >= 3 && path[1] == L':' && (path[2] == L'\\' || path[2] == L'/') &&
         ((path[0] >= L'A' && path[0] <= L'Z') || (path[0] >= L'a' && path[0] <= L'z'));
}

// Every code page Windows uses for narrow text keeps the ASCII characters as they
// are: such a text needs no conversion, and most paths are such texts.
bool IsAscii(const std::string& text) {
  for (const unsigned char c : text) {
    if (c >= 0x80) return false;
  }
  return true;
}

}  // namespace

bool WideFromNarrow(const std::string& text, std::wstring& wide) {
  wide.clear();
  if (IsAscii(text)) {
    wide.assign(text.begin(), text.end());
    return true;
  }
  const int length = MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, text.data(),
                                         static_cast<int>(text.size()), nullptr, 0);
  if (length <= 0) return false;
  wide.resize(static_cast<size_t>(length));
  return MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, text.data(),
                             static_cast<int>(text.size()), &wide[0], length) == length;
}

bool NarrowExactly(std::wstring_view wide, std::string& text) {
  text.clear();
  // One pass over the text (it is every name a walk meets): a stand-in for a lost
  // character refuses it, and ASCII needs no conversion.
  bool ascii = true;
  for (const wchar_t c : wide) {
    if (c == L'?' || c == L'\xFFFD') return false;
    if (c >= 0x80) ascii = false;
  }
  if (ascii) {
    text.assign(wide.begin(), wide.end());
    return true;
  }
  const bool utf8 = GetACP() == CP_UTF8;
  // UTF-8 refuses lone surrogates itself; any other code page reports a stand-in.
  const DWORD flags = utf8 ? WC_ERR_INVALID_CHARS : WC_NO_BEST_FIT_CHARS;
  BOOL lossy = FALSE;
  BOOL* lossyOut = utf8 ? nullptr : &lossy;
  const int size = static_cast<int>(wide.size());
  const int length = WideCharToMultiByte(CP_ACP, flags, wide.data(), size, nullptr, 0, nullptr,
                                         lossyOut);
  if (length <= 0 || lossy) return false;
  std::string out(static_cast<size_t>(length), '\0');
  if (WideCharToMultiByte(CP_ACP, flags, wide.data(), size, &out[0], length, nullptr, lossyOut) !=
          length ||
      lossy) {
    return false;
  }
  text.swap(out);
  return true;
}

std::wstring LongPathForm(const std::wstring& path) {
  if (path.size() < MAX_PATH || !IsDriveRooted(path)) return path;
  const DWORD needed = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
  if (needed == 0) return path;
  std::vector<wchar_t> full(needed + 1, L'\0');
  const DWORD length = GetFullPathNameW(path.c_str(), needed + 1, full.data(), nullptr);
  if (length == 0 || length > needed) return path;
  return L"\\\\?\\" + std::wstring(full.data(), length);
}
