// The registry-list sections: fonts, sounds, help files, shared files and
// application paths. Each walks one key by index and tests the file each entry
// names.

#include "scan/item_checks.h"
#include "scan/path_probe.h"
#include "scan/path_tests.h"
#include "scan/registry_read.h"
#include "scan/section_scanner.h"
#include "core/registry.h"
#include "core/section_catalogue.h"

namespace {

enum ListKind { kFonts, kSounds, kHelp, kShared };

struct ListKey {
  int sectionId;
  HKEY root;
  const char* key;
  bool readsData;
  bool pauseEveryIndex;  // also after a value name that could not be read
};

const ListKey kListKeys[] = {
    {kInstalledFonts, HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Fonts",
     true, false},
    {kSoundFiles, HKEY_CURRENT_USER, "Control Panel\\Sounds", true, true},
    {kHelpFiles, HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\Help", true, false},
    {kSharedFiles, HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs",
     false, true},
};

// Missing only when the system says so (see ProbePath).
bool PathMissing(const std::string& path) { return ProbePath(path) == PathState::kMissing; }

std::string TrimTrailing(std::string text, char c) {
  while (!text.empty() && text.back() == c) text.pop_back();
  return text;
}

std::string TrimLeading(const std::string& text, char c) {
  const size_t first = text.find_first_not_of(c);
  return first == std::string::npos ? std::string() : text.substr(first);
}

}  // namespace

int SectionScanner::ScanFonts(int pauseMs) { return ScanValueList(kFonts, pauseMs); }
int SectionScanner::ScanSoundFiles(int pauseMs) { return ScanValueList(kSounds, pauseMs); }
int SectionScanner::ScanHelpFiles(int pauseMs) { return ScanValueList(kHelp, pauseMs); }
int SectionScanner::ScanSharedFiles(int pauseMs) { return ScanValueList(kShared, pauseMs); }

int SectionScanner::ScanValueList(int which, int pauseMs) {
  const ListKey& list = kListKeys[which];
  const std::string key = list.key;
  const std::string shownKey = RootKeyName(list.root) + "\\" + key;

  ScopedKey hKey;
  if (!OpenSectionKey(hKey, list.root, key)) return m_bRunning;
  const DWORD count = ValueCount(hKey.Get());

  for (DWORD index = 0; index < count && m_bRunning; ++index) {
    std::string name;
    if (!EnumValueName(hKey.Get(), index, name)) {
      if (list.pauseEveryIndex) PauseAndPump(pauseMs);
      continue;
    }

    std::string data;
    const bool haveData = !list.readsData || ReadValueText(hKey.Get(), name, data);
    if (haveData) {
      ReportFindings(list.sectionId, list.root, key, name,
                     ListValueFindings(list.sectionId, name, data));
    }

    if (haveData || which == kHelp) {
      switch (which) {
        case kFonts: Status(shownKey + "\\" + name + "\\" + data); break;
        case kSounds: Status(shownKey + "\\" + data); break;
        default: Status(shownKey + "\\" + name); break;
      }
      Pump();
    }
    PauseAndPump(pauseMs);
  }
  return m_bRunning;
}

Findings ListValueFindings(int sectionId, const std::string& name, const std::string& data) {
  std::string tested;
  bool missing = false;
  switch (sectionId) {
    case kInstalledFonts:
      if (PathMissing(data)) {
        tested = GetWindowsFolder() + "\\Fonts\\" + data;
        missing = PathMissing(tested);
      }
      break;
    case kSoundFiles:
      tested = UnquoteSpaces(data);
      missing = data != "," && PathMissing(tested);
      break;
    case kHelpFiles:
      tested = TrimTrailing(data, '\\') + "\\" + TrimLeading(name, '\\');
      missing = PathMissing(tested);
      break;
    case kSharedFiles:
      tested = name;
      missing = PathMissing(tested);
      break;
    default:
      break;
  }
  if (!missing) return {};
  return {{sectionId == kSharedFiles ? "" : data, FileNotFoundMessage(tested), 1}};
}

int SectionScanner::ScanAppPaths(int pauseMs) {
  const std::string key = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths";
  ScopedKey hKey;
  if (!OpenSectionKey(hKey, HKEY_LOCAL_MACHINE, key)) return m_bRunning;
  const DWORD count = SubKeyCount(hKey.Get());

  for (DWORD index = 0; index < count && m_bRunning; ++index) {
    std::string name;
    if (!EnumSubKeyName(hKey.Get(), index, name)) continue;

    const std::string subKey = key + "\\" + name;
    ScopedKey hApp;
    bool tested = false;
    if (hApp.Open(HKEY_LOCAL_MACHINE, subKey)) {
      ReportFindings(kApplicationPaths, HKEY_LOCAL_MACHINE, subKey, "",
                     AppPathFindings(hApp.Get(), &tested));
    }
    if (tested) {
      Status("HKEY_LOCAL_MACHINE\\" + subKey);
      Pump();
    }
    PauseAndPump(pauseMs);
  }
  return m_bRunning;
}

Findings AppPathFindings(HKEY hApp, bool* tested) {
  std::string data;
  const bool read = ReadValueText(hApp, "", data);
  if (tested) *tested = read;
  if (!read) return {};
  std::string path = data;
  ExpandEnvironment(path);
  path = UnquoteSpaces(path);
  if (!PathMissing(path)) return {};
  return {{data, FileNotFoundMessage(path), 0}};
}
