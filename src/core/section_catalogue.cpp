#include "core/section_catalogue.h"

#include "core/product.h"
#include "core/registry.h"

namespace {

struct SectionText {
  int sectionId;
  const char* name;
  int severity;
  const char* description;
};

const SectionText kSections[] = {
    {kStartupPrograms, "Startup Programs", kModerate,
     "This Section contains the list of programs that are scheduled to run at startup."},
    {kVxdFiles, "VXD Files", kCritical,
     "This Section has a list of VXD(System Drivers) files to load at windows startup."},
    {kInstalledFonts, "Installed Fonts", kSevere,
     "This Section contains a list of all the fonts installed on the pc."},
    {kSoundFiles, "Installed Sound Files", kSevere,
     "This Section contains a list of all the sound files installed on the pc."},
    {kFileAssociations, "File Associations", kCritical,
     "This Section contains all the File Association data, this data is used to associate "
     "files with the Executables"},
    {kSystemServices, "Installed System Services", kCritical,
     "This Section contains all the System Services installed on the pc."},
    {kHelpFiles, "Installed Help Files", kSevere,
     "This Section contains the locations of system help files installed."},
    {kSharedFiles, "Shared Program Files", kSevere,
     "This Section contains the locations of Shared Program Files. These Program Files are "
     "shared by many applications."},
    {kApplicationPaths, "Application Paths", kModerate,
     "This Section contains the list of Applications path."},
    {kAddRemovePrograms, "Add Remove Programs", kSevere,
     "This Section contains the list of all the installed applications."},
    {kActiveXCom, "ActiveX/COM Program ID", kCritical,
     "This Section contains the list of COM/ActiveX Components used by many applications."},
    {kFullRegistryScan, "Full Registry Scan", kSevere,
     "This Section contains all the paths scattered in the registry, Causing general system "
     "instability."},
    {kProgramShortcuts, "Invalid Program Shortcuts", kCritical,
     "This Section contains all the Program Shortcuts on the Hard Disk Drive"},
};

}  // namespace

const char* SeverityName(int severity) {
  switch (severity) {
    case kModerate: return "Moderate";
    case kSevere: return "Severe";
    case kCritical: return "Critical";
    default: return "";
  }
}

SectionCatalogue::SectionCatalogue() {
  m_vSections.reserve(sizeof(kSections) / sizeof(kSections[0]));
  for (const SectionText& text : kSections) {
    ScanSection section;
    section.sectionId = text.sectionId;
    section.name = text.name;
    section.description = text.description;
    section.severity = text.severity;
    section.enabled = LoadSectionEnabled(text.sectionId) ? 1 : 0;
    m_vSections.push_back(std::move(section));
  }
}

ScanSection* SectionCatalogue::Find(int sectionId) {
  for (ScanSection& section : m_vSections) {
    if (section.sectionId == sectionId) return &section;
  }
  return nullptr;
}

const ScanSection* SectionCatalogue::Find(int sectionId) const {
  return const_cast<SectionCatalogue*>(this)->Find(sectionId);
}

void SectionCatalogue::ClearProblems() {
  for (ScanSection& section : m_vSections) {
    section.problems.clear();
    section.ignored = 0;
    section.notChecked = 0;
  }
}

DWORD LoadSectionEnabled(int sectionId) {
  CRegistry settings(HKEY_CURRENT_USER, qb::kSettingsKeyPath);
  DWORD value = 0;
  if (!settings.QueryDwordValue(std::to_string(sectionId), value)) return 0;
  return value;
}

void SaveSectionEnabled(int sectionId, DWORD value) {
  CRegistry settings(HKEY_CURRENT_USER, qb::kSettingsKeyPath);
  settings.SetDwordValue(std::to_string(sectionId), value);
}

bool SettingsKeyExists() {
  CRegistry software(HKEY_CURRENT_USER, "Software");
  return software.SubKeyExists(qb::kMakerName);
}

void InitSettingsKey() {
  CRegistry settings(HKEY_CURRENT_USER);
  settings.CreateKey(qb::kSettingsKeyPath, true);
  settings.SetStringValue("Version", qb::kProductVersion);
  for (int id = 1; id <= 14; ++id) settings.SetDwordValue(std::to_string(id), 1);
}

void SaveSectionSelection(const std::vector<std::pair<ScanSection*, int>>& rows) {
  for (const auto& row : rows) {
    if (row.first == nullptr) continue;
    row.first->enabled = row.second ? 1 : 0;
    SaveSectionEnabled(row.first->sectionId, static_cast<DWORD>(row.first->enabled));
  }
}
