// The registry-list sections: fonts, sounds, help files, shared files and
// application paths. Each walks one key by index, and the machine's lists also
// their 32-bit twin, and tests the file each entry names as the program of the
// entry's view finds it.

#include "scan/entry_findings.h"
#include "scan/path_probe.h"
#include "scan/referenced_paths.h"
#include "scan/registry_read.h"
#include "scan/section_scanner.h"
#include "scan/view_paths.h"
#include "core/registry.h"
#include "core/section_catalogue.h"

namespace {

enum ListKind { kFonts, kSounds, kHelp, kShared };

using ListTest = Findings (*)(const std::string& name, const std::string& data, RegistryView view);

struct ListKey {
  int sectionId;
  ListTest test;
  HKEY root;
  const char* key;
  bool readsData;
  bool pauseEveryIndex;  // also after a value name that could not be read
  bool bothViews;        // the machine's lists have a 32-bit twin
};

const ListKey kListKeys[] = {
    {kInstalledFonts, FontFindings, HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Fonts",
     true, false, true},
    {kSoundFiles, SoundFindings, HKEY_CURRENT_USER, "Control Panel\\Sounds", true, true, false},
    {kHelpFiles, HelpFileFindings, HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\Help", true, false, true},
    {kSharedFiles, SharedFileFindings, HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs",
     false, true, true},
};

// Missing only when no reading of the text names something that exists.
bool PathMissing(const std::string& text, RegistryView view) {
  return ReadReferencedPath(text, view) == PathReading::kMissing;
}

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
  const std::vector<ViewKey> keys =
      list.bothViews ? KeysOfBothViews(list.root, list.key)
                     : std::vector<ViewKey>{{list.key, RegistryView::k64}};
  for (const ViewKey& key : keys) {
    if (!m_bRunning) break;
    ScanValueKey(which, key.keyPath, key.view, pauseMs);
  }
  return m_bRunning;
}

void SectionScanner::ScanValueKey(int which, const std::string& key, RegistryView view,
                                  int pauseMs) {
  const ListKey& list = kListKeys[which];
  const std::string shownKey = RootKeyName(list.root) + "\\" + key;

  ScopedKey hKey;
  if (!OpenSectionKey(hKey, list.root, key)) return;
  const DWORD count = ValueCount(hKey.Get());
  const bool shared = view == RegistryView::k64 && SharedWith32BitView(list.root, key);

  for (DWORD index = 0; index < count && m_bRunning; ++index) {
    std::string name;
    if (!EnumValueName(hKey.Get(), index, name)) {
      if (list.pauseEveryIndex) PauseAndPump(pauseMs);
      continue;
    }
    if (IsUnspeakableValueName(hKey.Get(), index, name.data(), name.size())) {
      ++m_nUncheckedValues;
      if (list.pauseEveryIndex) PauseAndPump(pauseMs);
      continue;
    }

    std::string data;
    const bool haveData = !list.readsData || ReadValueText(hKey.Get(), name, data);
    if (haveData) {
      ReportFindings(list.sectionId, list.root, key, name,
                     StaleInEveryView(shared, view, [&](RegistryView each) {
                       return list.test(name, data, each);
                     }));
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
}

Findings FontFindings(const std::string&, const std::string& data, RegistryView view) {
  // A bare font file name is in the Fonts folder, the same for both views.
  if (!PathMissing(data, view)) return {};
  const std::string tested = GetWindowsFolder() + "\\Fonts\\" + data;
  if (!PathMissing(tested, view)) return {};
  return {{data, FileNotFoundMessage(tested), 1}};
}

Findings SoundFindings(const std::string&, const std::string& data, RegistryView view) {
  const std::string tested = UnquoteSpaces(data);
  // A bare sound file name is played from the Windows folder's Media folder.
  const bool missing = data != "," && PathMissing(data, view) &&
                       (tested.find_first_of("\\/:") != std::string::npos ||
                        PathMissing(GetWindowsFolder() + "\\Media\\" + tested, view));
  if (!missing) return {};
  return {{data, FileNotFoundMessage(tested), 1}};
}

Findings HelpFileFindings(const std::string& name, const std::string& data, RegistryView view) {
  const std::string tested =
      PathToTest(TrimTrailing(data, '\\') + "\\" + TrimLeading(name, '\\'), view);
  if (!PathMissing(tested, view)) return {};
  return {{data, FileNotFoundMessage(tested), 1}};
}

Findings SharedFileFindings(const std::string& name, const std::string&, RegistryView view) {
  // The count is the data: the problem is the file the name is.
  const std::string tested = PathToTest(name, view);
  if (!PathMissing(tested, view)) return {};
  return {{"", FileNotFoundMessage(tested), 1}};
}

int SectionScanner::ScanMachineSubKeys(int sectionId, const std::string& keyPath,
                                       const char* valueName, SubKeyTest test, int pauseMs) {
  for (const ViewKey& viewKey : KeysOfBothViews(HKEY_LOCAL_MACHINE, keyPath)) {
    const std::string& key = viewKey.keyPath;
    ScopedKey hKey;
    if (!m_bRunning || !OpenSectionKey(hKey, HKEY_LOCAL_MACHINE, key)) continue;
    const DWORD count = SubKeyCount(hKey.Get());
    const bool shared =
        viewKey.view == RegistryView::k64 && SharedWith32BitView(HKEY_LOCAL_MACHINE, key);

    for (DWORD index = 0; index < count && m_bRunning; ++index) {
      std::string name;
      if (!EnumSubKeyName(hKey.Get(), index, name)) continue;

      const std::string subKey = key + "\\" + name;
      ScopedKey hSubKey;
      bool tested = false;
      if (hSubKey.Open(HKEY_LOCAL_MACHINE, subKey)) {
        ReportFindings(sectionId, HKEY_LOCAL_MACHINE, subKey, valueName,
                       StaleInEveryView(shared, viewKey.view, [&](RegistryView each) {
                         return test(hSubKey.Get(), each, each == viewKey.view ? &tested : nullptr);
                       }));
      }
      if (tested) {
        Status("HKEY_LOCAL_MACHINE\\" + subKey);
        Pump();
      }
      PauseAndPump(pauseMs);
    }
  }
  return m_bRunning;
}

int SectionScanner::ScanAppPaths(int pauseMs) {
  return ScanMachineSubKeys(kApplicationPaths,
                            "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths", "",
                            AppPathFindings, pauseMs);
}

Findings AppPathFindings(HKEY hApp, RegistryView view, bool* tested) {
  std::string data;
  const bool read = ReadValueText(hApp, "", data);
  if (tested) *tested = read;
  if (!read) return {};
  if (!PathMissing(data, view)) return {};
  std::string path = PathToTest(data, view);
  ExpandEnvironment(path);
  path = UnquoteSpaces(path);
  return {{data, FileNotFoundMessage(path), 0}};
}
