#include "scan/exclusion_list.h"

#include <string>
#include <vector>

#include "core/registry.h"

const char* const ExclusionList[kExclusionCount] = {
    "software\\microsoft\\windows\\currentversion\\internet settings\\cache\\paths",
    "content.ie5\\cache",
    "advanced inf setup",
    "ie.hklmzoneInfo",
    "ie.hkcuzoneInfo",
    "HKEY_CLASSES_ROOT\\.htc",
    "Mcafee",
    ".dib",
    ".htc",
    ".emf",
    ".dbx",
    ".xbm",
    ".dbx",
    "EPSON",
    "InstallFrom",
    "InstalledFrom",
    "Installed From",
    "Install From",
    "inseng.dll",
    "InstallSource",
    "msnia",
    "norton",
    "UninstallCommand",
    "SourcePath",
    "sidebyside",
    "file://",
    "Active Setup\\Installed Components",
    "ServicePackCachePath",
};

namespace {

// ASCII only: UTF-8 bytes of other letters pass unchanged, as they must.
std::string Lower(std::string text) {
  for (char& c : text) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return text;
}

// Asked of every problem a scan finds: a plain loop, where a search through the
// C library makes a call at each place the first letter stands.
bool Contains(const std::string& text, const std::string& part) {
  if (part.empty()) return true;
  if (part.size() > text.size()) return false;
  const size_t last = text.size() - part.size();
  for (size_t at = 0; at <= last; ++at) {
    if (text[at] != part[0]) continue;
    size_t i = 1;
    while (i < part.size() && text[at + i] == part[i]) ++i;
    if (i == part.size()) return true;
  }
  return false;
}

}  // namespace

bool IsExcluded(const ProblemRecord& problem) {
  if (problem.errorType != kRegistryError) return false;
  static const std::vector<std::string> lowered = [] {
    std::vector<std::string> list;
    for (const char* entry : ExclusionList) list.push_back(Lower(entry));
    return list;
  }();
  std::string text = RootKeyName(problem.rootKey);
  text.append(1, '\\').append(problem.keyPath).append(1, '\\').append(problem.valueName);
  text.append(1, '\\').append(problem.valueData);
  text = Lower(std::move(text));
  for (const std::string& entry : lowered) {
    if (Contains(text, entry)) return true;
  }
  return false;
}
