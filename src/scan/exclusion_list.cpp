#include "scan/exclusion_list.h"

#include <string>
#include <vector>

#include "core/ascii_case.h"
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
// The lowered entries by their first byte: asked of every problem a scan finds,
// the text is gone through once, and only entries that begin with the byte at a
// place are compared there.
class EntryIndex {
 public:
  EntryIndex() {
    for (const char* entry : ExclusionList) {
      const std::string lowered = LowerAsciiText(entry);
      // An empty entry is found in every text.
      if (lowered.empty()) m_everything = true;
      else m_entries.push_back(lowered);
    }
    for (size_t i = 0; i < m_entries.size(); ++i) {
      m_byFirst[static_cast<unsigned char>(m_entries[i][0])].push_back(i);
    }
  }
  bool FoundIn(const std::string& text) const {
    if (m_everything) return true;
    for (size_t at = 0; at < text.size(); ++at) {
      for (const size_t i : m_byFirst[static_cast<unsigned char>(text[at])]) {
        const std::string& entry = m_entries[i];
        if (entry.size() > text.size() - at) continue;
        size_t k = 1;
        while (k < entry.size() && text[at + k] == entry[k]) ++k;
        if (k == entry.size()) return true;
      }
    }
    return false;
  }

 private:
  std::vector<std::string> m_entries;
  std::vector<size_t> m_byFirst[256];
  bool m_everything = false;
};

}  // namespace

bool IsExcluded(const ProblemRecord& problem) {
  if (problem.errorType != kRegistryError) return false;
  static const EntryIndex entries;
  // Asked of every problem a scan finds: the text is made in one piece.
  const std::string root = RootKeyName(problem.rootKey);
  std::string text;
  text.reserve(root.size() + problem.keyPath.size() + problem.valueName.size() +
               problem.valueData.size() + 3);
  text.append(root).append(1, '\\').append(problem.keyPath).append(1, '\\');
  text.append(problem.valueName).append(1, '\\').append(problem.valueData);
  return entries.FoundIn(LowerAsciiText(std::move(text)));
}
