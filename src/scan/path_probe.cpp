#include "scan/path_probe.h"

#include <unordered_map>
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

// The answers of a walk. Bounded, so a walk over a million distinct paths holds
// no more than a walk over ten thousand.
class ProbeMemory {
 public:
  static constexpr ULONGLONG kLifetimeMs = 1000;
  static constexpr size_t kMostAnswers = 16384;

  bool Recall(ProbeQuestion question, const std::string& text, PathState& state) {
    Book& book = m_books[static_cast<size_t>(question)];
    const auto there = book.there.find(Folded(text));
    if (there != book.there.end()) {
      state = there->second;
      return true;
    }
    const auto missing = book.missing.find(text);
    if (missing == book.missing.end() || GetTickCount64() - missing->second >= kLifetimeMs) {
      return false;
    }
    state = PathState::kMissing;
    return true;
  }
  void Keep(ProbeQuestion question, const std::string& text, PathState state) {
    Book& book = m_books[static_cast<size_t>(question)];
    const ULONGLONG now = GetTickCount64();
    if (state != PathState::kMissing) {
      if (book.there.size() >= kMostAnswers) book.there.clear();
      book.there[Folded(text)] = state;
      return;
    }
    if (book.missing.size() >= kMostAnswers) {
      for (auto it = book.missing.begin(); it != book.missing.end();) {
        it = now - it->second < kLifetimeMs ? std::next(it) : book.missing.erase(it);
      }
      // Mostly fresh answers: all go, rather than sweeping again at the next one.
      if (book.missing.size() >= kMostAnswers / 2) book.missing.clear();
    }
    book.missing[text] = now;
  }
  void Clear() {
    for (Book& book : m_books) {
      book.there.clear();
      book.missing.clear();
    }
  }

 private:
  // An answer that lets an entry stand is good for the whole walk: at worst a
  // file deleted meanwhile is reported by the next scan. It holds for the text in
  // any case, as the file system ignores case; where a folder does not (a
  // case-sensitive one), believing a path there only keeps an entry. An answer
  // that would report an entry is kept for the text exactly as asked, and only
  // for a moment.
  struct Book {
    std::unordered_map<std::string, PathState> there;  // by the text in lower case
    std::unordered_map<std::string, ULONGLONG> missing;  // by the text, when asked
  };
  const std::string& Folded(const std::string& text) {
    m_strFolded.assign(text);
    for (char& c : m_strFolded) {
      if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return m_strFolded;
  }
  Book m_books[static_cast<size_t>(ProbeQuestion::kCount)];
  std::string m_strFolded;  // reused: most questions cost no allocation
};

thread_local ProbeMemory t_memory;
thread_local ScopedProbeMemory* t_pScope = nullptr;

PathState AskSystem(const std::string& path) {
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

}  // namespace

ScopedProbeMemory::ScopedProbeMemory() : m_pOuter(t_pScope) {
  if (m_pOuter == nullptr) t_memory.Clear();
  t_pScope = this;
}

ScopedProbeMemory::~ScopedProbeMemory() {
  t_pScope = m_pOuter;
  if (m_pOuter == nullptr) t_memory.Clear();
}

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

bool RecallAnswer(ProbeQuestion question, const std::string& text, PathState& state) {
  return t_pScope != nullptr && t_memory.Recall(question, text, state);
}

void KeepAnswer(ProbeQuestion question, const std::string& text, PathState state) {
  if (t_pScope != nullptr) t_memory.Keep(question, text, state);
}

PathState ProbePath(const std::string& path) {
  if (path.empty()) return PathState::kMissing;
  PathState state;
  if (RecallAnswer(ProbeQuestion::kPath, path, state)) return state;
  state = AskSystem(path);
  KeepAnswer(ProbeQuestion::kPath, path, state);
  return state;
}
