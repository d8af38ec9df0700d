// The full registry scan: every REG_SZ value below the machine's and the user's
// Software keys whose text holds a drive path naming nothing that exists.
//
// The walk keeps its own stack of open keys instead of recursing: the registry
// allows 512 levels of nesting, far deeper than the thread's stack would take
// with a frame per level. The visit order stays that of a depth-first recursion:
// a key's subkeys (in enumeration order, each with everything below it) before
// the key's own values.
//
// Values below a Wow6432Node key belong to 32-bit programs, and their paths are
// tested as those programs find them. A subkey that is a registry link (the
// system's way of sharing a key between the two views) is not followed: the key
// it reaches is walked where it lives, and its values would be reported twice.
// Subkeys are opened as themselves (REG_OPTION_OPEN_LINK), so a link is only the
// link key, whose one value (REG_LINK) is no text: nothing below it is visited,
// and no question per key is needed to tell a link from a key.

#include <cstdint>
#include <cstring>
#include <exception>
#include <utility>
#include <vector>

#include "core/ascii_case.h"
#include "core/registry.h"
#include "core/section_catalogue.h"
#include "scan/entry_findings.h"
#include "scan/path_probe.h"
#include "scan/path_reading.h"
#include "scan/referenced_paths.h"
#include "scan/registry_read.h"
#include "scan/section_scanner.h"
#include "scan/view_paths.h"

