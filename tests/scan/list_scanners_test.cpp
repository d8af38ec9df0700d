// The registry-list sections on a sandboxed registry and real files.

#include <gtest/gtest.h>

#include "core/section_catalogue.h"
#include "scan/path_tests.h"
#include "scan_recorder.h"
#include "support/registry_sandbox.h"
#include "support/temp_folder.h"

namespace {

const char kFonts[] = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Fonts";
const char kHelp[] = "SOFTWARE\\Microsoft\\Windows\\Help";
const char kShared[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs";
const char kAppPaths[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths";
const char kSounds[] = "Control Panel\\Sounds";

class ListScannerTest : public SandboxedTest {
 protected:
  void SetUp() override {
    SandboxedTest::SetUp();
    ASSERT_TRUE(WriteFileBytes(m_folder / "present.ttf", "font"));
    ASSERT_TRUE(WriteFileBytes(m_folder / "App\\app.exe", "MZ"));
  }
  TempFolder m_folder;
  ScanRecorder m_host;
};

TEST_F(ListScannerTest, FontsTestTheDataThenTheFontsFolder) {
  ASSERT_TRUE(RegPutString(HKEY_LOCAL_MACHINE, kFonts, "Full", m_folder / "present.ttf"));
  ASSERT_TRUE(RegPutString(HKEY_LOCAL_MACHINE, kFonts, "Gone (TrueType)", "qb-gone.ttf"));
  ASSERT_TRUE(RegPutString(HKEY_LOCAL_MACHINE, kFonts, "TooLong", std::string(400, 'f')));
  const std::string junk("\x01\xff\x00zz", 5);
  ASSERT_TRUE(RegPutBytes(HKEY_LOCAL_MACHINE, kFonts, "Junk", REG_SZ, junk.data(), 5));

  EXPECT_NE(0, m_host.Scanner().ScanFonts(0));
  const ProblemRecord* gone = m_host.Find("Gone (TrueType)");
  ASSERT_NE(nullptr, gone);
  const std::string fontsPath = GetWindowsFolder() + "\\Fonts\\qb-gone.ttf";
  EXPECT_EQ("The File (" + fontsPath + ") cannot be found at the specified location.",
            gone->message);
  EXPECT_EQ(kRegistryError, gone->errorType);
  EXPECT_EQ(kInstalledFonts, gone->sectionId);
  EXPECT_EQ(HKEY_LOCAL_MACHINE, gone->rootKey);
  EXPECT_EQ(kFonts, gone->keyPath);
  EXPECT_EQ("qb-gone.ttf", gone->valueData);
  EXPECT_EQ(1, gone->isValue);
  EXPECT_EQ(0, gone->checked);
  EXPECT_EQ(nullptr, m_host.Find("Full"));
  EXPECT_EQ(nullptr, m_host.Find("TooLong"));  // not readable into the buffer: not tested
  EXPECT_EQ(2u, m_host.records.size());        // Gone and the junk value
  bool shown = false;
  for (const std::string& s : m_host.statuses) {
    shown |= s == "HKEY_LOCAL_MACHINE\\" + std::string(kFonts) + "\\Gone (TrueType)\\qb-gone.ttf";
  }
  EXPECT_TRUE(shown);
}

TEST_F(ListScannerTest, HelpJoinsFolderAndNameWithOneBackslash) {
  ASSERT_TRUE(WriteFileBytes(m_folder / "Help\\here.hlp", "h"));
  ASSERT_TRUE(RegPutString(HKEY_LOCAL_MACHINE, kHelp, "here.hlp", m_folder / "Help\\\\"));
  ASSERT_TRUE(RegPutString(HKEY_LOCAL_MACHINE, kHelp, "\\\\gone.hlp", m_folder / "Help\\"));
  m_host.Scanner().ScanHelpFiles(0);
  ASSERT_EQ(1u, m_host.records.size());
  EXPECT_EQ(FileNotFoundMessage(m_folder / "Help\\gone.hlp"), m_host.records[0]->message);
  EXPECT_EQ(m_folder / "Help\\", m_host.records[0]->valueData);
  EXPECT_EQ(kHelpFiles, m_host.records[0]->sectionId);
}

TEST_F(ListScannerTest, SharedFilesAreTheValueNames) {
  ASSERT_TRUE(RegPutDword(HKEY_LOCAL_MACHINE, kShared, m_folder / "App\\app.exe", 1));
  ASSERT_TRUE(RegPutDword(HKEY_LOCAL_MACHINE, kShared, m_folder / "gone.dll", 3));
  m_host.Scanner().ScanSharedFiles(0);
  ASSERT_EQ(1u, m_host.records.size());
  EXPECT_EQ(m_folder / "gone.dll", m_host.records[0]->valueName);
  EXPECT_EQ("", m_host.records[0]->valueData);
  EXPECT_EQ(1, m_host.records[0]->isValue);
}

TEST_F(ListScannerTest, AppPathsExpandUnquoteAndNameTheSubkey) {
  SetEnvironmentVariableA("QB_APP_DIR", (m_folder / "App").c_str());
  const std::string key = kAppPaths;
  ASSERT_TRUE(RegPutString(HKEY_LOCAL_MACHINE, key + "\\good.exe", "", "\"%QB_APP_DIR%\\app.exe\""));
  ASSERT_TRUE(RegPutString(HKEY_LOCAL_MACHINE, key + "\\gone.exe", "", "%QB_APP_DIR%\\gone.exe"));
  ASSERT_TRUE(RegPutString(HKEY_LOCAL_MACHINE, key + "\\nodefault.exe", "Path", "C:\\nowhere"));
  m_host.Scanner().ScanAppPaths(0);

  ASSERT_EQ(1u, m_host.records.size());
  const ProblemRecord& r = *m_host.records[0];
  EXPECT_EQ(key + "\\gone.exe", r.keyPath);
  EXPECT_EQ("", r.valueName);
  EXPECT_EQ("%QB_APP_DIR%\\gone.exe", r.valueData);
  EXPECT_EQ(FileNotFoundMessage(m_folder / "App\\gone.exe"), r.message);
  EXPECT_EQ(0, r.isValue);
  EXPECT_EQ(kApplicationPaths, r.sectionId);
  for (const std::string& s : m_host.statuses) EXPECT_EQ(std::string::npos, s.find("nodefault"));
  EXPECT_EQ(2u, m_host.statuses.size());
}

TEST_F(ListScannerTest, SoundsReportEmptyAndWordsButNotAComma) {
  ASSERT_TRUE(RegPutString(HKEY_CURRENT_USER, kSounds, "Empty", ""));
  ASSERT_TRUE(RegPutString(HKEY_CURRENT_USER, kSounds, "Comma", ","));
  ASSERT_TRUE(RegPutString(HKEY_CURRENT_USER, kSounds, "Word", "ding"));
  ASSERT_TRUE(RegPutString(HKEY_CURRENT_USER, kSounds, "Quoted", "\"" + (m_folder / "present.ttf") + "\""));
  m_host.Scanner().ScanSoundFiles(0);

  ASSERT_EQ(2u, m_host.records.size());
  ASSERT_NE(nullptr, m_host.Find("Empty"));
  EXPECT_EQ("The File () cannot be found at the specified location.", m_host.Find("Empty")->message);
  ASSERT_NE(nullptr, m_host.Find("Word"));
  EXPECT_EQ(HKEY_CURRENT_USER, m_host.Find("Word")->rootKey);
  EXPECT_EQ(kSoundFiles, m_host.Find("Word")->sectionId);
  bool shownByData = false;
  for (const std::string& s : m_host.statuses) shownByData |= s == "HKEY_CURRENT_USER\\Control Panel\\Sounds\\ding";
  EXPECT_TRUE(shownByData);
}

TEST_F(ListScannerTest, MissingKeysEndAtOnceAndAbortStopsBeforeTheNextEntry) {
  EXPECT_NE(0, m_host.Scanner().ScanFonts(0));
  EXPECT_NE(0, m_host.Scanner().ScanAppPaths(0));
  EXPECT_TRUE(m_host.statuses.empty());

  for (int i = 0; i < 6; ++i) {
    ASSERT_TRUE(RegPutString(HKEY_LOCAL_MACHINE, kFonts, "F" + std::to_string(i), "qb-gone.ttf"));
  }
  m_host.AbortAfterReports(2);
  EXPECT_EQ(0, m_host.Scanner().ScanFonts(0));
  EXPECT_EQ(2u, m_host.records.size());
  EXPECT_TRUE(m_host.Scanner().WasAborted());
}

}  // namespace
