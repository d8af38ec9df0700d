#include "scan/path_probe.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <unordered_map>
#include <vector>

namespace {

DWORD RealQuery(const std::wstring& path, DWORD& error) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  error = attributes == INVALID_FILE_ATTRIBUTES ? GetLastError() : ERROR_SUCCESS;
  return attributes;
}

PathQuery g_query = RealQuery;

// Answers that let an entry stand, by a 64-bit fingerprint of the text in lower
// case, in an open table that grows to a fixed size at most: a walk over a
// million values holds no more than a walk over ten thousand, a question costs
// no allocation, and a small table stays in the processor's cache. Two texts
// sharing a fingerprint (one chance in about 2^62 for a pair) can only keep an
// entry.
class ThereTable {
 public:
  bool Find(uint64_t print, PathState& state) const {
    if (m_slots.empty()) return false;
    const size_t mask = m_slots.size() - 1;
    for (size_t i = Home(print, mask);; i = (i + 1) & mask) {
      const uint64_t slot = m_slots[i];
      if (slot == 0) return false;
      if ((slot & ~kCodeBits) == (print & ~kCodeBits)) {
        state = static_cast<PathState>((slot & kCodeBits) - 1);
        return true;
      }
    }
  }
  void Put(uint64_t print, PathState state) {
    // Half full: twice the room, up to the most; there, the walk starts over.
    if (m_slots.empty()) {
      m_slots.assign(kFirstSlots, 0);
    } else if (m_filled >= m_slots.size() / 2) {
      if (m_slots.size() < kMostSlots) {
        Rehash(m_slots.size() * 2);
      } else {
        std::fill(m_slots.begin(), m_slots.end(), 0);
        m_filled = 0;
      }
    }
    Insert((print & ~kCodeBits) | (static_cast<uint64_t>(state) + 1));
  }

 private:
  static constexpr size_t kFirstSlots = 1 << 10;
  static constexpr size_t kMostSlots = 1 << 15;  // 256 KB
  static constexpr uint64_t kCodeBits = 3;       // the state, plus one: a used slot is never 0
  static size_t Home(uint64_t print, size_t mask) { return static_cast<size_t>(print >> 2) & mask; }
  void Insert(uint64_t slot) {
    const size_t mask = m_slots.size() - 1;
    for (size_t i = Home(slot, mask);; i = (i + 1) & mask) {
      if (m_slots[i] == 0) ++m_filled;
      if (m_slots[i] == 0 || (m_slots[i] & ~kCodeBits) == (slot & ~kCodeBits)) {
        m_slots[i] = slot;
        return;
      }
    }
  }
  void Rehash(size_t slots) {
    std::vector<uint64_t> old(slots, 0);
    old.swap(m_slots);
    m_filled = 0;
    for (const uint64_t slot : old) {
      if (slot != 0) Insert(slot);
    }
  }
  std::vector<uint64_t> m_slots;
  size_t m_filled = 0;
};

// The fingerprint of a text in lower case, eight bytes at a time (it is taken of
// every path text a walk meets): the ASCII capitals of each eight are folded at
// once, each eight is mixed in as one number, and the length closes it, so that
// texts differing only in trailing zero bytes differ too.
uint64_t FoldWord(uint64_t word) {
  const uint64_t low = word & 0x7f7f7f7f7f7f7f7full;
  // Per byte, the high bit: at least 'A' ... and not past 'Z' ... and ASCII.
  const uint64_t capitals = (low + 0x3f3f3f3f3f3f3f3full) & ~(low + 0x2525252525252525ull) &
                            ~word & 0x8080808080808080ull;
  return word | (capitals >> 2);
}

uint64_t RotateLeft(uint64_t value, int bits) { return (value << bits) | (value >> (64 - bits)); }

uint64_t MixWord(uint64_t hash, uint64_t word) {
  word *= 0x87c37b91114253d5ull;
  word = RotateLeft(word, 31) * 0x4cf5ad432745937full;
  return RotateLeft(hash ^ word, 27) * 5 + 0x52dce729;
}

uint64_t FinishPrint(uint64_t hash) {
  hash ^= hash >> 33;
  hash *= 0xff51afd7ed558ccdull;
  hash ^= hash >> 33;
  hash *= 0xc4ceb9fe1a85ec53ull;
  hash ^= hash >> 33;
  return hash;
}

