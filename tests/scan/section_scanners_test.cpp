// Each registry section's scanner and the full registry scan on a sandboxed
// registry and real files: the stale entries they file, with their exact fields
// and messages, the healthy or unreadable ones they pass over, registry data of
// every odd shape, and Abort.

#include <windows.h>

#include <utility>

#include <gtest/gtest.h>

#include "core/ascii_case.h"
#include "core/section_catalogue.h"
#include "scan/referenced_paths.h"
#include "scan_recorder.h"
#include "support/registry_sandbox.h"
#include "support/temp_folder.h"

namespace {

const HKEY kMachine = HKEY_LOCAL_MACHINE, kUser = HKEY_CURRENT_USER, kClasses = HKEY_CLASSES_ROOT;
const std::string kFonts = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Fonts";
const std::string kHelp = "SOFTWARE\\Microsoft\\Windows\\Help";
const std::string kShared = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs";
const std::string kAppPaths = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths";
const std::string kSounds = "Control Panel\\Sounds";
const std::string kServices = "SYSTEM\\CurrentControlSet\\Services";
const std::string kUninstall = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
const std::string kLib = "TypeLib\\{11111111-0000-0000-0000-000000000001}\\1.0";
const std::string kExts = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts";

std::string NotFound(const std::string& path) {
  return "The File (" + path + ") cannot be found at the specified location.";
}

struct Value {
  HKEY root;
  std::string key, name, data;
  DWORD type = REG_SZ;  // for REG_DWORD the data is the number
};

struct ScanCase {
  const char* what;
  int (*scan)(SectionScanner&);
  int sectionId;
  HKEY root;
  int isValue;
  std::vector<Value> values;
  std::vector<std::string> filed;  // "key|valueName|valueData|message"
  std::string shown = "";          // a status text the scan must show, if any
};

TEST(SectionScanners, FileTheStaleEntriesAndPassTheHealthyOnes) {
  TempFolder folder;
  ASSERT_TRUE(WriteFileBytes(folder / "present.ttf", "font"));
  ASSERT_TRUE(WriteFileBytes(folder / "App\\app.exe", "MZ"));
  ASSERT_TRUE(WriteFileBytes(folder / "Help\\here.hlp", "h"));
  ASSERT_TRUE(WriteFileBytes(folder / "lib.dll", "MZ"));
  for (const char* file : {"Smith, John - Report.docx", "100% Report.docx", "My%20Report.pdf",
                           "50%-75% range.txt", "Q1;Q2 summary.xlsx", "Fern, Inc\\uninst.exe",
                           "fern chime.wav"})
    ASSERT_TRUE(WriteFileBytes(folder / file, "x"));
  SetEnvironmentVariableA("QB_DIR", folder.Path().c_str());
  const std::string win = GetWindowsFolder(), dir = folder.Path(), app = folder / "App\\app.exe";
  const std::string gone = folder / "gone.dll", noHelp = folder / "nohelp";
  const std::string lib2 = "TypeLib\\{22222222-0000-0000-0000-000000000002}\\2.0";
  const std::string list = kExts + "\\.qbx\\OpenWithList";
  const std::string later = ") cannot be found at the specified location";  // no full stop
  const std::string kGoneX86 = "C:\\Program Files (x86)\\QbGoneApp\\uninst.exe";
  // An existing file named by a text far over 255 bytes.
  std::string longLib = dir;
  for (int i = 0; i < 300; ++i) longLib += "\\.";
  longLib += "\\lib.dll";
  const ScanCase kCases[] = {
      {"fonts: the data, then the Fonts folder; long data is read in full",
       [](SectionScanner& s) { return s.ScanFonts(0); }, kInstalledFonts, kMachine, 1,
       {{kMachine, kFonts, "Full", dir + "\\present.ttf"},
        {kMachine, kFonts, "Gone (TrueType)", "qb-gone.ttf"},
        {kMachine, kFonts, "LongPresent", longLib},
        {kMachine, kFonts, "TooLong", std::string(700, 'f') + ".ttf"}, {kMachine, kFonts, "Word", "ding"}},
       {kFonts + "|Gone (TrueType)|qb-gone.ttf|" + NotFound(win + "\\Fonts\\qb-gone.ttf"),
        kFonts + "|TooLong|" + std::string(700, 'f') + ".ttf|" +
            NotFound(win + "\\Fonts\\" + std::string(700, 'f') + ".ttf")},
       "HKEY_LOCAL_MACHINE\\" + kFonts + "\\Gone (TrueType)\\qb-gone.ttf"},
      {"sounds: nothing, a comma or a word is no path; expandable texts are expanded",
       [](SectionScanner& s) { return s.ScanSoundFiles(0); }, kSoundFiles, kUser, 1,
       {{kUser, kSounds, "Empty", ""}, {kUser, kSounds, "Comma", ","},
        {kUser, kSounds, "Word", "ding"}, {kUser, kSounds, "Quoted", "\"" + app + "\""},
        {kUser, kSounds, "Fern", "%QB_DIR%\\fern chime.wav", REG_EXPAND_SZ},
        {kUser, kSounds, "Gone", "%QB_DIR%\\gone chime.wav", REG_EXPAND_SZ}},
       {kSounds + "|Gone|%QB_DIR%\\gone chime.wav|" + NotFound("%QB_DIR%\\gone chime.wav")},
       "HKEY_CURRENT_USER\\Control Panel\\Sounds\\ding"},
      {"shared files: value names with environment references",
       [](SectionScanner& s) { return s.ScanSharedFiles(0); }, kSharedFiles, kMachine, 1,
       {{kMachine, kShared, "%QB_DIR%\\lib.dll", "1", REG_DWORD},
        {kMachine, kShared, "%QB_DIR%\\gone.dll", "1", REG_DWORD}},
       {kShared + "|%QB_DIR%\\gone.dll||" + NotFound("%QB_DIR%\\gone.dll")}},
      {"help: folder and name joined with one backslash",
       [](SectionScanner& s) { return s.ScanHelpFiles(0); }, kHelpFiles, kMachine, 1,
       {{kMachine, kHelp, "here.hlp", dir + "\\Help\\\\"},
        {kMachine, kHelp, "\\\\gone.hlp", dir + "\\Help\\"}},
       {kHelp + "|\\\\gone.hlp|" + dir + "\\Help\\|" + NotFound(dir + "\\Help\\gone.hlp")}},
      {"application paths: expanded and unquoted; the subkey is filed",
       [](SectionScanner& s) { return s.ScanAppPaths(0); }, kApplicationPaths, kMachine, 0,
       {{kMachine, kAppPaths + "\\good.exe", "", "\"%QB_DIR%\\App\\app.exe\""},
        {kMachine, kAppPaths + "\\gone.exe", "", "%QB_DIR%\\gone.exe"},
        {kMachine, kAppPaths + "\\nodefault.exe", "Path", "C:\\nowhere"}},
       {kAppPaths + "\\gone.exe||%QB_DIR%\\gone.exe|" + NotFound(dir + "\\gone.exe")}},
      {"uninstall entries: only the number 1 marks a system component; no command, no test",
       [](SectionScanner& s) { return s.ScanUninstallEntries(0); }, kAddRemovePrograms, kMachine, 0,
       {{kMachine, kUninstall + "\\SysText", "SystemComponent", "1"},
        {kMachine, kUninstall + "\\SysText", "UninstallString", "%QB_DIR%\\uninst.exe /S"},
        {kMachine, kUninstall + "\\Empty", "UninstallString", ""},
        {kMachine, kUninstall + "\\Msi", "UninstallString",
         "MsiExec.exe /X{11111111-2222-3333-4444-555555555555}"},
        {kMachine, kUninstall + "\\NoCommand", "DisplayName", "x"}},
       {kUninstall + "\\SysText|UninstallString|%QB_DIR%\\uninst.exe /S|" +
        NotFound(dir + "\\uninst.exe /S")}},
      {"uninstall entries: a healthy program under a folder with ', '; a leftover below "
       "Program Files (x86), whose folder prefix is no program",
       [](SectionScanner& s) { return s.ScanUninstallEntries(0); }, kAddRemovePrograms, kMachine, 0,
       {{kMachine, kUninstall + "\\Fern", "UninstallString", dir + "\\Fern, Inc\\uninst.exe /S"},
        {kMachine, kUninstall + "\\GoneApp", "UninstallString", kGoneX86}},
       {kUninstall + "\\GoneApp|UninstallString|" + kGoneX86 + "|" + NotFound(kGoneX86)}},
      {"full scan: healthy names holding ',', '%' or ';' are read whole; a leftover below "
       "Program Files (x86) is found",
       [](SectionScanner& s) { return s.ScanMachineSoftware(0); }, kFullRegistryScan, kMachine, 1,
       {{kMachine, "SOFTWARE\\Fern", "A", dir + "\\Smith, John - Report.docx"},
        {kMachine, "SOFTWARE\\Fern", "B", dir + "\\100% Report.docx"},
        {kMachine, "SOFTWARE\\Fern", "C", dir + "\\My%20Report.pdf"},
        {kMachine, "SOFTWARE\\Fern", "D", dir + "\\50%-75% range.txt"},
        {kMachine, "SOFTWARE\\Fern", "E", dir + "\\Q1;Q2 summary.xlsx"},
        {kMachine, "SOFTWARE\\Fern", "F", dir + "\\Fern, Inc\\uninst.exe /S"},
        {kMachine, "SOFTWARE\\Fern", "G", kGoneX86}},
       {"Software\\Fern|G|" + kGoneX86 + "|" + NotFound(LowerAsciiText(kGoneX86))}},
      {"services: the kernel's \\SystemRoot in any letter case",
       [](SectionScanner& s) { return s.ScanServices(0); }, kSystemServices, kMachine, 0,
       {{kMachine, kServices + "\\QbUpper", "ImagePath", "\\SYSTEMROOT\\System32\\drivers\\mountmgr.sys"},
        {kMachine, kServices + "\\QbMixed", "ImagePath", "\\Systemroot\\system32\\DRIVERS\\mountmgr.sys"},
        {kMachine, kServices + "\\QbGone", "ImagePath", "\\SystemRoot\\System32\\drivers\\qbgone.sys"}},
       {kServices + "\\QbGone|ImagePath|" + win + "\\System32\\drivers\\qbgone.sys|" +
        NotFound(win + "\\System32\\drivers\\qbgone.sys")}},
      {"type libraries: a missing help folder written with a trailing '\\' is filed twice; "
       "an empty code path is not filed, a long one is read in full",
       [](SectionScanner& s) { return s.ScanTypeLibraries(); }, kActiveXCom, kClasses, 0,
       {{kClasses, kLib + "\\0\\Win32", "", dir + "\\lib.dll"},
        {kClasses, kLib + "\\9\\win32", "", gone},
        {kClasses, kLib + "\\7\\win16", "x", "no default value"},
        {kClasses, kLib + "\\5\\win32", "", longLib},
        {kClasses, kLib + "\\HelpDir", "", dir + "\\"},
        {kClasses, kLib + "\\Flags", "", "0"},
        {kClasses, lib2 + "\\HELPDIR", "", noHelp + "\\"},
        {kClasses, "TypeLib\\{33333333-0000-0000-0000-000000000003}\\1.0\\HELPDIR", "", ""}},
       {kLib + "\\9\\win32||" + gone + "|" + NotFound(gone),
        lib2 + "\\HELPDIR||" + noHelp + "|" + NotFound(noHelp),
        lib2 + "\\HELPDIR||" + noHelp + "|The Directory Path (" + noHelp + ") is Invalid."}},
      {"program identifiers of extension keys",
       [](SectionScanner& s) { return s.ScanProgIds(0); }, kFileAssociations, kClasses, 0,
       {{kClasses, "qbfile", "", "A registered class"}, {kClasses, ".qbgood", "", "qbfile"},
        {kClasses, ".qbrun", "", "x rundll32 y"}, {kClasses, ".qbpath", "", app},
        {kClasses, ".qbother", "", ".qbgood"}, {kClasses, ".qbbad", "", "QbNoSuch.Program.1"},
        {kClasses, ".qbempty", "x", "no default"},
        {kClasses, "notanextension", "", "QbNoSuch.Program.2"}},
       {".qbbad||QbNoSuch.Program.1|The ProgramID (QbNoSuch.Program.1) is Invalid."}},
      {"open-with lists: registered applications whose program exists or is on the path",
       [](SectionScanner& s) { return s.ScanFileAssociations(); }, kFileAssociations, kUser, 1,
       {{kClasses, "Applications\\qbgood.exe\\shell\\open\\command", "", "\"" + app + "\" \"%1\""},
        {kClasses, "Applications\\qbgone.exe\\shell\\open\\command", "", "\"" + gone + "\" \"%1\""},
        {kClasses, "Applications\\notepad.exe", "FriendlyAppName", "n"},
        {kClasses, "Applications\\qbnocmd.exe", "FriendlyAppName", "n"},
        {kUser, list, "a", "QBGOOD.EXE"}, {kUser, list, "b", "qbgone.exe"},
        {kUser, list, "c", "notepad.exe"}, {kUser, list, "d", "qbnocmd.exe"},
        {kUser, list, "e", "unregistered.exe"}, {kUser, list, "MRUList", "abcde"},
        {kUser, list, "f", "7", REG_DWORD}, {kUser, kExts + "\\.qbnolist", "x", "y"}},
       {list + "|b|qbgone.exe|The File (qbgone.exe" + later,
        list + "|d|qbnocmd.exe|The File (qbnocmd.exe" + later,
        list + "|e|unregistered.exe|The File (unregistered.exe" + later}},
      {"open-with lists: programs Windows finds without a registration of their own",
       [](SectionScanner& s) { return s.ScanFileAssociations(); }, kFileAssociations, kUser, 1,
       {{kUser, list, "a", "notepad.exe"}, {kUser, list, "b", "REGEDIT.EXE"},
        {kUser, list, "c", "qbharbor.exe"}, {kUser, list, "d", "qbnowhere.exe"},
        {kMachine, kAppPaths + "\\qbharbor.exe", "", app}},
       {list + "|d|qbnowhere.exe|The File (qbnowhere.exe" + later}}};

  for (const ScanCase& c : kCases) {
    SCOPED_TRACE(c.what);
    RegistrySandbox sandbox;
    ASSERT_TRUE(sandbox.Active());
    for (const Value& v : c.values)
      ASSERT_TRUE(v.type == REG_DWORD ? RegPutDword(v.root, v.key, v.name, std::stoul(v.data))
                                      : RegPutString(v.root, v.key, v.name, v.data, v.type))
          << v.key << "\\" << v.name;
    ScanRecorder host;
    EXPECT_NE(0, c.scan(host.Scanner()));
    host.ExpectFiled(c.sectionId, c.root, c.isValue, c.filed);
    EXPECT_TRUE(c.shown.empty() || host.Showed(c.shown)) << c.shown;
  }
}

void PutJunk(HKEY root, const std::string& key, const std::string& name) {
  static const DWORD kTypes[] = {REG_SZ, REG_EXPAND_SZ, REG_BINARY, REG_DWORD, REG_MULTI_SZ, 0x1234};
  static const size_t kLengths[] = {0, 1, 3, 254, 255, 256, 259, 260, 261, 1000};
  int n = 0;
  for (DWORD type : kTypes) {
    for (size_t length : kLengths) {
      std::string bytes(length, 'C');  // no terminating zero anywhere
      if (length > 3) bytes.replace(0, 3, "C:\\");
      if (length > 10) bytes[length / 2] = '\xff';
      RegPutBytes(root, key, name + std::to_string(n++), type, bytes.data(),
                  static_cast<DWORD>(bytes.size()));
    }
  }
  RegPutString(root, key, std::string(16383, 'n'), "C:\\long\\name.exe");
  RegPutString(root, key, "", "C:\\default\\gone.exe");
}

class ScannerTest : public SandboxedTest {
 protected:
  ScanRecorder m_host;
  TempFolder m_folder;
};

TEST_F(ScannerTest, AbortInsideADeepTypeLibraryUnwindsEveryLevel) {
  std::string deep = kLib;
  for (int i = 0; i < 40; ++i) deep += "\\l";
  const std::string other = "TypeLib\\{99999999-0000-0000-0000-000000000009}\\1.0\\0\\win32";
  for (const std::string& key : {deep + "\\0\\win32", deep + "\\1\\win32", deep + "\\2\\win32", other})
    ASSERT_TRUE(RegPutString(kClasses, key, "", "C:\\qb-gone.dll"));
  m_host.AbortAfterReports(1);
  EXPECT_EQ(0, m_host.Scanner().ScanTypeLibraries());
  EXPECT_EQ(1u, m_host.records.size());
}

TEST_F(ScannerTest, ClassIdentifiersWithOrWithoutBracesAndLockedRegistrations) {
  const std::string id = "11112222-3333-4444-5555-666677778888";
  ASSERT_TRUE(RegPutString(kClasses, "CLSID\\{" + id + "}", "", "x"));
  EXPECT_TRUE(ClsidKeyExists(id));
  EXPECT_TRUE(ClsidKeyExists("{" + id + "}"));
  EXPECT_FALSE(ClsidKeyExists("{00000000-dead-0000-0000-000000000000}"));
  EXPECT_FALSE(ClsidKeyExists(""));
  // A class registered for 32-bit programs only is registered.
  ASSERT_TRUE(RegPutString(kClasses, "Wow6432Node\\CLSID\\{51B0F00D-0000-4000-8000-000000000032}", "", "x"));
  EXPECT_TRUE(ClsidKeyExists("{51B0F00D-0000-4000-8000-000000000032}"));

  // A registration the user may read but not change, or not even read, is there:
  // Wine checks the key's access list like Windows does.
  const std::string command = "Applications\\qblocked.exe\\shell\\open\\command";
  ASSERT_TRUE(RegPutString(kClasses, "QbLocked.Document", "", "x"));
  ASSERT_TRUE(RegPutString(kClasses, command, "", "C:\\QbNowhere\\qblocked.exe"));
  const std::pair<const char*, bool> kLocks[] = {{"D:P(A;;KRWD;;;WD)", true}, {"D:P(A;;WD;;;WD)", false}};
  for (const auto& [access, readable] : kLocks) {
    ReadOnlyKey clsid(kClasses, "CLSID\\{" + id + "}", access), progId(kClasses, "QbLocked.Document", access);
    ReadOnlyKey open(kClasses, command, access);
    ASSERT_TRUE(clsid.Applied() && progId.Applied() && open.Applied());
    EXPECT_TRUE(ClsidKeyExists(id)) << access;
    EXPECT_TRUE(IsValidProgId("QbLocked.Document")) << access;
    // An open-with application whose command cannot be read is not known to be broken.
    EXPECT_EQ(!readable, IsOpenWithAppValid("qblocked.exe")) << access;
  }
}

// Wrong types, no terminating zero, lengths around each buffer's edge, the
// longest names: every scanner goes through and files no overlong or cut data.
TEST_F(ScannerTest, OddRegistryDataCrashesNoScanner) {
  const std::string longKey(254, 'k');
  for (const std::string& key : {kFonts, kHelp, kShared, std::string("SOFTWARE\\Vendor\\")})
    PutJunk(kMachine, key, "v");
  PutJunk(kUser, kSounds, "v");
  PutJunk(kUser, kExts + "\\.j\\OpenWithList", "");
  for (const std::string& sub : {std::string("a"), longKey}) {
    PutJunk(kMachine, kAppPaths + "\\" + sub, "v");
    PutJunk(kMachine, kUninstall + "\\" + sub, "UninstallString");
    PutJunk(kMachine, kUninstall + "\\" + sub, "SystemComponent");
    PutJunk(kMachine, kServices + "\\" + sub, "ImagePath");
    PutJunk(kMachine, kServices + "\\VXD\\" + sub, "StaticVXD");
    PutJunk(kClasses, "TypeLib\\{x}\\1.0\\0\\win32\\" + sub, "v");
    PutJunk(kClasses, "TypeLib\\{x}\\1.0\\HELPDIR", "v");
    PutJunk(kClasses, ".j" + sub.substr(0, 200), "");
    PutJunk(kClasses, "Applications\\" + sub + "\\shell\\open\\command", "");
  }

  SectionScanner& s = m_host.Scanner();
  const int kResults[] = {s.ScanFonts(0), s.ScanSoundFiles(0), s.ScanHelpFiles(0), s.ScanSharedFiles(0),
                          s.ScanAppPaths(0), s.ScanServices(0), s.ScanVxdFiles(0), s.ScanUninstallEntries(0),
                          s.ScanTypeLibraries(), s.ScanProgIds(0), s.ScanFileAssociations(),
                          s.ScanMachineSoftware(0), s.ScanUserSoftware()};
  for (int i = 0; i < 13; ++i) EXPECT_NE(0, kResults[i]) << "scanner " << i;
  EXPECT_FALSE(m_host.records.empty());
  for (const auto& record : m_host.records) EXPECT_EQ(std::string::npos, record->valueData.find('\0'));
}

TEST_F(ScannerTest, FullScanReportsStaleDrivePathsOfTextValuesOnly) {
  const std::string app = "SOFTWARE\\Vendor\\App";
  const std::string gone = m_folder / "Gone\\App.exe";
  ASSERT_TRUE(RegPutString(kMachine, app, "Icon", gone + ",0"));
  ASSERT_TRUE(RegPutString(kMachine, app, "Folder", m_folder.Path()));
  ASSERT_TRUE(RegPutString(kMachine, app, "Expand", gone, REG_EXPAND_SZ));
  ASSERT_TRUE(RegPutString(kMachine, app, "TooLong", gone + std::string(1300, 'x')));
  ASSERT_TRUE(RegPutString(kMachine, "SOFTWARE\\Classes\\qb", "P", gone));
  ASSERT_TRUE(RegPutString(kMachine, "SOFTWARE\\Vendor\\SubClasses\\x", "P", gone));
  const std::string junk("\xff\xfe" "C:\\\x01\x00", 6);
  ASSERT_TRUE(RegPutBytes(kMachine, app, "Junk", REG_SZ, junk.data(), 6));

  EXPECT_NE(0, m_host.Scanner().ScanMachineSoftware(0));
  std::string lower = gone;
  for (char& c : lower) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
  // A text longer than the first buffer is read in full and tested.
  m_host.ExpectFiled(kFullRegistryScan, kMachine, 1,
                     {"Software\\Vendor\\App|Icon|" + gone + ",0|" + NotFound(lower),
                      "Software\\Vendor\\App|TooLong|" + gone + std::string(1300, 'x') + "|" +
                          NotFound(lower + std::string(1300, 'x'))});
  EXPECT_FALSE(m_host.Showed("Classes"));
  EXPECT_FALSE(m_host.Showed("Expand"));
}

TEST_F(ScannerTest, FullScanVisitsSubkeysBeforeTheKeysOwnValues) {
  for (const char* key : {"Software\\A", "Software\\A\\B", "Software\\A\\B\\C", "Software\\D", "Software"})
    ASSERT_TRUE(RegPutString(kUser, key, "v", "x"));
  EXPECT_NE(0, m_host.Scanner().ScanUserSoftware());
  const std::string top = "HKEY_CURRENT_USER\\Software\\";
  EXPECT_EQ((std::vector<std::string>{top + "A\\B\\C\\v", top + "A\\B\\v", top + "A\\v", top + "D\\v", top + "v"}),
            m_host.statuses);
}

// A key with more values than the walk reads ahead at once: every value is still
// shown and tested in the order read, under its own key; an abort stops at once.
TEST_F(ScannerTest, FullScanOfAKeyWithThousandsOfValuesKeepsTheirOrder) {
  ASSERT_TRUE(RegPutString(kMachine, "SOFTWARE\\Big\\Sub", "s", m_folder / "gone0.exe"));
  std::vector<std::string> names;
  for (int i = 0; i < 2500; ++i) {
    names.push_back("v" + std::to_string(10000 + i).substr(1));  // in the order listed
    const bool stale = i == 700 || i == 2400;
    ASSERT_TRUE(RegPutString(kMachine, "SOFTWARE\\Big", names.back(),
                             stale ? m_folder / ("gone" + names.back() + ".exe") : "x"));
  }
  for (int abortAfter : {-1, 2}) {
    ScanRecorder host;
    host.AbortAfterReports(abortAfter);
    host.Scanner().ScanMachineSoftware(0);
    std::vector<std::string> filed;
    for (const auto& r : host.records) filed.push_back(r->keyPath + "\\" + r->valueName);
    const std::vector<std::string> all = {"Software\\Big\\Sub\\s", "Software\\Big\\v0700",
                                          "Software\\Big\\v2400"};
    EXPECT_EQ(abortAfter < 0 ? all : std::vector<std::string>(all.begin(), all.begin() + 2), filed);
    std::vector<std::string> shown = {"HKEY_LOCAL_MACHINE\\Software\\Big\\Sub\\s"};
    for (const std::string& name : names) shown.push_back("HKEY_LOCAL_MACHINE\\Software\\Big\\" + name);
    if (abortAfter > 0) {
      shown.resize(702);  // up to v0700, whose report pressed Abort
      shown.push_back("Aborting Scan...");
    }
    EXPECT_EQ(shown, host.statuses);
  }
}

TEST_F(ScannerTest, FullScanOfTheDeepestNestingKeepsTheStack) {
  // The registry's 512 levels: one-letter names stay within the key path limit.
  KeyHandle key, child;
  ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(kMachine, "SOFTWARE", 0, nullptr, 0, KEY_ALL_ACCESS,
                                           nullptr, key.Receive(), nullptr));
  int depth = 1;
  for (; depth < 510 && RegCreateKeyExA(key.Get(), "k", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                        child.Receive(), nullptr) == ERROR_SUCCESS; ++depth) {
    key = std::move(child);
  }
  const std::string gone = m_folder / "deep.exe";
  ASSERT_EQ(ERROR_SUCCESS, RegSetValueExA(key.Get(), "Deep", 0, REG_SZ, reinterpret_cast<const BYTE*>(gone.c_str()),
                                          static_cast<DWORD>(gone.size() + 1)));
  key.Reset();
  ASSERT_GE(depth, 500);
  EXPECT_NE(0, m_host.Scanner().ScanMachineSoftware(0));
  ASSERT_EQ(1u, m_host.records.size());
  EXPECT_EQ("Deep", m_host.records[0]->valueName);
  EXPECT_EQ(static_cast<size_t>(depth - 1), (m_host.records[0]->keyPath.size() - 8) / 2);
}

