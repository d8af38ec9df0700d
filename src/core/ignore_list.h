#pragma once
// The ignore list: problems the user has said are fine, named by identity (one
// registry value, one whole key, or one shortcut file), never by a fragment of
// text. Kept under the settings key in the subkey "Ignore", one value per entry,
// whose data is the identity as a readable line:
//   Value: HKEY_CURRENT_USER\Software\Vendor\App\\LastFile
//   Key: HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Windows\CurrentVersion\App Paths\gone.exe
//   Shortcut: C:\Users\Public\Desktop\Gone.lnk
// The double backslash parts the key from the value name: a key name is never
// empty and never holds a backslash, so it cannot occur inside a key path, while
// the value name after it may hold anything.

#include <windows.h>

#include <set>
#include <string>
#include <vector>

#include "core/problem_record.h"

constexpr const char* kIgnoreKeyPath = "Software\\Tarnwick\\Ignore";

struct IgnoreEntry {
  enum Kind { kValue, kKey, kShortcut };
  Kind kind = kValue;
  HKEY rootKey = nullptr;
  std::string keyPath;    // below the root, no leading or trailing backslash
  std::string valueName;  // kValue only; "" is the key's default value
  std::string linkPath;   // kShortcut only
  std::string storedName; // the registry value holding it, once read from there
};

// The id `ignore list` shows and `ignore remove --id` takes: the stored value's
// name, "(Default)" for the Ignore key's default value (it has no name).
std::string IgnoreEntryId(const IgnoreEntry& entry);

// The identity line of an entry.
std::string IgnoreText(const IgnoreEntry& entry);
// Reads an identity line; false for anything that is not one (junk stays out).
bool ParseIgnoreText(const std::string& text, IgnoreEntry& entry);
// "REG_VALUE", "REG_KEY" or "FILE", as problems are named.
const char* IgnoreKindName(const IgnoreEntry& entry);

// The entry that names a problem: its value, its key (a key problem) or its
// shortcut file. False for a record of no known kind or root.
bool IgnoreEntryFor(const ProblemRecord& problem, IgnoreEntry& entry);

// A registry entry from a key as a user writes it ("HKEY_LOCAL_MACHINE\..." or
// "HKLM\..."), with a value name or (null) for the whole key. False, with the
// reason, for another root or an empty key path.
bool RegistryIgnoreEntry(const std::string& fullKey, const std::string* valueName,
                         IgnoreEntry& entry, std::string& error);

// The entries in a form that looks up fast. A key entry covers the key's own
// problem and the problems of its values (not its subkeys); letter case is not
// significant, as it is not for registry names and file paths.
class IgnoreList {
 public:
  void Add(const IgnoreEntry& entry);
  bool Empty() const { return m_setKeys.empty(); }
  bool Matches(const ProblemRecord& problem) const;
  // True when removing the problem would take an ignored entry with it: a key
  // problem whose key, a value of it, or anything below it is ignored; a value
  // problem whose value or key is.
  bool TakenByRemoval(const ProblemRecord& problem) const;

 private:
  std::set<std::string> m_setKeys;
};

// Every readable entry under the Ignore key, in the order of their value names
// (numbers in numeric order). Values of another type, empty or unparsable ones,
// and names or data too long to be an identity are passed over.
std::vector<IgnoreEntry> ReadIgnoreEntries();
IgnoreList LoadIgnoreList();

// Stores an entry under the next free number. `added` is false when an equal
// entry is there already (nothing written). False when the key cannot be
// created or written.
bool AddIgnoreEntry(const IgnoreEntry& entry, bool& added);
// Deletes every stored value that holds this identity; the number deleted, or
// -1 when one could not be deleted.
int RemoveIgnoreEntry(const IgnoreEntry& entry);
