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

TEST_F(ScanLogTest, HeaderThenOneBlockPerAppendWithCrCrLfOnDisk) {
  EXPECT_EQ("Date(7-3-2008) Time(9-5-0).txt", FormatLogFileName(7, 3, 2008, 9, 5, 0));
  ScanLog log("Windows 7 Service Pack 1");
  log.Append("before the scan\r\n");  // no scan yet: dropped
  ASSERT_TRUE(log.Open());
  EXPECT_EQ(0u, log.LogPath().find(m_folder / "logs\\Date("));
  log.Append("Section : Installed Fonts \r\nKey : HKEY_LOCAL_MACHINE\\x\r\n\r\n");
  log.Append("Section : B\r\n\r\n");
  const std::string expected =
      "Quillbane v2.1\r\r\nOS : Windows 7 Service Pack 1\r\r\n---------------------\r\r\n\r\r\n"
      "Section : Installed Fonts \r\r\nKey : HKEY_LOCAL_MACHINE\\x\r\r\n\r\r\nSection : B\r\r\n\r\r\n";
  std::string bytes;
  ASSERT_TRUE(ReadFileBytes(log.LogPath(), bytes));
  EXPECT_EQ(expected, bytes);

  const std::string path = log.LogPath();
  log.Reset();
  EXPECT_EQ("", log.LogPath());
  log.Append("after the scan\r\n");
  ASSERT_TRUE(ReadFileBytes(path, bytes));
  EXPECT_EQ(expected, bytes);
}

TEST_F(ScanLogTest, AFolderThatCannotBeMadeMeansNoLog) {
  WriteLogFolder(m_folder / "missing\\parent\\logs");
  ScanLog log;
  EXPECT_FALSE(log.Open());
  log.Append("x");
  EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA((m_folder / "missing\\parent\\logs").c_str()));
}

}  // namespace
