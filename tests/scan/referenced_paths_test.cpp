// The path tests and derived paths the scanners share, on real files and the test
// prefix's drives (D: a CD-ROM, N: a network drive, Q: none); the exclusion list;
// the status line.

#include "scan/referenced_paths.h"

#include <utility>

#include <gtest/gtest.h>

#include "scan/exclusion_list.h"
#include "scan/path_probe.h"
#include "scan/path_reading.h"
#include "scan/section_scanner.h"
#include "support/temp_folder.h"

namespace {

// Every reading Windows could give a text is tried; a text is missing only when
// every one is, and a text that is no path, or uses a variable not defined
// here, is never missing.
TEST(PathReading, MissingOnlyWhenNoReadingNamesSomethingThatExists) {
  TempFolder folder;
  const std::string dir = folder.Path();
  for (const char* file : {"My App\\app.exe", "Fern, Inc\\uninst.exe", "Smith, John - Report.docx",
                           "100% Report.docx", "50%-75% range.txt", "Q1;Q2 summary.xlsx", "lib.tlb",
                           "Program Files\\x.txt"})
    ASSERT_TRUE(WriteFileBytes(folder / file, "MZ"));
  ASSERT_TRUE(CreateDirectoryA((folder / "Docs").c_str(), nullptr));
  SetEnvironmentVariableA("QB_DIR", dir.c_str());
  const std::string app = folder / "My App\\app.exe", gone = folder / "My App\\gone.exe";
  const PathReading kFound = PathReading::kFound, kMissing = PathReading::kMissing,
                    kNone = PathReading::kCannotTell;
  const std::pair<std::string, PathReading> kCases[] = {
      // Command lines: the program quoted or not, with arguments.
      {"\"" + app + "\" /run \"x y\"", kFound}, {"\"" + gone + "\" /run", kMissing},
      {app + " -silent", kFound}, {gone + " -silent", kMissing}, {"\"" + app + "\"", kFound},
      {dir + "\\Fern, Inc\\uninst.exe /S", kFound}, {dir + "\\Fern, Inc\\gone.exe /S", kMissing},
      // Names holding ',', '%' and ';' are read whole; icon indexes and list items are cut.
      {dir + "\\Smith, John - Report.docx", kFound}, {dir + "\\100% Report.docx", kFound},
      {dir + "\\50%-75% range.txt", kFound}, {dir + "\\Q1;Q2 summary.xlsx", kFound},
      {dir + "\\Smith, John - Gone.docx", kMissing}, {dir + "\\50%-75% gone.txt", kMissing},
      {app + ",0", kFound}, {app + ", -101", kFound}, {gone + ",0", kMissing}, {dir + "\\Docs\\,0", kFound},
      {gone + ";" + dir + "\\Docs", kFound}, {gone + ";relative\\name", kMissing},
      // A resource index names its file, a mask its folder, a trailing '\' a folder.
      {dir + "\\lib.tlb\\3", kFound}, {dir + "\\gone.tlb\\3", kMissing}, {dir + "\\Docs\\*.tmp", kFound},
      {dir + "\\Docs\\", kFound}, {dir + "\\Docs\\x", kMissing}, {dir + "\\Nothing\\", kMissing},
      {"\"" + dir + "\\Docs\\\" /x", kFound}, {dir + "\\Docs\\\" /x", kFound}, {"\"" + dir + "\\No\\\" /x", kMissing},
      // A prefix before a blank counts as a file, never as a folder.
      {dir + "\\Program Files (x86)\\Gone\\app.exe", kMissing}, {dir + "\\Docs more", kMissing},
      // Environment references, the kernel's spellings, System32 relative, in any case.
      {"%QB_DIR%\\Fern, Inc\\uninst.exe /S", kFound}, {"%qb_dir%\\gone.exe", kMissing},
      {"%QB_NOT_DEFINED%\\app.exe", kNone}, {"\\SYSTEMROOT\\system32\\notepad.exe", kFound},
      {"%WinDir%\\SYSTEM32\\notepad.exe", kFound}, {"\\??\\" + app, kFound},
      {"\\??\\unix\\usr\\share\\fonts\\truetype\\dejavu\\DejaVuSans.ttf", kFound},
      {"System32\\NOTEPAD.EXE", kFound},
      // Bare program names are looked for as Windows looks for them.
      {"notepad.exe", kFound}, {"REGEDIT.EXE", kFound}, {"notepad /p", kNone}, {"qbnosuch.exe", kMissing},
      {"MsiExec.exe /X{12345678-1234-1234-1234-123456789012}", kFound},
      // Drives that are not fixed disks and shares count as found.
      {"D:\\setup\\gone.exe", kFound}, {"N:\\share\\gone.exe", kFound}, {"Q:\\no drive.exe", kFound},
      {"\"\\\\fileserver\\tools\\app.exe\" /run", kFound}, {"//fileserver/tools/app.exe", kFound},
      {"C:\\QuillbaneTests\\no such file.exe", kMissing}, {"\\QuillbaneTests\\gone.exe", kMissing},
      // Words and odd texts are no paths, and are answered, not crashed on.
      {"", kNone}, {"ding", kNone}, {"yes", kNone}, {"\"", kNone}, {"^|<>*?", kNone},
      {std::string(5000, 'a') + " " + std::string(3000, 'b'), kNone},
      {"C:\\" + std::string(600, 'x') + "\\y.exe /a /b", kMissing},
      // A text with a lost character, or no valid path text, cannot be looked up as meant.
      {"C:\\QuillbaneTests\\R\xEF\xBF\xBDsum\xEF\xBF\xBD.txt", kFound},
      {"C:\\QuillbaneTests\\R\xE9sum\xE9.txt", kFound}};
  for (const auto& c : kCases) {
    EXPECT_EQ(static_cast<int>(c.second), static_cast<int>(ReadPathText(c.first, RegistryView::k64)))
        << c.first.substr(0, 80);
  }
  EXPECT_TRUE(IsDirectory(folder / "Docs"));
}

// Wine, run as root, denies no access and reaches no network: the file system's
// answers are stood in for, by a word in the path.
DWORD AnswerByWord(const std::wstring& path, DWORD& error) {
  static const std::pair<const wchar_t*, DWORD> kErrors[] = {
      {L"denied", ERROR_ACCESS_DENIED},       {L"toolong", ERROR_FILENAME_EXCED_RANGE},
      {L"netaway", ERROR_NETWORK_UNREACHABLE}, {L"badnet", ERROR_BAD_NETPATH},
      {L"notready", ERROR_NOT_READY},          {L"badname", ERROR_INVALID_NAME},
      {L"nopath", ERROR_PATH_NOT_FOUND}};
  error = ERROR_FILE_NOT_FOUND;
  for (const auto& e : kErrors)
    if (path.find(e.first) != std::wstring::npos) error = e.second;
  return INVALID_FILE_ATTRIBUTES;
}

struct PathQueryOverride {
  explicit PathQueryOverride(PathQuery query) { SetPathQueryForTesting(query); }
  ~PathQueryOverride() { SetPathQueryForTesting(nullptr); }
};

TEST(ReferencedFile, OnlyNotFoundCountsAsMissing) {
  PathQueryOverride answers(AnswerByWord);
  const std::pair<const char*, bool> kCases[] = {
      {"C:\\denied\\app.exe", true}, {"C:\\toolong\\app.exe", true},
      {"C:\\netaway\\app.exe", true}, {"C:\\badnet\\app.exe -k", true},
      {"C:\\notready\\app.exe", true}, {"C:\\gone\\app.exe", false},
      {"C:\\nopath\\app.exe -k x", false}, {"C:\\badname\\app.exe", false}};
  for (const auto& c : kCases) EXPECT_EQ(c.second, ReferencedFileExists(c.first)) << c.first;
  EXPECT_EQ(PathState::kUnknown, ProbePath("C:\\denied\\Docs"));
  EXPECT_FALSE(IsDirectory("C:\\denied\\Docs"));
}

// A shortcut's target counts only when it can be read exactly.
TEST(PathTexts, NarrowOnlyWhatSurvivesTheTrip) {
  const std::pair<std::wstring, std::string> kCases[] = {
      {L"C:\\R\u00E9sum\u00E9\\\u62A5\u544A.exe", "C:\\R\xC3\xA9sum\xC3\xA9\\\xE6\x8A\xA5\xE5\x91\x8A.exe"},
      {L"", ""}, {L"C:\\Donn\uFFFDes.txt", "-"}, {L"C:\\Donn?es.txt", "-"},
      {std::wstring(L"C:\\a") + wchar_t(0xD800) + L".txt", "-"}};
  for (const auto& c : kCases) {
    std::string narrow;
    EXPECT_EQ(c.second, NarrowExactly(c.first, narrow) ? narrow : "-") << c.second;
  }
}

// Made in full beyond MAX_PATH, and in full with multibyte characters (each
// counts as one character to the system, and takes up to four bytes here).
TEST(PathTests, ExpansionsAreMadeInFull) {
  std::string text, cjk, want;
  const std::string piece = "\\\xE6\x8A\xA5\xE5\x91\x8A \xF0\x9F\x93\x84;";
  for (int i = 0; i < 60; ++i) text += "%SystemRoot%;";
  for (int i = 0; i < 40; ++i) cjk += "%SystemRoot%" + piece, want += GetWindowsFolder() + piece;
  EXPECT_TRUE(ExpandEnvironment(text) && ExpandEnvironment(cjk));
  EXPECT_EQ(60 * (GetWindowsFolder().size() + 1), text.size());
  EXPECT_EQ(want, cjk);
}

TEST(DerivedPaths, DriverPathsAreAnchoredAtTheWindowsFolder) {
  // Text, anchored path; "" when the entry is skipped.
  const std::pair<const char*, const char*> kCases[] = {
      {"system32\\DRIVERS\\beep.sys", "C:\\WINDOWS\\system32\\DRIVERS\\beep.sys"},
      {"\\??\\C:\\Drivers\\x.sys", "C:\\Drivers\\x.sys"},
      {"C:\\WINDOWS\\system32\\foo -k", "C:\\WINDOWS\\system32\\foo.exe"},
      {"system32\\drivers\\foo", ""},
      // The kernel's name for the Windows folder, in any letter case.
      {"SYSTEMROOT\\x.sys", "C:\\WINDOWS\\x.sys"},
      {"\\Systemroot\\System32\\drivers\\mountmgr.sys", "C:\\WINDOWS\\System32\\drivers\\mountmgr.sys"},
      {"\\SystemRoots\\x.sys", "C:\\WINDOWS\\SystemRoots\\x.sys"},
      // Share paths are absolute, in either spelling.
      {"\\\\server\\share\\svc.exe", "\\\\server\\share\\svc.exe"},
      {"\\??\\UNC\\server\\share\\svc.sys", "\\\\server\\share\\svc.sys"},
      {":odd.sys", ":odd.sys"}};
  for (const auto& c : kCases) {
    std::string out;
    const bool anchored = AnchorDriverPath(c.first, true, "C:\\WINDOWS", out);
    EXPECT_EQ(c.second, anchored ? out : "") << c.first;
  }
}

// The path a problem's message names for a text.
TEST(DerivedPaths, ProgramPathOfACommandLine) {
  const std::pair<const char*, const char*> kCases[] = {
      {"C:\\Program Files\\Fern, Inc\\uninst.exe /S", "C:\\Program Files\\Fern, Inc\\uninst.exe"},
      {"C:\\Docs\\Smith, John - Report.docx", "C:\\Docs\\Smith, John - Report.docx"},
      {"C:\\x\\app.exe,0", "C:\\x\\app.exe"}, {"\"C:\\x y\\a.exe\" /S", "C:\\x y\\a.exe"},
      {"C:\\x\\a.exe\" /S", "C:\\x\\a.exe"}, {"C:\\Docs\\", "C:\\Docs\\"}, {"", ""}};
  for (const auto& c : kCases) EXPECT_EQ(c.second, ProgramPathOf(c.first)) << c.first;
}

TEST(IsExcluded, MatchesAnywhereInRootKeyNameAndDataButNotAcrossFields) {
  struct Case { HKEY root; const char *key, *name, *data; bool excluded; };
  const Case kCases[] = {
      // Root name plus key path make "hkey_classes_root\.htc...".
      {HKEY_CLASSES_ROOT, ".htcfile", "", "", true},
      // Key path, value name and data, in any capitalisation.
      {HKEY_LOCAL_MACHINE, "Software\\Epson\\Printer", "Path", "c:\\gone", true},
      {HKEY_CURRENT_USER, "Software\\Vendor", "IE.HKLMZONEINFO", "", true},
      // Separators count: "sidebyside" and "content.ie5\cache" across the key path.
      {HKEY_LOCAL_MACHINE, "Software\\Microsoft\\SideBySide\\Winners", "", "", true},
      {HKEY_CURRENT_USER, "Software\\Content.IE5\\Cache", "v", "", true},
      {HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Fonts", "Courier",
       "coure.fon", false},
      // The fields are joined with backslashes: words split across them make no entry.
      {HKEY_CURRENT_USER, "Software\\Vendor", "Install", "From", false},
      {HKEY_CURRENT_USER, "Software\\Vendor", "a.d", "bx", false}};
  for (const Case& c : kCases) {
    const ProblemRecord record{kRegistryError, 0, "", 0, c.root, c.key, c.name, c.data, 1, "", ""};
    EXPECT_EQ(c.excluded, IsExcluded(record)) << c.key << " " << c.name << " " << c.data;
  }

  // Only registry problems are looked at.
  const ProblemRecord shortcut{kFileError, 0, "", 0, HKEY_CURRENT_USER, "Norton", "", "", 1, "", ""};
  EXPECT_FALSE(IsExcluded(shortcut));
}

// Stands in for the file system and counts the questions: paths holding "there"
// exist, except in the empty SysWOW64; nothing else does.
int g_asked = 0;
std::wstring g_firstAsked;
DWORD CountedAnswer(const std::wstring& path, DWORD& error) {
  if (g_asked++ == 0) g_firstAsked = path;
  const bool there = path.find(L"there") != std::wstring::npos &&
                     path.find(L"SysWOW64") == std::wstring::npos;
  error = there ? ERROR_SUCCESS : ERROR_FILE_NOT_FOUND;
  return there ? FILE_ATTRIBUTE_NORMAL : INVALID_FILE_ATTRIBUTES;
}

// A walk asks about each path once; "missing" is believed for a second only, and
// outside a walk (removal's re-check) every question goes to the system.
TEST(ProbeMemory, AWalkAsksOnceRemovalAlways) {
  PathQueryOverride answers(CountedAnswer);
  g_asked = 0;
  ProbePath("C:\\there\\a.exe");
  ProbePath("C:\\there\\a.exe");
  EXPECT_EQ(2, g_asked);
  {
    ScopedProbeMemory walk;
    g_asked = 0;
    for (int i = 0; i < 3; ++i) {
      EXPECT_EQ(PathState::kFile, ProbePath("C:\\there\\a.exe"));
      EXPECT_EQ(PathState::kMissing, ProbePath("C:\\gone\\a.exe"));
      EXPECT_TRUE(ReferencedFileExists("C:\\there\\a.exe"));
      // "There" holds in any case (this stand-in would call it missing), "missing"
      // only as asked.
      EXPECT_EQ(PathState::kFile, ProbePath("C:\\THERE\\A.EXE"));
    }
    EXPECT_EQ(2, g_asked);
    EXPECT_EQ(PathState::kMissing, ProbePath("C:\\Gone\\a.exe"));
    EXPECT_EQ(3, g_asked);
    // Both texts are held, each as it was asked.
    EXPECT_EQ(PathState::kMissing, ProbePath("C:\\gone\\a.exe"));
    EXPECT_EQ(3, g_asked);
    Sleep(1100);
    ProbePath("C:\\there\\a.exe");
    ProbePath("C:\\gone\\a.exe");
    EXPECT_EQ(4, g_asked);
  }
  // Removal's re-check: a path a walk believed missing is asked about again.
  EXPECT_EQ(PathState::kMissing, ProbePath("C:\\gone\\a.exe"));
  EXPECT_EQ(5, g_asked);
}

// A path found there vouches for the folders it goes through (a program's install
// folder, asked with its closing separator after its files), but only where its
// text names them: not through "..", and a file is no folder.
TEST(ProbeMemory, AFoundPathVouchesForItsFolders) {
  PathQueryOverride answers(CountedAnswer);
  ScopedProbeMemory walk;
  g_asked = 0;
  EXPECT_EQ(PathState::kFile, ProbePath("C:\\there\\sub\\a.exe"));
  EXPECT_EQ(PathState::kFolder, ProbePath("C:\\there\\sub\\"));
  EXPECT_EQ(PathState::kFolder, ProbePath("c:\\THERE\\"));
  EXPECT_EQ(1, g_asked);
  ProbePath("C:\\there\\sub\\a.exe\\");
  ProbePath("C:\\gone\\..\\there\\b.exe");
  EXPECT_EQ(PathState::kMissing, ProbePath("C:\\gone\\"));
  EXPECT_EQ(4, g_asked);
}

// Below a folder the walk found, the rest of a path is asked with the folder as
// it was found (Wine reads every folder on the way for a name in another case);
// only "there" is taken from that: the path as written is asked otherwise. The
// stand-in finds names only in the case they have here.
DWORD CaseSensitiveAnswer(const std::wstring& path, DWORD& error) {
  ++g_asked;
  const bool there = path == L"C:\\Tools\\a.exe" || path == L"C:\\Tools\\b.exe" ||
                     path == L"C:\\tools\\lower.exe" || path == L"C:\\Tools\\sub\\deep.exe" ||
                     path == L"C:\\Tools\\sub\\x.exe";
  error = there ? ERROR_SUCCESS : ERROR_FILE_NOT_FOUND;
  return there ? FILE_ATTRIBUTE_NORMAL : INVALID_FILE_ATTRIBUTES;
}

TEST(ProbeMemory, ANameIsAskedInItsFolderAsFound) {
  PathQueryOverride answers(CaseSensitiveAnswer);
  ScopedProbeMemory walk;
  g_asked = 0;
  const std::pair<const char*, PathState> kQuestions[] = {
      {"C:\\Tools\\a.exe", PathState::kFile},
      {"c:\\tools\\b.exe", PathState::kFile},             // asked in "C:\Tools"
      {"c:\\tools\\sub\\deep.exe", PathState::kFile},     // the deepest folder found
      {"C:\\tools\\sub\\x.exe", PathState::kFile},        // "C:\Tools\sub", found so
      {"C:\\tools\\lower.exe", PathState::kFile},         // missing in the folder: as written
      {"c:\\tools\\gone\\c.exe", PathState::kMissing},   // both ways
      {"C:\\TOOLS\\e.exe", PathState::kMissing}};         // capitals: as written only
  for (const auto& q : kQuestions) EXPECT_EQ(q.second, ProbePath(q.first)) << q.first;
  EXPECT_EQ(9, g_asked);
}

// "C:\gone" and "C:\far" are not there (a path through them is not reached);
// "C:\there" is, without the files asked about.
DWORD UnreachedAnswer(const std::wstring& path, DWORD& error) {
  ++g_asked;
  const bool unreached = path.rfind(L"C:\\gone\\", 0) == 0 || path.rfind(L"C:\\GONE\\", 0) == 0 ||
                         path.rfind(L"C:\\far\\", 0) == 0;
  error = unreached ? ERROR_PATH_NOT_FOUND : ERROR_FILE_NOT_FOUND;
  return INVALID_FILE_ATTRIBUTES;
}

TEST(ProbeMemory, NothingIsBelowAFolderThePathCouldNotReach) {
  PathQueryOverride answers(UnreachedAnswer);
  ScopedProbeMemory walk;
  g_asked = 0;
  const std::pair<const char*, int> kQuestions[] = {
      {"C:\\gone\\sub\\a.exe", 1},          // not reached: "C:\gone\sub" is not there
      {"C:\\gone\\sub\\b.exe", 1},          // so neither is anything below it
      {"C:\\gone\\sub\\deep\\c.exe", 1},
      {"C:\\GONE\\sub\\d.exe", 2},          // another text: asked
      {"C:\\gone\\e.exe", 3},               // "C:\gone" is not there
      {"C:\\gone\\other\\f.exe", 3},
      {"C:\\there\\x.exe", 4},              // not there, its folder is: both asked
      {"C:\\there\\y.exe", 5},
      {"C:\\far\\away\\", 6},               // a folder form says nothing of its parts
      {"C:\\far\\away\\z.exe", 7}};
  for (const auto& q : kQuestions) {
    EXPECT_EQ(PathState::kMissing, ProbePath(q.first)) << q.first;
    EXPECT_EQ(q.second, g_asked) << q.first;
  }
}

// The full scan asks about a path as it is written (a case-sensitive folder, and
// Wine, find it only so) and names it in lower case.
TEST(ProbeMemory, FullScanAsksAsWrittenAndReportsLowerCase) {
  PathQueryOverride answers(CountedAnswer);
  g_asked = 0;
  const Findings findings = FullScanFindings(REG_SZ, "Run C:\\Tools\\App.exe,0", RegistryView::k64);
  EXPECT_EQ(L"C:\\Tools\\App.exe", g_firstAsked);
  ASSERT_EQ(1u, findings.size());
  EXPECT_EQ("The File (c:\\tools\\app.exe) cannot be found at the specified location.",
            findings[0].message);
  // A walk remembers a text's answer for its view only: System32 of a 32-bit
  // program is SysWOW64.
  ScopedProbeMemory walk;
  const std::string text = GetWindowsFolder() + "\\System32\\there.dll";
  EXPECT_TRUE(FullScanFindings(REG_SZ, text, RegistryView::k64).empty());
  EXPECT_EQ(1u, FullScanFindings(REG_SZ, text, RegistryView::k32).size());
}

}  // namespace
