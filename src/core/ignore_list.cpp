#include "core/ignore_list.h"

#include <algorithm>
#include <cstdlib>

#include "core/registry.h"
#include "core/wide_text.h"

namespace {

constexpr const char* kValuePrefix = "Value: ";
constexpr const char* kKeyPrefix = "Key: ";
constexpr const char* kShortcutPrefix = "Shortcut: ";
// An identity is a path or two; anything far longer is not one of ours.
constexpr DWORD kMaxDataChars = 65536;

bool StartsWith(const std::string& text, const char* prefix, std::string& rest) {
  const std::string head(prefix);
  if (text.compare(0, head.size(), head) != 0) return false;
  rest = text.substr(head.size());
  return true;
}

// No leading, trailing or doubled backslashes: the form a key has in a problem.
std::string CleanKeyPath(const std::string& path) {
  std::string clean;
  for (char c : path) {
    if (c == '\\' && (clean.empty() || clean.back() == '\\')) continue;
    clean += c;
  }
  if (!clean.empty() && clean.back() == '\\') clean.pop_back();
  return clean;
}

std::string Upper(const std::string& text) {
  std::wstring wide = WideText(text);
  if (!wide.empty()) CharUpperBuffW(&wide[0], static_cast<DWORD>(wide.size()));
  return NarrowText(wide);
}

// The three roots by their names as the system writes them or as users shorten
// them, in any letter case.
HKEY RootFromUserName(const std::string& name) {
  const std::string upper = Upper(name);
  if (upper == "HKEY_LOCAL_MACHINE" || upper == "HKLM") return HKEY_LOCAL_MACHINE;
  if (upper == "HKEY_CURRENT_USER" || upper == "HKCU") return HKEY_CURRENT_USER;
  if (upper == "HKEY_CLASSES_ROOT" || upper == "HKCR") return HKEY_CLASSES_ROOT;
  return nullptr;
}

// "ROOT\path" into its root and a clean key path; false without either.
bool SplitFullKey(const std::string& fullKey, HKEY& root, std::string& keyPath) {
  const size_t slash = fullKey.find('\\');
  root = RootFromUserName(fullKey.substr(0, slash));
  keyPath = slash == std::string::npos ? std::string() : CleanKeyPath(fullKey.substr(slash + 1));
  return root != nullptr && !keyPath.empty();
}

std::string KeyLookup(HKEY root, const std::string& keyPath) {
  return "K|" + Upper(RootKeyName(root) + "\\" + CleanKeyPath(keyPath));
}

std::string ValueLookup(HKEY root, const std::string& keyPath, const std::string& valueName) {
  return "V|" + Upper(RootKeyName(root) + "\\" + CleanKeyPath(keyPath) + "\\\\" + valueName);
}

std::string ShortcutLookup(const std::string& linkPath) { return "S|" + Upper(linkPath); }

std::string Lookup(const IgnoreEntry& entry) {
  switch (entry.kind) {
    case IgnoreEntry::kValue: return ValueLookup(entry.rootKey, entry.keyPath, entry.valueName);
    case IgnoreEntry::kKey: return KeyLookup(entry.rootKey, entry.keyPath);
    case IgnoreEntry::kShortcut: return ShortcutLookup(entry.linkPath);
  }
  return "";
}

// Numbers sort as numbers, every other name after them by its text.
bool NameBefore(const std::string& a, const std::string& b) {
  auto number = [](const std::string& name) {
    const bool digits = !name.empty() && name.size() <= 9 &&
                        name.find_first_not_of("0123456789") == std::string::npos;
    return digits ? std::atol(name.c_str()) : -1L;
  };
  const long na = number(a), nb = number(b);
  if ((na < 0) != (nb < 0)) return na >= 0;
  if (na >= 0 && na != nb) return na < nb;
  return a < b;
}

}  // namespace

std::string IgnoreText(const IgnoreEntry& entry) {
  const std::string key = RootKeyName(entry.rootKey) + "\\" + CleanKeyPath(entry.keyPath);
  switch (entry.kind) {
    case IgnoreEntry::kValue: return kValuePrefix + key + "\\\\" + entry.valueName;
    case IgnoreEntry::kKey: return kKeyPrefix + key;
    case IgnoreEntry::kShortcut: return kShortcutPrefix + entry.linkPath;
  }
  return "";
}

