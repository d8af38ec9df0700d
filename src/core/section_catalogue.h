#pragma once
// The scan sections of one scan in their fixed order (the scan's section table
// says which there are), and the per-section enabled flags kept in the settings
// key.

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "core/problem_record.h"

// Section ids run 1 to 11, then 13 and 14: there is no section 12.
enum SectionId {
  kStartupPrograms = 1,
  kVxdFiles = 2,
  kInstalledFonts = 3,
  kSoundFiles = 4,
  kFileAssociations = 5,
  kSystemServices = 6,
  kHelpFiles = 7,
  kSharedFiles = 8,
  kApplicationPaths = 9,
  kAddRemovePrograms = 10,
  kActiveXCom = 11,
  kFullRegistryScan = 13,
  kProgramShortcuts = 14,
};

enum Severity { kModerate = 0, kSevere = 1, kCritical = 2 };

// "Moderate", "Severe" or "Critical"; "" for any other code.
const char* SeverityName(int severity);

// What a section is, as its registration gives it.
struct SectionInfo {
  int sectionId;
  const char* name;
  int severity;
  const char* description;
};

struct ScanSection {
  int sectionId = 0;
  std::string name;
  std::string description;
  int enabled = 0;
  int selected = 0;
  int progressRow = -1;
  int severity = kModerate;
  // Owned records in report order; list rows elsewhere point at them.
  std::vector<std::unique_ptr<ProblemRecord>> problems;
  // Problems of this scan dropped because the user ignores them.
  int ignored = 0;
  // Values of this scan passed over because their names are not text (a lone
  // surrogate): they were not checked.
  int notChecked = 0;

  int problemCount() const { return static_cast<int>(problems.size()); }
};

class SectionCatalogue {
 public:
  // Builds the sections in the given order, each enabled flag loaded from the
  // settings.
  explicit SectionCatalogue(const std::vector<SectionInfo>& sections);

  SectionCatalogue(const SectionCatalogue&) = delete;
  SectionCatalogue& operator=(const SectionCatalogue&) = delete;

  // Catalogue order; the vector never changes size, so section addresses hold.
  std::vector<ScanSection>& Sections() { return m_vSections; }
  const std::vector<ScanSection>& Sections() const { return m_vSections; }

  ScanSection* Find(int sectionId);
  const ScanSection* Find(int sectionId) const;

  // Destroys every problem record of every section; the ignored and not-checked
  // counts go to 0.
  void ClearProblems();

 private:
  std::vector<ScanSection> m_vSections;
};

// The stored enabled flag of a section: the REG_DWORD named by the decimal id, or
// 0 when the key or value is missing, unreadable or not a REG_DWORD.
DWORD LoadSectionEnabled(int sectionId);
void SaveSectionEnabled(int sectionId, DWORD value);

// True when HKEY_CURRENT_USER\Software\Tarnwick opens with full access.
bool SettingsKeyExists();
// First-run settings: "Version" = "v2.1" and the DWORDs "1" to "14" set to 1.
void InitSettingsKey();

// The Choose Sections save: each (section, check state) row in list order sets the
// section's enabled flag and stores it. A failed write is not detected: the choice
// then holds in memory until the program ends. The window tells the user.
void SaveSectionSelection(const std::vector<std::pair<ScanSection*, int>>& rows);
