#include "scan/exclusion_list.h"

#include <string>

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

}  // namespace

bool IsExcluded(const ProblemRecord& problem) {
  if (problem.errorType != kRegistryError) return false;
  const std::string text = Lower(RootKeyName(problem.rootKey) + "\\" + problem.keyPath + "\\" +
                                 problem.valueName + "\\" + problem.valueData);
  for (int i = 0; i < kExclusionCount; ++i) {
    if (text.find(Lower(ExclusionList[i])) != std::string::npos) return true;
  }
  return false;
}
