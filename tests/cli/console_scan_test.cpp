// The console scan in-process on a sandboxed registry: section choice, the JSON
// document and exit codes (Ctrl+C is driven end to end in scan_cli_test.sh).

#include "cli/console_scan.h"

#include <gtest/gtest.h>

#include "app/settings_store.h"
#include "cli/backup_commands.h"
#include "cli/scan_report.h"
#include "core/elevation.h"
#include "core/section_catalogue.h"
#include "support/registry_sandbox.h"
#include "support/temp_folder.h"

namespace {

const char kFonts[] = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Fonts";

class ConsoleScanTest : public SandboxedTest {
 protected:
  void SetUp() override {
    SandboxedTest::SetUp();
    InitSettingsKey();
    WriteLogFolder(m_folder / "logs");
  }
  TempFolder m_folder;
};

TEST_F(ConsoleScanTest, SectionListsAreCheckedAndNothingFoundExitsZero) {
  ConsoleScan scan;
  std::string error;
  for (const char* list : {"3,12", "", "3;4", "3,,4", "99999999999"}) {
    EXPECT_FALSE(scan.SelectSections(list, error)) << list;
  }
  EXPECT_NE(std::string::npos, error.find("\"99999999999\""));
  ASSERT_TRUE(scan.SelectSections(" 4 ,3", error));
  EXPECT_EQ(1, scan.Catalogue().Find(kInstalledFonts)->enabled);
  EXPECT_EQ(0, scan.Catalogue().Find(kVxdFiles)->enabled);

  ASSERT_TRUE(scan.SelectSections("3,7,8,9", error));
  scan.Run();
  EXPECT_EQ(0, ScanExitCode(scan));  // nothing found
  // A missing key ends its section, not the scan.
  for (const ConsoleRow& row : scan.Rows()) EXPECT_EQ("Finished", row.status);
}

TEST_F(ConsoleScanTest, JsonDocumentInCatalogueOrder) {
  ASSERT_TRUE(RegPutString(HKEY_CURRENT_USER, "Control Panel\\Sounds", "Ding", "qb-gone.wav"));
  ASSERT_TRUE(RegPutString(HKEY_LOCAL_MACHINE, kFonts, "Junk", "\xff\xfe bad utf-8"));
  ConsoleScan scan;
  std::string error;
  ASSERT_TRUE(scan.SelectSections("4,3,1", error));
  scan.Run();
  EXPECT_EQ(1, ScanExitCode(scan));
  EXPECT_NE(std::string::npos, ScanText(scan).find("Installed Sound Files  [Severe]  Finished, 1 problem\n"));

  nlohmann::json doc = nlohmann::json::parse(DumpJson(ScanJson(scan)));
  // Registry data that is not UTF-8 is replaced, not thrown on.
  EXPECT_EQ("\xEF\xBF\xBD\xEF\xBF\xBD bad utf-8", doc["sections"][1]["problems"][0]["valueData"]);
  doc["sections"].erase(1);
  EXPECT_EQ(nlohmann::json::parse(R"({
    "program": "Quillbane v2.1", "status": "Scan Complete", "totalProblems": 2, "affectedSections": 2,
    "elevated": true, "sections": [
      {"id": 1, "name": "Startup Programs", "severity": "Moderate", "status": "Finished", "count": 0,
       "ignored": 0, "problems": []},
      {"id": 4, "name": "Installed Sound Files", "severity": "Severe", "status": "Finished", "count": 1,
       "ignored": 0, "problems": [{"type": "REG_VALUE", "root": "HKEY_CURRENT_USER", "key": "Control Panel\\Sounds",
                     "valueName": "Ding", "valueData": "qb-gone.wav", "view": "64",
                     "message": "The File (qb-gone.wav) cannot be found at the specified location."}]}]})"),
            doc);
}

// Sounds the user may read but not change: the section was not checked, and the
// report says so instead of "Finished, 0 problems".
TEST_F(ConsoleScanTest, ASectionThatCouldNotBeCheckedSaysSo) {
  ASSERT_TRUE(RegPutString(HKEY_CURRENT_USER, "Control Panel\\Sounds", "Ding", "qb-gone.wav"));
  ReadOnlyKey readOnly(HKEY_CURRENT_USER, "Control Panel\\Sounds");
  ASSERT_TRUE(readOnly.Applied());
  SetElevationForTest(0);
  ConsoleScan scan;
  std::string error;
  ASSERT_TRUE(scan.SelectSections("4", error));
  scan.Run();
  const nlohmann::json doc = ScanJson(scan);
  const std::string text = ScanText(scan);
  SetElevationForTest(-1);
  EXPECT_EQ(false, doc["elevated"]);
  EXPECT_EQ("Access Denied", doc["sections"][0]["status"]);
  EXPECT_NE(std::string::npos,
            text.find("Installed Sound Files  [Severe]  Access Denied, 0 problems\n"));
  EXPECT_NE(std::string::npos,
            text.find("\n1 section could not be checked: access to its keys was denied. Running "
                      "Quillbane as administrator checks it.\n"));
}

TEST(ScanReport, RegistryProblemsSayWhoseViewTheyBelongTo) {
  ProblemRecord record;
  record.sectionId = kSharedFiles;
  record.keyPath = "SOFTWARE\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs";
  EXPECT_EQ("32", ProblemJson(record)["view"]);
  record.sectionId = kActiveXCom;
  record.keyPath = "TypeLib\\{x}\\1.0\\0\\win32";
  EXPECT_EQ("32", ProblemJson(record)["view"]);
  record.keyPath = "TypeLib\\{x}\\1.0\\HELPDIR";
  EXPECT_EQ("64", ProblemJson(record)["view"]);
  record.errorType = kFileError;
  EXPECT_FALSE(ProblemJson(record).contains("view"));
}

}  // namespace

namespace {

// Registry names and data may hold terminal escapes and line breaks; in the text
// report they must not move the cursor or forge lines.
TEST(ConsoleText, ControlCharactersAreShownEscaped) {
  const std::pair<std::string, std::string> cases[] = {
      {"C:\\dir\\a b.exe", "C:\\dir\\a b.exe"},
      {"x\x1b[2Jy", "x\\x1b[2Jy"},
      {"a\r\nKEY : forged\tz\x7f", "a\\r\\nKEY : forged\\tz\\x7f"},
      {"\xe6\x8a\xa5 \xc2\x9b\xe2\x80\xae", "\xe6\x8a\xa5 \\u009b\\u202e"},  // C1 CSI, RLO
      {"\xff\xc3(", "\\xff\\xc3("},                                            // not UTF-8
  };
  for (const auto& c : cases) EXPECT_EQ(ConsoleText(c.first), c.second) << c.first;
}

TEST(CleanExitCode, SaysWhatTheRemovalDid) {
  const std::pair<void (*)(RemovalOutcome&), int> cases[] = {
      {[](RemovalOutcome&) {}, 0},  // kept only what was gone or changed
      {[](RemovalOutcome& o) { o.busy = true; }, 2},
      {[](RemovalOutcome& o) { o.keptFolder = "C:\\t\\PlovenTemp 1,1,2009_0,0,0"; }, 2},
      {[](RemovalOutcome& o) { o.stopped = true; o.failed = 1; }, 3},
      {[](RemovalOutcome& o) { o.stillPresent = 1; }, 4},
      {[](RemovalOutcome& o) { o.failed = 1; }, 2},
  };
  for (const auto& c : cases) {
    RemovalOutcome outcome;
    c.first(outcome);
    outcome.ran = !outcome.busy;
    EXPECT_EQ(CleanExitCode(outcome), c.second);
  }
}

}  // namespace
