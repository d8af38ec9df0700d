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

TEST_F(ScanLogTest, AFolderThatCannotBeMadeMeansNoLog) {
  WriteLogFolder(m_folder / "missing\\parent\\logs");
  ScanLog log;
  EXPECT_FALSE(log.Open());
  log.Append("x");
  EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA((m_folder / "missing\\parent\\logs").c_str()));
}

}  // namespace