namespace {

// Whether `lower` (in lower case) stands anywhere in the text, in any case.
bool FoundNoCase(const std::string& text, const char* lower) {
  const size_t length = std::strlen(lower);
  for (size_t at = 0; at + length <= text.size(); ++at) {
    size_t k = 0;
    while (k < length && LowerAscii(text[at + k]) == lower[k]) ++k;
    if (k == length) return true;
  }
  return false;
}

// Most text values fit the first buffer; a longer one is read at its size, up to
// a limit no path reaches.
constexpr DWORD kFirstBuffer = 1024;
constexpr DWORD kLongestValue = 1 << 20;

// One open key of the walk; its path is the walk's path text up to pathLength.
// The walk's own keys are held by `owned` and closed when the frame goes; the
// key it starts from is its caller's.
struct WalkFrame {
  HKEY hKey;
  KeyHandle owned;
  size_t pathLength;
  RegistryView view;
  DWORD subKeys;
  DWORD values;
  DWORD nextSubKey;
};

WalkFrame MakeFrame(HKEY hKey, KeyHandle owned, size_t pathLength, RegistryView view) {
  WalkFrame frame{hKey, std::move(owned), pathLength, view, 0, 0, 0};
  if (RegQueryInfoKeyA(hKey, nullptr, nullptr, nullptr, &frame.subKeys, nullptr, nullptr,
                       &frame.values, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) {
    frame.subKeys = frame.values = 0;
  }
  return frame;
}

}  // namespace

namespace {

// Where the drive letter before the text's first ":\" stands; npos when the text
// holds no such path.
size_t DrivePathAt(const char* text, size_t size) {
  // Asked of every text value: a plain loop, where a search for the pair would
  // call into the C library for each colon.
  for (size_t at = 0; at + 1 < size; ++at) {
    if (text[at] != ':' || text[at + 1] != '\\') continue;
    if (at < 1) return std::string::npos;
    const char letter = LowerAscii(text[at - 1]);
    return letter >= 'a' && letter <= 'z' ? at - 1 : std::string::npos;
  }
  return std::string::npos;
}

size_t DrivePathAt(const std::string& text) { return DrivePathAt(text.data(), text.size()); }

// Whether any of the eight bytes of a word is zero.
bool HasZeroByte(uint64_t word) {
  return ((word - 0x0101010101010101ull) & ~word & 0x8080808080808080ull) != 0;
}

// The length of a text value as read (up to its first zero byte, at most `size`),
// and whether a ':' stands in it, eight bytes at a time: this runs for every text
// value, and a few are thousands of bytes long.
size_t TextLength(const char* data, size_t size, bool& colon) {
  colon = false;
  size_t at = 0;
  for (; at + 8 <= size; at += 8) {
    uint64_t word;
    std::memcpy(&word, data + at, 8);
    if (HasZeroByte(word)) break;
    if (HasZeroByte(word ^ 0x3a3a3a3a3a3a3a3aull)) colon = true;
  }
  for (; at < size && data[at] != '\0'; ++at) {
    if (data[at] == ':') colon = true;
  }
  return at;
}

}  // namespace

bool SplitRegistryPath(const std::string& path, HKEY& rootOut, std::string& keyOut) {
  const size_t slash = path.find('\\');
  if (slash == std::string::npos) return false;
  rootOut = RootKeyFromName(path.substr(0, slash));
  const size_t keyStart = path.find_first_not_of('\\', slash);
  keyOut = keyStart == std::string::npos ? std::string() : path.substr(keyStart);
  return true;
}

Findings FullScanFindings(DWORD type, const std::string& text, RegistryView view) {
  std::string scratch;
  return FullScanFindings(type, text, view, scratch);
}

Findings FullScanFindings(DWORD type, const std::string& text, RegistryView view,
                          std::string& scratch) {
  if (type != REG_SZ) return {};
  const size_t start = DrivePathAt(text);
  if (start == std::string::npos) return {};
  // A program's values repeat the same few texts: a text a walk found naming
  // something that exists is not read again (see ScopedProbeMemory).
  const ProbeQuestion question =
      view == RegistryView::k32 ? ProbeQuestion::kFullScan32 : ProbeQuestion::kFullScan64;
  // The problem names the program's path, expanded and in lower case.
  const auto problem = [&] {
    scratch.assign(text, start, std::string::npos);
    scratch = PathToTest(std::move(scratch), view);
    ExpandEnvironment(scratch);
    Findings findings(1);
    findings[0].data = text;
    findings[0].message = FileNotFoundMessage(LowerAsciiText(ProgramPathOf(scratch)));
    return findings;
  };
  PathState known;
  if (RecallAnswer(question, text, known)) {
    // A text found missing a moment ago is missing still (the same rule as for
    // every path a walk asks about).
    return known == PathState::kMissing ? problem() : Findings();
  }
  // Read from its drive letter on, as written: the file system ignores case, but
  // a path in the case it is stored in is found at once, where a lower-cased one
  // makes a system that keeps case-sensitive names (Wine, case-sensitive
  // folders) search each folder for it.
  scratch.assign(text, start, std::string::npos);
  const bool missing = ReadPathText(scratch, view) == PathReading::kMissing;
  KeepAnswer(question, text, missing ? PathState::kMissing : PathState::kFile);
  if (!missing) return {};
  return problem();
}

int SectionScanner::ScanMachineSoftware(int /*pauseMs: this walk never pauses*/) {
  ScopedKey hKey;
  if (!OpenSectionKey(hKey, HKEY_LOCAL_MACHINE, "SOFTWARE")) return m_bRunning;
  WalkRegistryKey(hKey.Get(), "HKEY_LOCAL_MACHINE\\Software");
  return m_bRunning;
}

int SectionScanner::ScanUserSoftware() {
  ScopedKey hKey;
  if (!OpenSectionKey(hKey, HKEY_CURRENT_USER, "SOFTWARE")) return m_bRunning;
  WalkRegistryKey(hKey.Get(), "HKEY_CURRENT_USER\\Software");
  return m_bRunning;
}

// Text values read but not yet tested, in the walk's order. A batch of them is
// read (a key's values, and the next keys' while there is room), then tested one
// after the other: the tests, and a path's first question to the file system,
// then follow each other instead of registry reads, which push their code and
// data out of the processor's caches (under Wine a question between two reads
// took 8-9 us, one after another 3 us). Names, texts and key paths stand in one
// buffer whose room is used again from batch to batch.
class SectionScanner::ReadAhead {
 public:
  // Room the tests use again from value to value.
  std::string text, scratch, keyPath, name, status;

