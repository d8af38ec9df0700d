#pragma once
// What one removal run has taken so far, so that an item found gone at its turn
// can be told apart: gone because an earlier item of the same run took it (its
// key or a key above it, or the same value or shortcut reported by two sections)
// counts as removed with that item; gone for any other reason it is kept, "no
// longer present".
//
// Key paths compare as the registry names keys: letter case (A to Z; names are
// spelled alike wherever the registry gave them out) does not count, only whole
// parts of a path match, and the classes root is one key with the machine's and
// the user's Software\Classes, whose 32-bit view Wow6432Node\Classes is the same
// key as Classes\Wow6432Node. Roots other than the three named ones take nothing.

#include <windows.h>

#include <string>
#include <unordered_map>

#include "core/problem_record.h"

class TakenItems {
 public:
  // An item whose removal went through (its key with everything below it, its
  // value, its shortcut file).
  void Add(const ProblemRecord& problem);
  // The first added item whose removal took `problem` with it; null for none.
  const ProblemRecord* TakenBy(const ProblemRecord& problem) const;
  bool Empty() const { return m_items.empty(); }
  void Clear() { m_items.clear(); }

 private:
  struct Entry {
    size_t order;
    const ProblemRecord* problem;
  };
  void Consider(const std::string& name, const Entry*& best) const;

  std::unordered_map<std::string, Entry> m_items;
  size_t m_nAdded = 0;
};

// The key as the registry resolves the name: "hkcr\clsid\{x}" for
// HKEY_LOCAL_MACHINE "SOFTWARE\Classes\CLSID\{X}"; "" for a root without a name.
std::string CanonicalKeyName(HKEY root, const std::string& keyPath);

// How reports name the item: "ROOT\key" for a key, "ROOT\key\\name" for a value
// (as the ignore list writes one), the file's path for a shortcut.
std::string TakenItemName(const ProblemRecord& problem);
