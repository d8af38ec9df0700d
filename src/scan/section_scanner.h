#pragma once
// SectionScanner: the object every section's scanner runs on. It carries the
// running flag (cleared when the scan's events ask to stop), files what it finds
// in the scan's problem store and tells the scan's events. Every scanner returns
// the running flag when it ends: nonzero when the scan may go on, 0 after an
// abort.

#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/problem_record.h"
#include "core/problem_store.h"
#include "scan/entry_findings.h"
#include "scan/registry_read.h"
#include "scan/scan_events.h"

class SectionScanner {
 public:
  // Both may be null: nothing filed, nothing told.
  explicit SectionScanner(ProblemStore* store = nullptr, ScanEvents* events = nullptr);
  virtual ~SectionScanner();

  SectionScanner(const SectionScanner&) = delete;
  SectionScanner& operator=(const SectionScanner&) = delete;

  void SetSink(ProblemStore* store, ScanEvents* events) {
    m_pStore = store;
    m_pEvents = events;
  }

  void StartScan() { m_bRunning = 1; }
  // Says "Aborting Scan...", clears the flag and lets pending input through.
  void RequestAbort();
  bool WasAborted() const { return m_bRunning == 0; }
  int Running() const { return m_bRunning; }

  // Registry lists.
  int ScanFonts(int pauseMs);
  int ScanSoundFiles(int pauseMs);
  int ScanHelpFiles(int pauseMs);
  int ScanSharedFiles(int pauseMs);
  int ScanAppPaths(int pauseMs);

  // Services and static drivers.
  int ScanServices(int pauseMs);
  int ScanVxdFiles(int pauseMs);

  int ScanUninstallEntries(int pauseMs);

  // Type libraries and program identifiers.
  int ScanTypeLibraries();
  int ScanTypeLibKey(const std::string& keyPath);
  int ScanProgIds(int pauseMs);

  // The full registry scan.
  int ScanMachineSoftware(int pauseMs);
  int ScanUserSoftware();
  int WalkRegistryKey(HKEY hKey, const std::string& path);

  // Shortcut files on the fixed disks.
  int ScanShortcuts();
  int ScanFolderForShortcuts(const std::string& folder);

  int ScanFileAssociations();

  // StartupApproved values whose entry is gone (startup_scanner.cpp).
  int ScanStartupApproved(int pauseMs);

  // Keys a section starts from that are there but could not be opened with the
  // full access the scan asks for, since the last ClearDeniedKeys: the section
  // could not be checked ("Access Denied"), which is not the same as clean.
  const std::vector<std::string>& DeniedKeys() const { return m_vDeniedKeys; }
  void ClearDeniedKeys() {
    m_vDeniedKeys.clear();
    m_nUncheckedValues = 0;
  }
  // Values passed over since the last ClearDeniedKeys because their names are no
  // text (IsUnspeakableValueName): not checked, which is not the same as clean.
  int UncheckedValues() const { return m_nUncheckedValues; }

 private:
  // Opens a section's own key with full access; a key that is there but refuses
  // that access is noted in DeniedKeys.
  bool OpenSectionKey(ScopedKey& key, HKEY hRoot, const std::string& subKey);
  void Report(std::unique_ptr<ProblemRecord> record);
  void Status(const std::string& text);
  // Whether a status text would be seen now (see ScanEvents::ProgressWanted).
  bool StatusWanted() { return m_pEvents != nullptr && m_pEvents->ProgressWanted(); }
  // Between entries: input gets its turn, and a stop asked for ends the scan.
  void Pump();
  void EntryFailed();
  void PauseAndPump(int pauseMs);
  void ReportRegistry(int sectionId, HKEY hRoot, const std::string& keyPath,
                      const std::string& valueName, std::string valueData, int isValue,
                      std::string message);
  // One problem per finding, for the entry at keyPath / valueName.
  void ReportFindings(int sectionId, HKEY hRoot, const std::string& keyPath,
                      const std::string& valueName, Findings findings);
  // The full scan reads text values ahead of testing them (registry_walk.cpp).
  class ReadAhead;
  void TestReadValues(ReadAhead& batch);
  int ScanValueList(int which, int pauseMs);
  void ScanValueKey(int which, const std::string& key, RegistryView view, int pauseMs);
  int ScanDriverKey(bool services, int pauseMs);
  // Tests each subkey of an HKEY_LOCAL_MACHINE key, in both registry views, with
  // `test`, reporting its findings at valueName; a subkey whose test read
  // something shows in the status line.
  using SubKeyTest = Findings (*)(HKEY hSubKey, RegistryView view, bool* tested);
  int ScanMachineSubKeys(int sectionId, const std::string& keyPath, const char* valueName,
                         SubKeyTest test, int pauseMs);

  int m_bRunning;
  ProblemStore* m_pStore;
  ScanEvents* m_pEvents;
  std::vector<std::string> m_vDeniedKeys;
  int m_nUncheckedValues = 0;
};

// The message of most registry problems, with the tested path.
std::string FileNotFoundMessage(const std::string& path);

// The driver path of a service's ImagePath or a static driver's StaticVXD text,
// anchored at the Windows folder; false when the entry is to be skipped.
bool NormalizeDriverPath(const std::string& text, bool replaceSystemRoot, std::string& out);
// The same without the environment expansion, the Windows folder given.
bool AnchorDriverPath(std::string text, bool replaceSystemRoot, const std::string& windowsFolder,
                      std::string& out);

bool IsValidProgId(const std::string& text);
bool ClsidKeyExists(const std::string& text);

// Splits "HKEY_LOCAL_MACHINE\Software\X" into a root key and "Software\X".
bool SplitRegistryPath(const std::string& path, HKEY& rootOut, std::string& keyOut);

bool IsOpenWithAppValid(const std::string& appName);

// A shortcut's target, exactly as the link names it; a negative result, and no
// target, when it cannot be read whole and exactly.
HRESULT ResolveShortcut(const std::string& linkPath, std::string& targetOut,
                        std::string& descriptionOut);
// A text of unknown length through a call that fills a buffer of the given size and
// cuts silently: the buffer grows until the text ends before its last place. False
// when the call fails or the text fills even the largest buffer.
bool ReadWholeText(const std::function<HRESULT(wchar_t*, int)>& read, std::wstring& text);
// The drive path a link's item ID list spells with the full names its items keep:
// the computer, a drive, then folders and a file. Empty for a list of any other
// shape, or with an item whose full name cannot be read for certain; the shell
// is the one to ask then. `size` bounds the bytes read.
std::wstring PathFromItemNames(const void* list, size_t size);
// The long form of a path with 8.3 components; 0 when it cannot be made.
size_t LongPathName(const std::string& path, std::string& longOut);
// True for a folder the shortcut walk descends into: not a junction or link.
bool IsWalkableFolder(DWORD attributes);
// The message of a shortcut problem for its target.
std::string ShortcutMessage(const std::string& target);