  struct Value {
    size_t key;
    size_t nameAt, nameLength;
    size_t textAt, textLength;  // textLength 0: a text with no drive path
  };
  struct Key {
    size_t pathAt, pathLength;
    RegistryView view;
  };

  // Enough values for a few dozen first questions; a batch is read in a few
  // milliseconds, so the host still hears from the walk many times a second.
  bool Full() const { return m_values.size() >= 1024 || m_bytes.size() >= (64u << 10); }

  // The key whose values come next (its text is kept once, at its first value).
  void StartKey(const std::string* keyPath, RegistryView view) {
    m_pKeyPath = keyPath;
    m_view = view;
    m_keyKept = false;
  }
  void Add(const char* name, size_t nameLength, const char* text, size_t textLength) {
    if (!m_keyKept) {
      m_keys.push_back({m_bytes.size(), m_pKeyPath->size(), m_view});
      m_bytes.append(*m_pKeyPath);
      m_keyKept = true;
    }
    Value value{m_keys.size() - 1, m_bytes.size(), nameLength, 0, 0};
    m_bytes.append(name, nameLength);
    value.textAt = m_bytes.size();
    value.textLength = textLength;
    m_bytes.append(text, textLength);
    m_values.push_back(value);
  }

  const std::vector<Value>& Values() const { return m_values; }
  const Key& KeyOf(const Value& value) const { return m_keys[value.key]; }
  const std::string& Bytes() const { return m_bytes; }

  // Empties the batch; the next value keeps its key's text again. A batch that
  // held a very long text gives its room back.
  void Clear() {
    m_values.clear();
    m_keys.clear();
    m_bytes.clear();
    if (m_bytes.capacity() > (256u << 10)) std::string().swap(m_bytes);
    m_keyKept = false;
  }

