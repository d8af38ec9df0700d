#include "scan/path_probe.h"

#include <vector>

namespace {

DWORD RealQuery(const std::wstring& path, DWORD& error) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  error = attributes == INVALID_FILE_ATTRIBUTES ? GetLastError() : ERROR_SUCCESS;
  return attributes;
}

PathQuery g_query = RealQuery;

bool IsDriveRooted(const std::wstring& path) {
  return path.size() >= 3 && path[1] == L':' && (path[2] == L'\\' || path[2] == L'/') &&
         ((path[0] >= L'A' && path[0] <= L'Z') || (path[0] >= L'a' && path[0] <= L'z'));
}

}  // namespace

void SetPathQueryForTesting(PathQuery query) { g_query = query ? query : RealQuery; }

bool WideFromNarrow(const std::string& text, std::wstring& wide) {
  wide.clear();
  if (text.empty()) return true;
  const int length = MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, text.data(),
                                         static_cast<int>(text.size()), nullptr, 0);
  if (length <= 0) return false;
  wide.resize(static_cast<size_t>(length));
  return MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, text.data(),
                             static_cast<int>(text.size()), &wide[0], length) == length;
}

bool NarrowExactly(const std::wstring& wide, std::string& text) {
  text.clear();
  if (wide.find_first_of(L"?\xFFFD") != std::wstring::npos) return false;
  if (wide.empty()) return true;
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

PathState ProbePath(const std::string& path) {
  if (path.empty()) return PathState::kMissing;
  std::wstring wide;
  // A text that is no valid path text cannot be looked up as it is meant.
  if (!WideFromNarrow(path, wide)) return PathState::kUnknown;
  DWORD error = ERROR_SUCCESS;
  const DWORD attributes = g_query(LongPathForm(wide), error);
  if (attributes != INVALID_FILE_ATTRIBUTES) {
    return (attributes & FILE_ATTRIBUTE_DIRECTORY) ? PathState::kFolder : PathState::kFile;
  }
  switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    // Readings of a command line that are no path at all (quotes, wildcards, a
    // colon in the middle) name nothing either.
    case ERROR_INVALID_NAME:
    case ERROR_BAD_PATHNAME:
    // A folder in the path is a file.
    case ERROR_DIRECTORY:
      return PathState::kMissing;
    default:
      return PathState::kUnknown;
  }
}
