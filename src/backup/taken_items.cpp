#include "backup/taken_items.h"

#include <initializer_list>
#include <utility>
#include <vector>

#include "core/ascii_case.h"
#include "core/registry.h"

namespace {

// The parts of a key path in lower case; empty parts (doubled or outer
// backslashes) name nothing and are left out.
std::vector<std::string> LowerParts(const std::string& keyPath) {
  std::vector<std::string> parts;
  size_t start = 0;
  while (start <= keyPath.size()) {
    size_t end = keyPath.find('\\', start);
    if (end == std::string::npos) end = keyPath.size();
    if (end > start) parts.push_back(LowerAsciiText(keyPath.substr(start, end - start)));
    start = end + 1;
  }
  return parts;
}

bool PartsBegin(const std::vector<std::string>& parts, std::initializer_list<const char*> words) {
  if (parts.size() < words.size()) return false;
  size_t i = 0;
  for (const char* word : words) {
    if (parts[i++] != word) return false;
  }
  return true;
}

// Kinds of taken items, kept apart in one table.
constexpr char kKeyMark = 'k';
constexpr char kValueMark = 'v';
constexpr char kFileMark = 'f';

std::string FileName(const std::string& path) {
  std::string name = LowerAsciiText(path);
  for (char& c : name) {
    if (c == '/') c = '\\';
  }
  return kFileMark + name;
}

}  // namespace

std::string CanonicalKeyName(HKEY root, const std::string& keyPath) {
  std::string rootName;
  if (root == HKEY_CLASSES_ROOT) rootName = "hkcr";
  if (root == HKEY_LOCAL_MACHINE) rootName = "hklm";
  if (root == HKEY_CURRENT_USER) rootName = "hkcu";
  if (rootName.empty()) return "";
  std::vector<std::string> parts = LowerParts(keyPath);
  size_t first = 0;
  if (rootName != "hkcr") {
    // Software\Wow6432Node\Classes is the system's link to Software\Classes\Wow6432Node.
    if (PartsBegin(parts, {"software", "wow6432node", "classes"})) std::swap(parts[1], parts[2]);
    if (PartsBegin(parts, {"software", "classes"})) {
      rootName = "hkcr";
      first = 2;
    }
  }
  std::string name = rootName;
  for (size_t i = first; i < parts.size(); ++i) name += "\\" + parts[i];
  return name;
}

std::string TakenItemName(const ProblemRecord& problem) {
  if (problem.errorType == kFileError) return problem.linkPath;
  std::string name = RootKeyName(problem.rootKey) + "\\" + problem.keyPath;
  if (problem.isValue != 0) name += "\\\\" + problem.valueName;
  return name;
}

void TakenItems::Add(const ProblemRecord& problem) {
  std::string name;
  if (problem.errorType == kFileError) {
    name = FileName(problem.linkPath);
  } else if (problem.errorType == kRegistryError) {
    const std::string key = CanonicalKeyName(problem.rootKey, problem.keyPath);
    if (key.empty()) return;
    name = problem.isValue == 0 ? kKeyMark + key
                                : kValueMark + key + '\0' + LowerAsciiText(problem.valueName);
  } else {
    return;
  }
  // The first to take a place keeps it: it is the one that removed it.
  m_items.emplace(name, Entry{m_nAdded++, &problem});
}

void TakenItems::Consider(const std::string& name, const Entry*& best) const {
  const auto found = m_items.find(name);
  if (found != m_items.end() && (!best || found->second.order < best->order)) best = &found->second;
}

const ProblemRecord* TakenItems::TakenBy(const ProblemRecord& problem) const {
  if (m_items.empty()) return nullptr;
  const Entry* best = nullptr;
  if (problem.errorType == kFileError) {
    Consider(FileName(problem.linkPath), best);
    return best ? best->problem : nullptr;
  }
  if (problem.errorType != kRegistryError) return nullptr;
  const std::string key = CanonicalKeyName(problem.rootKey, problem.keyPath);
  if (key.empty()) return nullptr;
  if (problem.isValue != 0) {
    Consider(kValueMark + key + '\0' + LowerAsciiText(problem.valueName), best);
  }
  // The key itself and every key above it, up to (not including) the root: a
  // root is never removed.
  for (size_t end = key.size(); end != std::string::npos && end > 4; end = key.rfind('\\', end - 1)) {
    Consider(kKeyMark + key.substr(0, end), best);
  }
  return best ? best->problem : nullptr;
}