 private:
  std::string m_bytes;
  std::vector<Key> m_keys;
  std::vector<Value> m_values;
  const std::string* m_pKeyPath = nullptr;
  RegistryView m_view = RegistryView::k64;
  bool m_keyKept = false;
};

// Tests the values read so far, in order: each text holding a drive path is
// tested and its findings reported, each value shows in the status line, and
// input is let through after each. An abort ends it at the next value.
void SectionScanner::TestReadValues(ReadAhead& batch) {
  const std::string& bytes = batch.Bytes();
  for (const ReadAhead::Value& value : batch.Values()) {
    if (!m_bRunning) break;
    const ReadAhead::Key& key = batch.KeyOf(value);
    try {
      if (value.textLength > 0) {
        batch.text.assign(bytes, value.textAt, value.textLength);
        Findings findings = FullScanFindings(REG_SZ, batch.text, key.view, batch.scratch);
        if (!findings.empty()) {
          HKEY hRoot = nullptr;
          std::string keyBelowRoot;
          batch.keyPath.assign(bytes, key.pathAt, key.pathLength);
          SplitRegistryPath(batch.keyPath, hRoot, keyBelowRoot);
          // A key both views read (see StaleInEveryView); asked only of a text
          // the views read differently, as the question costs more than a value.
          const bool shared = key.view == RegistryView::k64 &&
                              PathToTest(batch.text, RegistryView::k32) != PathToTest(batch.text, key.view) &&
                              SharedWith32BitView(hRoot, keyBelowRoot);
          if (!shared || !FullScanFindings(REG_SZ, batch.text, RegistryView::k32, batch.scratch).empty()) {
            batch.name.assign(bytes, value.nameAt, value.nameLength);
            ReportFindings(kFullRegistryScan, hRoot, keyBelowRoot, batch.name, std::move(findings));
          }
        }
      }
      // Each value's status text is its key's path and its name, composed only
      // when it would be seen.
      if (StatusWanted()) {
        batch.status.assign(bytes, key.pathAt, key.pathLength)
            .append(1, '\\')
            .append(bytes, value.nameAt, value.nameLength);
        Status(batch.status);
      }
      Pump();
    } catch (...) {
      // One value that cannot be tested must not end the walk.
      EntryFailed();
    }
  }
  batch.Clear();
}

int SectionScanner::WalkRegistryKey(HKEY hKey, const std::string& path) {
  if (!m_bRunning) return 0;
  // A program's values name its few files over and over.
  ScopedProbeMemory memory;

  // The path of the innermost open key: a subkey's name is added when it is
  // entered and taken off when the walk is back at its parent.
  std::string keyPath = path;
  std::vector<WalkFrame> stack;
  stack.push_back(MakeFrame(hKey, KeyHandle(), keyPath.size(), ViewOfKey(path)));
  std::vector<char> valueName(16384);
  std::vector<char> data(kFirstBuffer + 1);
  std::string subKey;
  ReadAhead batch;

  while (!stack.empty()) {
    if (!m_bRunning) break;
    try {
      WalkFrame& frame = stack.back();
      keyPath.resize(frame.pathLength);
      if (frame.nextSubKey < frame.subKeys) {
        if (!EnumSubKeyName(frame.hKey, frame.nextSubKey++, subKey)) continue;
        KeyHandle sub;
        if (RegOpenKeyExA(frame.hKey, subKey.c_str(), REG_OPTION_OPEN_LINK, KEY_ALL_ACCESS,
                          sub.Receive()) != ERROR_SUCCESS) {
          continue;
        }
        // Class registrations are the other sections' business, and far too many.
        if (FoundNoCase(subKey, "classes")) continue;
        const RegistryView view =
            frame.view == RegistryView::k32 ||
                    (subKey.size() == 11 && FoundNoCase(subKey, "wow6432node"))
                ? RegistryView::k32
                : RegistryView::k64;
        keyPath.append(1, '\\').append(subKey);
        const HKEY hSub = sub.Get();
        stack.push_back(MakeFrame(hSub, std::move(sub), keyPath.size(), view));
        continue;
      }

      batch.StartKey(&keyPath, frame.view);
      for (DWORD index = 0; index < frame.values && m_bRunning; ++index) {
        // One read gives name, type and data; a value longer than the buffer is
        // read again with a buffer of its size.
        DWORD nameLength = 16383, dataSize = static_cast<DWORD>(data.size() - 1), type = 0;
        LONG rc = RegEnumValueA(frame.hKey, index, valueName.data(), &nameLength, nullptr, &type,
                                reinterpret_cast<BYTE*>(data.data()), &dataSize);
        if (rc == ERROR_MORE_DATA && type == REG_SZ && dataSize < kLongestValue) {
          data.assign(dataSize + 2, '\0');
          nameLength = 16383;
          dataSize = static_cast<DWORD>(data.size() - 1);
          rc = RegEnumValueA(frame.hKey, index, valueName.data(), &nameLength, nullptr, &type,
                             reinterpret_cast<BYTE*>(data.data()), &dataSize);
        }
        // Only text values are looked at (and shown).
        if (rc != ERROR_SUCCESS || type != REG_SZ || dataSize >= data.size()) continue;
        if (std::memchr(valueName.data(), 0xEF, nameLength) != nullptr &&
            IsUnspeakableValueName(frame.hKey, index, valueName.data(), nameLength)) {
          ++m_nUncheckedValues;
          continue;
        }
        data[dataSize] = '\0';
        bool colon = false;
        const size_t length = TextLength(data.data(), dataSize, colon);
        // Only a text holding a drive path is tested (most hold none), and only
        // such a text is kept.
        const bool drivePath = colon && DrivePathAt(data.data(), length) != std::string::npos;
        batch.Add(valueName.data(), nameLength < 16383 ? nameLength : 16383, data.data(),
                  drivePath ? length : 0);
        if (batch.Full()) TestReadValues(batch);
      }
      stack.pop_back();
    } catch (...) {
      // One damaged key must not end the whole walk: its parent goes on.
      EntryFailed();
      stack.pop_back();
    }
  }
  TestReadValues(batch);
  return m_bRunning;
}
