#include "app/scan_log.h"

#include <gtest/gtest.h>

#include "app/settings_store.h"
#include "core/section_catalogue.h"
#include "support/registry_sandbox.h"
#include "support/temp_folder.h"

namespace {

class ScanLogTest : public SandboxedTest {
 protected:
  void SetUp() override {
    SandboxedTest::SetUp();
    InitSettingsKey();
    WriteLogFolder(m_folder / "logs\\");
  }
  TempFolder m_folder;
};

// The header, the blocks and their CR CR LF line ends are checked on a real
// scan's log by the console's end-to-end test.
TEST_F(ScanLogTest, WrittenInTheChosenFolderUntilReset) {
  EXPECT_EQ("Date(7-3-2008) Time(9-5-0).txt", FormatLogFileName(7, 3, 2008, 9, 5, 0));
  ScanLog log("Windows 7 Service Pack 1");
  ASSERT_TRUE(log.Open());
  EXPECT_EQ(0u, log.LogPath().find(m_folder / "logs\\Date("));
  log.Append("Section : B\r\n\r\n");
  const std::string path = log.LogPath();
  std::string before, after;
  ASSERT_TRUE(ReadFileBytes(path, before));
  EXPECT_NE(std::string::npos, before.find("Section : B"));
  log.Reset();
  EXPECT_EQ("", log.LogPath());
  log.Append("after the scan\r\n");
  ASSERT_TRUE(ReadFileBytes(path, after));
  EXPECT_EQ(before, after);
}

// The log is missing, and the scan's front end can say where and why.
TEST_F(ScanLogTest, AFolderThatCannotHoldLogsMeansNoLogAndSaysWhy) {
  ASSERT_TRUE(WriteFileBytes(m_folder / "file", "in the way"));
  const std::string kFolders[] = {m_folder / "missing\\parent\\logs", m_folder / "file",
                                  m_folder / std::string(300, 'x')};
  for (const std::string& folder : kFolders) {
    WriteLogFolder(folder);
    ScanLog log;
    EXPECT_FALSE(log.Open()) << folder;
    log.Append("x");
    EXPECT_NE(std::string::npos, log.Problem().find(folder)) << log.Problem();
    log.Reset();
    EXPECT_FALSE(log.Problem().empty()) << "kept for the end of the scan";
    EXPECT_NE("", LogFolderProblem(folder)) << folder;
  }
  EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(kFolders[0].c_str()));
  // A usable folder passes, made when missing.
  EXPECT_EQ("", LogFolderProblem(m_folder / "new"));
  EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesA((m_folder / "new").c_str()));
}

// Two scans in one second each get a log of their own, and a name already taken
// (here by a file that is no log) is never written into.
TEST_F(ScanLogTest, EachScanCreatesALogOfItsOwn) {
  EXPECT_EQ("Date(7-3-2008) Time(9-5-0) (2).txt",
            NumberedLogFileName("Date(7-3-2008) Time(9-5-0).txt", 2));
  CreateDirectoryA((m_folder / "logs").c_str(), nullptr);
  bool sameSecond = false;
  for (int attempt = 0; attempt < 5 && !sameSecond; ++attempt) {
    ScanLog first, second;
    const std::string name = first.LogFileName();
    const std::string taken = m_folder / "logs\\" + name;
    ASSERT_TRUE(WriteFileBytes(taken, "not a log"));
    ASSERT_TRUE(first.Open() && second.Open());
    first.Append("first's\r\n");
    second.Append("second's\r\n");
    std::string bytes[3];
    ASSERT_TRUE(ReadFileBytes(taken, bytes[0]) && ReadFileBytes(first.LogPath(), bytes[1]) &&
                ReadFileBytes(second.LogPath(), bytes[2]));
    EXPECT_EQ("not a log", bytes[0]);
    EXPECT_EQ(0u, bytes[1].find("Quillbane v2.1") + bytes[2].find("Quillbane v2.1"));
    EXPECT_TRUE(bytes[1].find("first's") != std::string::npos && bytes[2].find("first's") == std::string::npos);
    EXPECT_TRUE(bytes[2].find("second's") != std::string::npos && bytes[1].find("second's") == std::string::npos);
    // Only when the clock stayed in that second are the numbered names known.
    sameSecond = first.LogPath() == m_folder / "logs\\" + NumberedLogFileName(name, 2) &&
                 second.LogPath() == m_folder / "logs\\" + NumberedLogFileName(name, 3);
    for (const std::string& path : {taken, first.LogPath(), second.LogPath()}) DeleteFileA(path.c_str());
  }
  EXPECT_TRUE(sameSecond);
}

}  // namespace