const char* IgnoreKindName(const IgnoreEntry& entry) {
  switch (entry.kind) {
    case IgnoreEntry::kValue: return "REG_VALUE";
    case IgnoreEntry::kKey: return "REG_KEY";
    case IgnoreEntry::kShortcut: return "FILE";
  }
  return "";
}

bool ParseIgnoreText(const std::string& text, IgnoreEntry& entry) {
  IgnoreEntry parsed;
  std::string rest;
  if (StartsWith(text, kShortcutPrefix, rest)) {
    if (rest.empty()) return false;
    parsed.kind = IgnoreEntry::kShortcut;
    parsed.linkPath = rest;
  } else if (StartsWith(text, kKeyPrefix, rest)) {
    parsed.kind = IgnoreEntry::kKey;
    if (rest.find("\\\\") != std::string::npos) return false;
    if (!SplitFullKey(rest, parsed.rootKey, parsed.keyPath)) return false;
  } else if (StartsWith(text, kValuePrefix, rest)) {
    const size_t split = rest.find("\\\\");
    if (split == std::string::npos) return false;
    parsed.kind = IgnoreEntry::kValue;
    parsed.valueName = rest.substr(split + 2);
    if (!SplitFullKey(rest.substr(0, split), parsed.rootKey, parsed.keyPath)) return false;
  } else {
    return false;
  }
  entry = parsed;
  return true;
}

bool IgnoreEntryFor(const ProblemRecord& problem, IgnoreEntry& entry) {
  IgnoreEntry made;
  if (problem.errorType == kFileError) {
    if (problem.linkPath.empty()) return false;
    made.kind = IgnoreEntry::kShortcut;
    made.linkPath = problem.linkPath;
  } else if (problem.errorType == kRegistryError) {
    if (RootKeyName(problem.rootKey).empty() || CleanKeyPath(problem.keyPath).empty()) return false;
    made.kind = problem.isValue ? IgnoreEntry::kValue : IgnoreEntry::kKey;
    made.rootKey = problem.rootKey;
    made.keyPath = CleanKeyPath(problem.keyPath);
    if (problem.isValue) made.valueName = problem.valueName;
  } else {
    return false;
  }
  entry = made;
  return true;
}

bool RegistryIgnoreEntry(const std::string& fullKey, const std::string* valueName,
                         IgnoreEntry& entry, std::string& error) {
  IgnoreEntry made;
  const size_t slash = fullKey.find('\\');
  if (RootFromUserName(fullKey.substr(0, slash)) == nullptr) {
    error = "the key must start with HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER or HKEY_CLASSES_ROOT "
            "(or HKLM, HKCU, HKCR)";
    return false;
  }
  if (!SplitFullKey(fullKey, made.rootKey, made.keyPath)) {
    error = "give a key below the root, such as HKEY_CURRENT_USER\\Software\\Vendor";
    return false;
  }
  made.kind = valueName ? IgnoreEntry::kValue : IgnoreEntry::kKey;
  if (valueName) made.valueName = *valueName;
  entry = made;
  return true;
}

void IgnoreList::Add(const IgnoreEntry& entry) { m_setKeys.insert(Lookup(entry)); }

bool IgnoreList::Matches(const ProblemRecord& problem) const {
  if (m_setKeys.empty()) return false;
  if (problem.errorType == kFileError) return m_setKeys.count(ShortcutLookup(problem.linkPath)) > 0;
  if (problem.errorType != kRegistryError || RootKeyName(problem.rootKey).empty()) return false;
  if (m_setKeys.count(KeyLookup(problem.rootKey, problem.keyPath)) > 0) return true;
  return problem.isValue != 0 &&
         m_setKeys.count(ValueLookup(problem.rootKey, problem.keyPath, problem.valueName)) > 0;
}

bool IgnoreList::TakenByRemoval(const ProblemRecord& problem) const {
  if (problem.errorType != kRegistryError || problem.isValue != 0) return Matches(problem);
  if (m_setKeys.empty() || RootKeyName(problem.rootKey).empty()) return false;
  // The key itself, and every entry whose lookup continues the key's path with a
  // backslash (a value of it, a subkey, anything below): the set is sorted, so
  // they follow that prefix.
  const std::string key = KeyLookup(problem.rootKey, problem.keyPath);
  if (m_setKeys.count(key) > 0) return true;
  for (const char kind : {'K', 'V'}) {
    std::string below = key + "\\";
    below[0] = kind;
    const auto next = m_setKeys.lower_bound(below);
    if (next != m_setKeys.end() && next->compare(0, below.size(), below) == 0) return true;
  }
  return false;
}

