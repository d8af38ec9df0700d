#include "app/scan_log.h"

#include <gtest/gtest.h>

#include "app/settings_store.h"
#include "core/section_catalogue.h"
#include "support/registry_sandbox.h"
#include "support/temp_folder.h"

namespace {

TEST(ScanLogFormat, NameAndHeader) {
  EXPECT_EQ("Date(7-3-2008) Time(9-5-0).txt", FormatLogFileName(7, 3, 2008, 9, 5, 0));
  EXPECT_EQ("Quillbane v2.1\r\nOS : Windows 7\r\n---------------------\r\n\r\n",
            FormatLogHeader("v2.1", "Windows 7"));
}

class ScanLogTest : public SandboxedTest {
 protected:
  void SetUp() override {
    SandboxedTest::SetUp();
    InitSettingsKey();
    WriteLogFolder(m_folder / "logs\\");
  }
  TempFolder m_folder;
};

TEST_F(ScanLogTest, HeaderThenBlocksWithCrCrLfOnDisk) {
  ScanLog log("Windows 7 Service Pack 1");
  log.Append("before the scan\r\n");  // no scan yet: dropped
  ASSERT_TRUE(log.Open());
  EXPECT_EQ(m_folder / "logs\\" + log.LogFileName(), log.LogPath());
  log.Append("Section : Installed Fonts \r\nKey : HKEY_LOCAL_MACHINE\\x\r\n\r\n");

  std::string bytes;
  ASSERT_TRUE(ReadFileBytes(log.LogPath(), bytes));
  EXPECT_EQ("Quillbane v2.1\r\r\nOS : Windows 7 Service Pack 1\r\r\n---------------------\r\r\n\r\r\n"
            "Section : Installed Fonts \r\r\nKey : HKEY_LOCAL_MACHINE\\x\r\r\n\r\r\n",
            bytes);

  const std::string path = log.LogPath();
  log.Reset();
  EXPECT_EQ("", log.LogPath());
  log.Append("after the scan\r\n");
  std::string after;
  ASSERT_TRUE(ReadFileBytes(path, after));
  EXPECT_EQ(bytes, after);
}

TEST_F(ScanLogTest, AFolderThatCannotBeMadeMeansNoLog) {
  WriteLogFolder(m_folder / "missing\\parent\\logs");
  ScanLog log;
  EXPECT_FALSE(log.Open());
  log.Append("x");
  EXPECT_EQ(INVALID_FILE_ATTRIBUTES,
            GetFileAttributesA((m_folder / "missing\\parent\\logs").c_str()));
}

}  // namespace