template <bool kFolded>
uint64_t Print(const char* text, size_t length) {
  uint64_t hash = 0x9e3779b97f4a7c15ull;
  size_t at = 0;
  for (; at + 8 <= length; at += 8) {
    uint64_t word;
    std::memcpy(&word, text + at, 8);
    hash = MixWord(hash, kFolded ? FoldWord(word) : word);
  }
  if (at < length) {
    uint64_t word = 0;
    for (size_t i = 0; at + i < length; ++i) {
      word |= static_cast<uint64_t>(static_cast<unsigned char>(text[at + i])) << (8 * i);
    }
    hash = MixWord(hash, kFolded ? FoldWord(word) : word);
  }
  return FinishPrint(hash ^ length);
}

uint64_t FoldedPrint(const char* text, size_t length) { return Print<true>(text, length); }
uint64_t FoldedPrint(const std::string& text) { return FoldedPrint(text.data(), text.size()); }
// The same of the text as it is: texts that differ only in case differ.
uint64_t ExactPrint(const char* text, size_t length) { return Print<false>(text, length); }

// Whether a path text holds capital letters past its drive letter, whose case
// never matters.
bool HasCapitals(const char* text, size_t length) {
  for (size_t i = 3; i < length; ++i) {
    if (text[i] >= 'A' && text[i] <= 'Z') return true;
  }
  return false;
}

// Texts an answer that would report an entry was given for: each exactly as
// asked, and only for a moment. At most a few thousand; once full, the stale
// ones go, or all of them when most are fresh (rather than sweeping again at the
// next one). Found by a fingerprint of the text as it is (a folder of a path is
// looked up without a copy), and held only for the very text: of two texts that
// share one, the one asked last is kept.
class MomentaryTexts {
 public:
  static constexpr ULONGLONG kLifetimeMs = 1000;
  static constexpr size_t kMost = 4096;

  bool Holds(const char* text, size_t length) const {
    if (m_texts.empty()) return false;
    const auto found = m_texts.find(ExactPrint(text, length));
    if (found == m_texts.end()) return false;
    const Asked& asked = found->second;
    return asked.text.size() == length && std::memcmp(asked.text.data(), text, length) == 0 &&
           GetTickCount64() - asked.when < kLifetimeMs;
  }
  bool Empty() const { return m_texts.empty(); }
  void Add(const std::string& text) {
    const ULONGLONG now = GetTickCount64();
    if (m_texts.size() >= kMost) {
      for (auto it = m_texts.begin(); it != m_texts.end();) {
        it = now - it->second.when < kLifetimeMs ? std::next(it) : m_texts.erase(it);
      }
      if (m_texts.size() >= kMost / 2) m_texts.clear();
    }
    Asked& asked = m_texts[ExactPrint(text.data(), text.size())];
    asked.text = text;
    asked.when = now;
  }

 private:
  struct Asked {
    std::string text;
    ULONGLONG when = 0;
  };
  std::unordered_map<uint64_t, Asked> m_texts;  // by the fingerprint of the text
};

}  // namespace

// The answers of a walk, bounded: a walk over a million distinct paths holds no
// more than a walk over ten thousand.
class ProbeMemory {
 public:
  bool Recall(ProbeQuestion question, const std::string& text, PathState& state) {
    Book& book = m_books[static_cast<size_t>(question)];
    if (book.there.Find(FoldedPrint(text), state)) return true;
    if (!book.missing.Holds(text.data(), text.size())) return false;
    state = PathState::kMissing;
    return true;
  }
  void Keep(ProbeQuestion question, const std::string& text, PathState state) {
    Book& book = m_books[static_cast<size_t>(question)];
    if (state != PathState::kMissing) {
      book.there.Put(FoldedPrint(text), state);
      return;
    }
    book.missing.Add(text);
  }
  // A folder text the system said a path could not be reached through (a folder
  // on the way to it is missing, or is a file): nothing below that text is
  // there either, for the same moment and the text exactly as asked.
  void KeepGoneFolder(const std::string& folder) { m_goneFolders.Add(folder); }
  bool BelowGoneFolder(const std::string& path) const {
    if (m_goneFolders.Empty()) return false;
    for (size_t i = 3; i < path.size(); ++i) {
      if (path[i] == '\\' && m_goneFolders.Holds(path.data(), i)) return true;
    }
    return false;
  }
  bool RecallThere(ProbeQuestion question, uint64_t print, PathState& state) const {
    return m_books[static_cast<size_t>(question)].there.Find(print, state);
  }
  void KeepThere(ProbeQuestion question, uint64_t print, PathState state) {
    m_books[static_cast<size_t>(question)].there.Put(print, state);
  }
  // A folder a found path went through, by the fingerprint of its text in lower
  // case: the text it was found by.
  const std::string* FolderAsFound(uint64_t print) const {
    const auto found = m_folders.find(print);
    return found == m_folders.end() ? nullptr : &found->second;
  }
  // A text with capital letters is kept over one without: names written all in
  // lower case are the ones most often in another case than on disk.
  void KeepFolderAsFound(uint64_t print, const char* text, size_t length) {
    const auto known = m_folders.find(print);
    if (known != m_folders.end()) {
      if (!HasCapitals(known->second.data(), known->second.size()) && HasCapitals(text, length)) {
        known->second.assign(text, length);
      }
      return;
    }
    if (m_folders.size() >= kMostFolders) m_folders.clear();
    m_folders.emplace(print, std::string(text, length));
  }