std::vector<IgnoreEntry> ReadIgnoreEntries() {
  std::vector<IgnoreEntry> entries;
  KeyHandle key;
  if (OpenRegistryKey(HKEY_CURRENT_USER, kIgnoreKeyPath, KEY_READ, key) != ERROR_SUCCESS) {
    return entries;
  }
  const HKEY hKey = key.Get();
  DWORD count = 0, longestName = 0;
  RegQueryInfoKeyW(hKey, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &count,
                   &longestName, nullptr, nullptr, nullptr);
  std::vector<wchar_t> name(std::max<DWORD>(longestName, 16383) + 1);
  std::vector<BYTE> data((kMaxDataChars + 1) * sizeof(wchar_t));
  for (DWORD index = 0;; ++index) {
    DWORD nameChars = static_cast<DWORD>(name.size());
    DWORD type = REG_NONE;
    DWORD size = static_cast<DWORD>(data.size() - sizeof(wchar_t));
    const LONG result =
        RegEnumValueW(hKey, index, name.data(), &nameChars, nullptr, &type, data.data(), &size);
    if (result == ERROR_NO_MORE_ITEMS) break;
    // Too long or unreadable: not an identity we wrote; the next one may be.
    if (result != ERROR_SUCCESS || type != REG_SZ) continue;
    const size_t chars = size / sizeof(wchar_t);
    std::wstring wide(reinterpret_cast<const wchar_t*>(data.data()), chars);
    wide = wide.substr(0, wide.find(L'\0'));
    IgnoreEntry entry;
    if (!ParseIgnoreText(NarrowText(wide), entry)) continue;
    entry.storedName = NarrowText(std::wstring(name.data(), nameChars));
    entries.push_back(entry);
  }
  std::stable_sort(entries.begin(), entries.end(), [](const IgnoreEntry& a, const IgnoreEntry& b) {
    return NameBefore(a.storedName, b.storedName);
  });
  return entries;
}

std::string IgnoreEntryId(const IgnoreEntry& entry) {
  return entry.storedName.empty() ? "(Default)" : entry.storedName;
}

IgnoreList LoadIgnoreList() {
  IgnoreList list;
  for (const IgnoreEntry& entry : ReadIgnoreEntries()) list.Add(entry);
  return list;
}

bool AddIgnoreEntry(const IgnoreEntry& entry, bool& added) {
  added = false;
  const std::string lookup = Lookup(entry);
  long next = 1;
  for (const IgnoreEntry& stored : ReadIgnoreEntries()) {
    if (Lookup(stored) == lookup) return true;
    const std::string& name = stored.storedName;
    if (!name.empty() && name.size() <= 9 && name.find_first_not_of("0123456789") == std::string::npos)
      next = std::max(next, std::atol(name.c_str()) + 1);
  }
  CRegistry key;
  if (!key.OpenRootKey(HKEY_CURRENT_USER) || !key.CreateKey(kIgnoreKeyPath, true)) return false;
  // A number that junk already holds (another type, unreadable) is skipped.
  std::string name = std::to_string(next);
  while (RegQueryValueExW(key.Handle(), WideText(name).c_str(), nullptr, nullptr, nullptr,
                          nullptr) == ERROR_SUCCESS) {
    name = std::to_string(++next);
  }
  const std::wstring text = WideText(IgnoreText(entry));
  added = RegSetValueExW(key.Handle(), WideText(name).c_str(), 0, REG_SZ,
                         reinterpret_cast<const BYTE*>(text.c_str()),
                         static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
  return added;
}

int RemoveIgnoreEntry(const IgnoreEntry& entry) {
  const std::string lookup = Lookup(entry);
  KeyHandle key;
  const LONG opened = OpenRegistryKey(HKEY_CURRENT_USER, kIgnoreKeyPath, KEY_SET_VALUE, key);
  if (opened != ERROR_SUCCESS) return opened == ERROR_FILE_NOT_FOUND ? 0 : -1;
  int removed = 0;
  for (const IgnoreEntry& stored : ReadIgnoreEntries()) {
    if (Lookup(stored) != lookup) continue;
    if (RegDeleteValueW(key.Get(), WideText(stored.storedName).c_str()) != ERROR_SUCCESS) {
      removed = -1;
      break;
    }
    ++removed;
  }
  return removed;
}
