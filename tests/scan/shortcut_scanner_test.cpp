// Shortcut files made with the shell's own link object.

#include <objbase.h>
#include <shlobj.h>

#include <algorithm>

#include <gtest/gtest.h>

#include "core/section_catalogue.h"
#include "core/wide_text.h"
#include "scan/path_tests.h"
#include "scan/recheck.h"
#include "scan_recorder.h"
#include "support/temp_folder.h"

namespace {

bool MakeShortcut(const std::string& linkPath, const std::string& target) {
  if (!WriteFileBytes(linkPath, "")) return false;  // creates the folders on the way
  IShellLinkA* link = nullptr;
  if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                              reinterpret_cast<void**>(&link)))) {
    return false;
  }
  IPersistFile* file = nullptr;
  bool ok = SUCCEEDED(link->SetPath(target.c_str())) &&
            SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)));
  if (ok) {
    ok = SUCCEEDED(file->Save(WideText(linkPath).c_str(), TRUE));
    file->Release();
  }
  link->Release();
  return ok;
}

class ShortcutTest : public ::testing::Test {
 protected:
  void SetUp() override {
    m_hrCom = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    ASSERT_TRUE(WriteFileBytes(m_folder / "Programs\\app.exe", "MZ"));
  }
  void TearDown() override {
    if (SUCCEEDED(m_hrCom)) CoUninitialize();
  }
  // A link to a program that existed when the link was made and is then deleted.
  void MakeDeadShortcut(const std::string& linkPath) {
    ASSERT_TRUE(WriteFileBytes(m_folder / "Programs\\gone.exe", "MZ"));
    ASSERT_TRUE(MakeShortcut(linkPath, m_folder / "Programs\\gone.exe"));
    DeleteFileA((m_folder / "Programs\\gone.exe").c_str());
  }

  HRESULT m_hrCom = E_FAIL;
  TempFolder m_folder;
  ScanRecorder m_host;
};

TEST_F(ShortcutTest, DeadTargetsAreFileProblems) {
  ASSERT_TRUE(MakeShortcut(m_folder / "Links\\good.lnk", m_folder / "Programs\\app.exe"));
  ASSERT_TRUE(MakeShortcut(m_folder / "Links\\folder.lnk", m_folder / "Programs"));
  MakeDeadShortcut(m_folder / "Links\\dead.lnk");
  ASSERT_TRUE(WriteFileBytes(m_folder / "Links\\readme.txt", "text"));

  EXPECT_EQ(1, m_host.Scanner().ScanFolderForShortcuts(m_folder.Path() + "\\\\"));
  ASSERT_EQ(1u, m_host.records.size());
  const ProblemRecord& r = *m_host.records[0];
  EXPECT_EQ(kFileError, r.errorType);
  EXPECT_EQ(kProgramShortcuts, r.sectionId);
  EXPECT_EQ(m_folder / "Links\\dead.lnk", r.linkPath);
  EXPECT_EQ(m_folder / "Programs\\gone.exe", r.targetPath);
  EXPECT_EQ("The Target File (" + r.targetPath + ") cannot be found at the specified location",
            r.message);
  EXPECT_EQ(0, r.checked);
  EXPECT_EQ("The CLSID (\\\\server\\gone.exe) is Invalid.", ShortcutMessage("\\\\server\\gone.exe"));
  // Every file visited shows its path, shortcut or not.
  EXPECT_EQ(5u, m_host.statuses.size());
}

TEST_F(ShortcutTest, BigFilesAndUpperCaseNamesAreNotExamined) {
  MakeDeadShortcut(m_folder / "Big\\dead.lnk");
  std::string bytes;
  ASSERT_TRUE(ReadFileBytes(m_folder / "Big\\dead.lnk", bytes));
  ASSERT_TRUE(WriteFileBytes(m_folder / "Big\\dead.lnk", bytes + std::string(1100, '\0')));
  MakeDeadShortcut(m_folder / "Upper\\DEAD.LNK");
  MakeDeadShortcut(m_folder / "Other\\dead.lnk");
  m_host.Scanner().ScanFolderForShortcuts(m_folder.Path());
  ASSERT_EQ(1u, m_host.records.size());
  EXPECT_EQ(m_folder / "Other\\dead.lnk", m_host.records[0]->linkPath);
}