TEST_F(ScannerTest, FullScanAbortUnwindsAndTheUserHalfIsNotStarted) {
  for (int i = 0; i < 5; ++i)
    ASSERT_TRUE(RegPutString(kMachine, "SOFTWARE\\V\\K", "P" + std::to_string(i), m_folder / "gone.exe"));
  m_host.AbortAfterReports(2);
  EXPECT_EQ(0, m_host.Scanner().ScanMachineSoftware(0));
  EXPECT_EQ(2u, m_host.records.size());
  EXPECT_EQ(0, m_host.Scanner().WalkRegistryKey(HKEY_CURRENT_USER, "HKEY_CURRENT_USER"));
}

}  // namespace

namespace {

// A value whose name holds a lone surrogate has no UTF-8 spelling: no scanner can
// read it by its name, so it is counted as not checked, never passed as clean.
TEST_F(ScannerTest, ValuesNamedWithALoneSurrogateAreCountedAsNotChecked) {
  const std::wstring gone = L"C:\\qb-nowhere\\gone.ttf";
  for (const wchar_t* key : {L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Fonts", L"SOFTWARE\\Vendor"}) {
    KeyHandle created;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(kMachine, key, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, created.Receive(), nullptr));
    for (const wchar_t* name : {L"Qb\xD800Lone", L"Qb\xDC01Lone"})
      RegSetValueExW(created.Get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(gone.c_str()),
                     static_cast<DWORD>((gone.size() + 1) * sizeof(wchar_t)));
  }
  // A name of valid text that only looks alike is checked as usual.
  ASSERT_TRUE(RegPutString(kMachine, kFonts, "Qb \xEF\xBF\xBD Plain", "C:\\qb-nowhere\\plain.ttf"));
  SectionScanner& s = m_host.Scanner();
  for (int pass = 0; pass < 2; ++pass) {
    s.ClearDeniedKeys();
    m_host.records.clear();
    EXPECT_NE(0, pass == 0 ? s.ScanFonts(0) : s.ScanMachineSoftware(0));
    EXPECT_EQ(pass == 0 ? 2 : 4, s.UncheckedValues()) << pass;  // the walk sees both keys
    ASSERT_EQ(1u, m_host.records.size()) << pass;
    EXPECT_NE(std::string::npos, m_host.records[0]->valueName.find("Plain"));
  }
}

}  // namespace
