#include "app/settings_store.h"

#include <gtest/gtest.h>

#include "backup/program_folder.h"
#include "core/section_catalogue.h"
#include "support/registry_sandbox.h"

namespace {

const char kSettings[] = "Software\\Tarnwick";
const char kRun[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";

class SettingsStoreTest : public SandboxedTest {};

TEST_F(SettingsStoreTest, DefaultsBeforeAndAfterTheFirstRun) {
  EXPECT_TRUE(SettingsKeyMissing());
  EXPECT_FALSE(ReadRunAtStartup());
  EXPECT_EQ(ProgramFolder() + "\\logs", ReadLogFolder());
  WriteSelectAll(true);  // no key: nothing is written, nothing breaks
  EXPECT_FALSE(ReadSelectAll());

  InitSettingsKey();
  EXPECT_FALSE(SettingsKeyMissing());
  EXPECT_FALSE(ReadSelectAll());
  EXPECT_FALSE(ReadAutoBackup());
  WriteSelectAll(true);
  WriteAutoBackup(true);
  EXPECT_TRUE(ReadSelectAll());
  EXPECT_TRUE(ReadAutoBackup());
  WriteAutoBackup(false);
  EXPECT_FALSE(ReadAutoBackup());
}

TEST_F(SettingsStoreTest, OnlyRegDwordsCount) {
  InitSettingsKey();
  ASSERT_TRUE(RegPutString(HKEY_CURRENT_USER, kSettings, "RunAtStartup", "1"));
  ASSERT_TRUE(RegPutBytes(HKEY_CURRENT_USER, kSettings, "Select All", REG_BINARY, "\x01", 1));
  EXPECT_FALSE(ReadRunAtStartup());
  EXPECT_FALSE(ReadSelectAll());
}

TEST_F(SettingsStoreTest, LogFolderReadsExpandedAndFallsBackWhenEmpty) {
  InitSettingsKey();
  SetEnvironmentVariableA("QB_LOG_ROOT", "C:\\QbLogs");
  ASSERT_TRUE(RegPutString(HKEY_CURRENT_USER, kSettings, "LogFilePath", "%QB_LOG_ROOT%\\scan", REG_EXPAND_SZ));
  EXPECT_EQ("C:\\QbLogs\\scan", ReadLogFolder());
  WriteLogFolder("");
  EXPECT_EQ(ProgramFolder() + "\\logs", ReadLogFolder());
  WriteLogFolder("C:\\Elsewhere");
  EXPECT_EQ("C:\\Elsewhere", ReadLogFolder());
}

TEST_F(SettingsStoreTest, StartAtLogonWritesAndClearsTheRunValue) {
  InitSettingsKey();
  ASSERT_TRUE(RegPutString(HKEY_CURRENT_USER, kRun, "Other", "x"));
  WriteRunAtStartup(true);
  EXPECT_TRUE(ReadRunAtStartup());
  DWORD type = 0;
  std::string bytes;
  ASSERT_TRUE(RegGetRaw(HKEY_CURRENT_USER, kRun, "Tarnwick", type, bytes));
  EXPECT_EQ(static_cast<DWORD>(REG_SZ), type);
  char exe[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, exe, MAX_PATH);
  // Written without a terminating zero; Wine's conversion may add one.
  EXPECT_EQ("\"" + std::string(exe) + "\"", std::string(bytes.c_str()));

  WriteRunAtStartup(false);
  EXPECT_FALSE(ReadRunAtStartup());
  EXPECT_FALSE(RegGetRaw(HKEY_CURRENT_USER, kRun, "Tarnwick", type, bytes));
  EXPECT_TRUE(RegGetRaw(HKEY_CURRENT_USER, kRun, "Other", type, bytes));

  EXPECT_FALSE(SetRunAtLogon("", "x"));
  EXPECT_FALSE(SetRunAtLogon("x", ""));
  EXPECT_FALSE(ClearRunAtLogon(""));
  EXPECT_FALSE(ClearRunAtLogon("NotThere"));
}

}  // namespace