TEST_F(ShortcutTest, DamagedShortcutsYieldNoTarget) {
  ASSERT_TRUE(WriteFileBytes(m_folder / "junk.lnk", std::string("L\0\0\0garbage", 11)));
  std::string target, description;
  EXPECT_TRUE(FAILED(ResolveShortcut(m_folder / "junk.lnk", target, description)));
  EXPECT_EQ("", target);
  m_host.Scanner().ScanFolderForShortcuts(m_folder.Path());
  EXPECT_TRUE(m_host.records.empty());
}

TEST_F(ShortcutTest, AbortStopsTheWalk) {
  for (int i = 0; i < 5; ++i) MakeDeadShortcut(m_folder / ("L\\dead" + std::to_string(i) + ".lnk"));
  m_host.AbortAfterReports(1);
  EXPECT_EQ(0, m_host.Scanner().ScanFolderForShortcuts(m_folder.Path()));
  EXPECT_EQ(1u, m_host.records.size());
}

TEST_F(ShortcutTest, TheRecheckResolvesTheLinkAgain) {
  const std::string link = m_folder / "Links\\dead.lnk", target = m_folder / "Programs\\gone.exe";
  MakeDeadShortcut(link);
  m_host.Scanner().ScanFolderForShortcuts(m_folder.Path());
  ASSERT_EQ(1u, m_host.records.size());
  const ProblemRecord& problem = *m_host.records[0];
  std::string reason;
  EXPECT_TRUE(RecheckProblem(problem, reason));
  ASSERT_TRUE(WriteFileBytes(target, "MZ"));
  EXPECT_FALSE(RecheckProblem(problem, reason));
  EXPECT_EQ(kChangedSinceScan, reason);
  DeleteFileA(link.c_str());
  EXPECT_FALSE(RecheckProblem(problem, reason));
  EXPECT_EQ(kNoLongerPresent, reason);
}

// Link texts are read through calls that cut silently at the buffer's size.
TEST(ShortcutWalk, TextsAreReadWholeOrNotAtAll) {
  const std::pair<size_t, bool> kCases[] = {
      {0, true}, {100, true}, {MAX_PATH - 1, true}, {5000, true}, {32766, true},
      {32767, false}, {40000, false}};
  for (const auto& c : kCases) {
    const std::wstring source(c.first, L'x');
    std::wstring read;
    const bool whole = ReadWholeText([&](wchar_t* buffer, int size) {
      const size_t n = std::min(source.size(), static_cast<size_t>(size) - 1);
      source.copy(buffer, n);
      buffer[n] = L'\0';
      return S_OK;
    }, read);
    EXPECT_EQ(c.second, whole) << c.first;
    EXPECT_EQ(c.second ? source : L"", read) << c.first;
  }
  std::wstring read;
  EXPECT_FALSE(ReadWholeText([](wchar_t*, int) { return E_FAIL; }, read));
}

// Wine cannot make junctions or directory links, so the walk's decision is
// checked on the attributes a junction reports.
TEST(ShortcutWalk, JunctionsAndLinksAreNotDescended) {
  EXPECT_TRUE(IsWalkableFolder(FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN));
  EXPECT_FALSE(IsWalkableFolder(FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT));
  EXPECT_FALSE(IsWalkableFolder(FILE_ATTRIBUTE_NORMAL));
}

TEST(ShortcutWalk, LongPathNamesOnlyOfExistingRootedPaths) {
  std::string longForm;
  EXPECT_EQ(GetWindowsFolder().size(), LongPathName(GetWindowsFolder(), longForm));
  for (const char* path : {"", "C:\\no\\such\\thing", "windows"}) EXPECT_EQ(0u, LongPathName(path, longForm)) << path;
}

}  // namespace
