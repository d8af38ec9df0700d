#include "app/settings_store.h"

#include <gtest/gtest.h>

#include "backup/program_folder.h"
#include "core/section_catalogue.h"
#include "support/registry_sandbox.h"

namespace {

const char kSettings[] = "Software\\Tarnwick";
const char kRun[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";

class SettingsStoreTest : public SandboxedTest {};

TEST_F(SettingsStoreTest, FlagsAreOnOnlyForANonzeroDword) {
  const std::pair<const char*, bool (*)()> kFlags[] = {
      {"RunAtStartup", ReadRunAtStartup}, {"Select All", ReadSelectAll}, {"AutoBackup", ReadAutoBackup}};
  WriteSelectAll(true);  // no settings key yet: nothing is written
  EXPECT_TRUE(SettingsKeyMissing());
  InitSettingsKey();
  for (const auto& flag : kFlags) {
    EXPECT_FALSE(flag.second()) << flag.first;
    ASSERT_TRUE(RegPutDword(HKEY_CURRENT_USER, kSettings, flag.first, 7));
    EXPECT_TRUE(flag.second()) << flag.first;
    ASSERT_TRUE(RegPutString(HKEY_CURRENT_USER, kSettings, flag.first, "1"));
    EXPECT_FALSE(flag.second()) << flag.first;
  }
}

TEST_F(SettingsStoreTest, LogFolderReadsExpandedAndFallsBackWhenUnsetOrEmpty) {
  EXPECT_EQ(ProgramFolder() + "\\logs", ReadLogFolder());
  InitSettingsKey();
  SetEnvironmentVariableA("QB_LOG_ROOT", "C:\\QbLogs");
  ASSERT_TRUE(RegPutString(HKEY_CURRENT_USER, kSettings, "LogFilePath", "%QB_LOG_ROOT%\\scan",
                           REG_EXPAND_SZ));
  EXPECT_EQ("C:\\QbLogs\\scan", ReadLogFolder());
  WriteLogFolder("");
  EXPECT_EQ(ProgramFolder() + "\\logs", ReadLogFolder());
}

// The Run value's text is checked by the window's preferences test.
TEST_F(SettingsStoreTest, StartAtLogonClearsOnlyItsOwnRunValue) {
  InitSettingsKey();
  ASSERT_TRUE(RegPutString(HKEY_CURRENT_USER, kRun, "Other", "x"));
  WriteRunAtStartup(true);
  EXPECT_TRUE(ReadRunAtStartup());
  WriteRunAtStartup(false);
  DWORD type = 0;
  std::string bytes;
  EXPECT_FALSE(RegGetRaw(HKEY_CURRENT_USER, kRun, "Tarnwick", type, bytes));
  EXPECT_TRUE(RegGetRaw(HKEY_CURRENT_USER, kRun, "Other", type, bytes));
  // No name: the Run key's default value is left alone.
  EXPECT_FALSE(SetRunAtLogon("", "x"));
}

}  // namespace