 private:
  // An answer that lets an entry stand is good for the whole walk: at worst a
  // file deleted meanwhile is reported by the next scan. It holds for the text in
  // any case, as the file system ignores case; where a folder does not (a
  // case-sensitive one), believing a path there only keeps an entry. An answer
  // that would report an entry is kept for the text exactly as asked, and only
  // for a moment.
  struct Book {
    ThereTable there;
    MomentaryTexts missing;
  };
  Book m_books[static_cast<size_t>(ProbeQuestion::kCount)];
  static constexpr size_t kMostFolders = 4096;
  std::unordered_map<uint64_t, std::string> m_folders;
  MomentaryTexts m_goneFolders;
};

namespace {

// The innermost walk scope of each thread. (The compiler's thread_local costs a
// lock per use with this tool chain, and it is asked at every value.)
DWORD ScopeSlot() {
  static const DWORD slot = TlsAlloc();
  return slot;
}

ScopedProbeMemory* CurrentScope() {
  return static_cast<ScopedProbeMemory*>(TlsGetValue(ScopeSlot()));
}

PathState AskSystem(const std::string& path, DWORD* errorOut = nullptr) {
  std::wstring wide;
  // A text that is no valid path text cannot be looked up as it is meant.
  if (!WideFromNarrow(path, wide)) return PathState::kUnknown;
  DWORD error = ERROR_SUCCESS;
  // Most paths are short: asked as they are, without a copy.
  const DWORD attributes =
      wide.size() < MAX_PATH ? g_query(wide, error) : g_query(LongPathForm(wide), error);
  if (errorOut != nullptr) *errorOut = error;
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

ScopedProbeMemory::ScopedProbeMemory()
    : m_pOuter(CurrentScope()),
      m_pOwned(m_pOuter ? nullptr : new ProbeMemory),
      m_pMemory(m_pOuter ? &m_pOuter->Memory() : m_pOwned.get()) {
  TlsSetValue(ScopeSlot(), this);
}

ScopedProbeMemory::~ScopedProbeMemory() { TlsSetValue(ScopeSlot(), m_pOuter); }

void SetPathQueryForTesting(PathQuery query) { g_query = query ? query : RealQuery; }

bool RecallAnswer(ProbeQuestion question, const std::string& text, PathState& state) {
  const ScopedProbeMemory* scope = CurrentScope();
  return scope != nullptr && scope->Memory().Recall(question, text, state);
}

void KeepAnswer(ProbeQuestion question, const std::string& text, PathState state) {
  if (const ScopedProbeMemory* scope = CurrentScope()) scope->Memory().Keep(question, text, state);
}

namespace {

// A plain drive path ("C:\\a\\b"): no other separator, no "." or ".." and no empty
// name between its separators, so that each part up to a separator names a
// folder the whole path goes through.
bool IsPlainDrivePath(const std::string& path) {
  if (path.size() < 4 || path[1] != ':' || path[2] != '\\' ||
      !((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z'))) {
    return false;
  }
  size_t start = 3;
  for (size_t i = 3; i <= path.size(); ++i) {
    if (i < path.size() && path[i] == '/') return false;
    if (i < path.size() && path[i] != '\\') continue;
    const size_t length = i - start;
    if (length == 0 && i < path.size()) return false;
    if ((length == 1 && path[start] == '.') ||
        (length == 2 && path[start] == '.' && path[start + 1] == '.')) {
      return false;
    }
    start = i + 1;
  }
  return true;
}

// A plain drive path that exists goes through folders that exist: each is kept
// as there, so a later question about one of them (a program's install folder
// after its files) needs no system call, and with the text it was found by. From
// the deepest folder up: one found already by the very same text was kept with
// every folder above it (a program's files share their folders).
void KeepFoldersOf(ProbeMemory& memory, const std::string& path) {
  for (size_t i = path.size(); i-- > 3;) {
    if (path[i] != '\\') continue;
    const uint64_t folder = FoldedPrint(path.data(), i);
    memory.KeepThere(ProbeQuestion::kPath, folder, PathState::kFolder);
    const std::string* known = memory.FolderAsFound(folder);
    if (known != nullptr && known->size() == i && known->compare(0, i, path, 0, i) == 0) return;
    memory.KeepFolderAsFound(folder, path.data(), i);
  }
}

// Wine finds a name written in another case than on disk only by reading every
// folder on the way. Below the deepest folder a found path went through, the
// rest of a plain drive path written in lower case is asked with that folder as
// it was found: the same file to a system that ignores case. Only "there" is
// taken from that question; any other answer leaves the path to be asked as
// written.
bool FoundInKnownFolder(const ProbeMemory& memory, const std::string& path, PathState& state,
                        std::string& asked) {
  size_t end = path.size();
  while (end > 3 && path[end - 1] == '\\') --end;
  // A capital in the first name is in every folder's text: asked as written
  // (most paths are so written, and spared the work below).
  size_t firstName = 3;
  while (firstName < end && path[firstName] != '\\') ++firstName;
  if (HasCapitals(path.data(), firstName)) return false;
  // The folders the path goes through, deepest last.
  uint64_t prints[64];
  size_t ends[64];
  size_t folders = 0;
  for (size_t i = 3; i < end && folders < 64; ++i) {
    if (path[i] != '\\') continue;
    prints[folders] = FoldedPrint(path.data(), i);
    ends[folders++] = i;
  }
  while (folders > 0) {
    --folders;
    const std::string* folder = memory.FolderAsFound(prints[folders]);
    if (folder == nullptr) continue;
    // Written as found, or with capitals of its own (then most likely as on
    // disk): nothing below it is known any better.
    if (path.compare(0, ends[folders], *folder) == 0 ||
        HasCapitals(path.data(), ends[folders])) {
      return false;
    }
    asked.assign(*folder).append(path, ends[folders], std::string::npos);
    const PathState answer = AskSystem(asked);
    if (answer != PathState::kFile && answer != PathState::kFolder) return false;
    state = answer;
    return true;
  }
  return false;
}

// A folder kept as there, asked about with its closing separator.
bool RecallFolder(ProbeMemory& memory, const std::string& path) {
  size_t length = path.size();
  while (length > 3 && path[length - 1] == '\\') --length;
  if (length == path.size() || length <= 3) return false;
  PathState state;
  return memory.RecallThere(ProbeQuestion::kPath, FoldedPrint(path.data(), length), state) &&
         state == PathState::kFolder;
}

}  // namespace

PathState ProbePath(const std::string& path) {
  if (path.empty()) return PathState::kMissing;
  const ScopedProbeMemory* scope = CurrentScope();
  if (scope == nullptr) return AskSystem(path);
  ProbeMemory& memory = scope->Memory();
  PathState state;
  if (memory.Recall(ProbeQuestion::kPath, path, state)) return state;
  if (RecallFolder(memory, path)) return PathState::kFolder;
  // Only a plain drive path is told anything by its folders' answers.
  const bool plain = IsPlainDrivePath(path);
  std::string asked;  // the path as asked below a folder as found, if it was
  if (plain && memory.BelowGoneFolder(path)) {
    state = PathState::kMissing;
  } else if (!plain || !FoundInKnownFolder(memory, path, state, asked)) {
    asked.clear();
    DWORD error = ERROR_SUCCESS;
    state = AskSystem(path, &error);
    // A folder on the way is not there: nothing below the folder's text is (a
    // folder form, with its closing separator, is not taken to say which).
    const size_t slash = path.rfind('\\');
    if (plain && state == PathState::kMissing && error == ERROR_PATH_NOT_FOUND &&
        path.back() != '\\' && slash > 2) {
      memory.KeepGoneFolder(path.substr(0, slash));
    }
  }
  memory.Keep(ProbeQuestion::kPath, path, state);
  if (plain && (state == PathState::kFile || state == PathState::kFolder)) {
    KeepFoldersOf(memory, asked.empty() ? path : asked);
  }
  return state;
}
