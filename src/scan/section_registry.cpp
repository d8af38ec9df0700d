#include "scan/section_registry.h"

#include "core/registry.h"
#include "scan/registry_read.h"
#include "scan/section_scanner.h"

namespace {

// ---------------------------------------------------------------- walks

int WalkStartupApproved(SectionScanner& s, int pause) { return s.ScanStartupApproved(pause); }
int WalkVxdFiles(SectionScanner& s, int pause) { return s.ScanVxdFiles(pause); }
int WalkFonts(SectionScanner& s, int pause) { return s.ScanFonts(pause); }
int WalkSounds(SectionScanner& s, int pause) { return s.ScanSoundFiles(pause); }
int WalkFileAssociations(SectionScanner& s, int) {
  // Only the program-identifier half decides; it stops at once after an abort.
  s.ScanFileAssociations();
  return s.ScanProgIds(0);
}
int WalkServices(SectionScanner& s, int pause) { return s.ScanServices(pause); }
int WalkHelpFiles(SectionScanner& s, int pause) { return s.ScanHelpFiles(pause); }
int WalkSharedFiles(SectionScanner& s, int pause) { return s.ScanSharedFiles(pause); }
int WalkAppPaths(SectionScanner& s, int pause) { return s.ScanAppPaths(pause); }
int WalkUninstall(SectionScanner& s, int pause) { return s.ScanUninstallEntries(pause); }
int WalkTypeLibraries(SectionScanner& s, int) { return s.ScanTypeLibraries(); }
int WalkRegistry(SectionScanner& s, int) {
  return s.ScanMachineSoftware(0) != 0 && s.ScanUserSoftware() != 0;
}
int WalkShortcuts(SectionScanner& s, int) { return s.ScanShortcuts(); }

// ---------------------------------------------------------------- re-checks

// A list value's test on its data as it is now.
template <Findings (*Test)(const std::string&, const std::string&, RegistryView)>
Findings RecheckListValue(const ProblemRecord& problem, HKEY hKey, RegistryView view) {
  std::string data;
  if (!ReadValueText(hKey, problem.valueName, data)) return {};
  return Test(problem.valueName, data, view);
}

Findings RecheckStartupApproval(const ProblemRecord& problem, HKEY, RegistryView) {
  return StartupApprovalFindings(problem.rootKey, problem.keyPath, problem.valueName);
}
Findings RecheckAppPath(const ProblemRecord&, HKEY hKey, RegistryView view) {
  return AppPathFindings(hKey, view);
}
Findings RecheckService(const ProblemRecord& problem, HKEY, RegistryView) {
  return DriverFindings(problem.keyPath, true);
}
Findings RecheckVxd(const ProblemRecord& problem, HKEY, RegistryView) {
  return DriverFindings(problem.keyPath, false);
}
Findings RecheckUninstall(const ProblemRecord&, HKEY hKey, RegistryView view) {
  return UninstallFindings(hKey, view);
}
Findings RecheckTypeLibrary(const ProblemRecord& problem, HKEY, RegistryView) {
  return TypeLibFindings(problem.keyPath);
}
Findings RecheckFileAssociation(const ProblemRecord& problem, HKEY, RegistryView) {
  // Program identifiers live below HKEY_CLASSES_ROOT; open-with lists in the user's keys.
  if (problem.rootKey == HKEY_CLASSES_ROOT) return ProgIdFindings(problem.keyPath);
  CRegistry list;
  if (!list.OpenKeyForReading(problem.rootKey, problem.keyPath)) return {};
  return OpenWithFindings(list, problem.valueName);
}
Findings RecheckFullScan(const ProblemRecord& problem, HKEY hKey, RegistryView view) {
  std::string data;
  DWORD type = REG_NONE;
  if (!ReadValueText(hKey, problem.valueName, data, &type)) return {};
  return FullScanFindings(type, data, view);
}

const std::vector<SectionEntry>& Table() {
  static const std::vector<SectionEntry> kEntries = {
      {{kStartupPrograms, "Startup Programs", kModerate,
        "This Section contains the list of programs that are scheduled to run at startup."},
       WalkStartupApproved, RecheckStartupApproval, nullptr},
      {{kVxdFiles, "VXD Files", kCritical,
        "This Section has a list of VXD(System Drivers) files to load at windows startup."},
       WalkVxdFiles, RecheckVxd, nullptr},
      {{kInstalledFonts, "Installed Fonts", kSevere,
        "This Section contains a list of all the fonts installed on the pc."},
       WalkFonts, RecheckListValue<FontFindings>, nullptr},
      {{kSoundFiles, "Installed Sound Files", kSevere,
        "This Section contains a list of all the sound files installed on the pc."},
       WalkSounds, RecheckListValue<SoundFindings>, nullptr},
      {{kFileAssociations, "File Associations", kCritical,
        "This Section contains all the File Association data, this data is used to associate "
        "files with the Executables"},
       WalkFileAssociations, RecheckFileAssociation, nullptr},
      {{kSystemServices, "Installed System Services", kCritical,
        "This Section contains all the System Services installed on the pc."},
       WalkServices, RecheckService, nullptr},
      {{kHelpFiles, "Installed Help Files", kSevere,
        "This Section contains the locations of system help files installed."},
       WalkHelpFiles, RecheckListValue<HelpFileFindings>, nullptr},
      {{kSharedFiles, "Shared Program Files", kSevere,
        "This Section contains the locations of Shared Program Files. These Program Files are "
        "shared by many applications."},
       WalkSharedFiles, RecheckListValue<SharedFileFindings>, nullptr},
      {{kApplicationPaths, "Application Paths", kModerate,
        "This Section contains the list of Applications path."},
       WalkAppPaths, RecheckAppPath, nullptr},
      {{kAddRemovePrograms, "Add Remove Programs", kSevere,
        "This Section contains the list of all the installed applications."},
       WalkUninstall, RecheckUninstall, nullptr},
      {{kActiveXCom, "ActiveX/COM Program ID", kCritical,
        "This Section contains the list of COM/ActiveX Components used by many applications."},
       WalkTypeLibraries, RecheckTypeLibrary, ViewOfTypeLibKey},
      {{kFullRegistryScan, "Full Registry Scan", kSevere,
        "This Section contains all the paths scattered in the registry, Causing general system "
        "instability."},
       WalkRegistry, RecheckFullScan, nullptr},
      // A shortcut is a file: the re-check reads the link itself.
      {{kProgramShortcuts, "Invalid Program Shortcuts", kCritical,
        "This Section contains all the Program Shortcuts on the Hard Disk Drive"},
       WalkShortcuts, nullptr, nullptr},
  };
  return kEntries;
}

}  // namespace

const std::vector<SectionEntry>& SectionEntries() { return Table(); }

const SectionEntry* FindSectionEntry(int sectionId) {
  for (const SectionEntry& entry : Table()) {
    if (entry.info.sectionId == sectionId) return &entry;
  }
  return nullptr;
}

RegistryView ProblemView(const ProblemRecord& record) {
  const SectionEntry* entry = FindSectionEntry(record.sectionId);
  return entry && entry->view ? entry->view(record.keyPath) : ViewOfKey(record.keyPath);
}

std::vector<SectionInfo> RegisteredSections() {
  std::vector<SectionInfo> sections;
  for (const SectionEntry& entry : Table()) sections.push_back(entry.info);
  return sections;
}
