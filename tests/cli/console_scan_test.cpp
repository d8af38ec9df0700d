// The console scan in-process on a sandboxed registry: section choice, the JSON
// document, exit codes and Ctrl+C.

#include "cli/console_scan.h"

#include <gtest/gtest.h>

#include "app/settings_store.h"
#include "cli/scan_report.h"
#include "core/section_catalogue.h"
#include "support/registry_sandbox.h"
#include "support/temp_folder.h"

namespace {

const char kFonts[] = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Fonts";
const char kSounds[] = "Control Panel\\Sounds";

class ConsoleScanTest : public SandboxedTest {
 protected:
  void Prepare() {
    InitSettingsKey();
    WriteLogFolder(m_folder / "logs");
  }
  TempFolder m_folder;
};

// Presses Ctrl+C once the first problem has been filed.
class CtrlCAfterFirstProblem : public ConsoleScan {
 public:
  void ReportProblem(std::unique_ptr<ProblemRecord> record) override {
    ConsoleScan::ReportProblem(std::move(record));
    RequestAbortFromConsole();
  }
};

TEST_F(ConsoleScanTest, FirstRunWritesTheSettingsAndEnablesEverySection) {
  ConsoleScan scan;
  EXPECT_FALSE(SettingsKeyMissing());
  for (const ScanSection& section : scan.Catalogue().Sections()) EXPECT_EQ(1, section.enabled);
}

TEST_F(ConsoleScanTest, SectionListsAreCheckedAndKeepTheStoredChoice) {
  Prepare();
  ConsoleScan scan;
  std::string error;
  EXPECT_FALSE(scan.SelectSections("3,12", error));
  EXPECT_NE(std::string::npos, error.find("\"12\""));
  EXPECT_FALSE(scan.SelectSections("", error));
  EXPECT_FALSE(scan.SelectSections("3;4", error));
  EXPECT_FALSE(scan.SelectSections("99999999999", error));
  ASSERT_TRUE(scan.SelectSections(" 4 ,3", error));
  EXPECT_EQ(1, scan.Catalogue().Find(kInstalledFonts)->enabled);
  EXPECT_EQ(0, scan.Catalogue().Find(kVxdFiles)->enabled);
  EXPECT_EQ(1u, LoadSectionEnabled(kVxdFiles));  // stored choice untouched
}

TEST_F(ConsoleScanTest, JsonDocumentInCatalogueOrder) {
  Prepare();
  ASSERT_TRUE(RegPutString(HKEY_CURRENT_USER, kSounds, "Ding", "qb-gone.wav"));
  ASSERT_TRUE(RegPutString(HKEY_LOCAL_MACHINE, kFonts, "Junk", std::string("\xff\xfe bad utf-8")));
  ConsoleScan scan;
  std::string error;
  ASSERT_TRUE(scan.SelectSections("4,3,1", error));
  scan.Run();

  const nlohmann::json doc = nlohmann::json::parse(DumpJson(ScanJson(scan)));
  EXPECT_EQ("Quillbane v2.1", doc["program"]);
  EXPECT_EQ("Scan Complete", doc["status"]);
  EXPECT_EQ(2, doc["totalProblems"]);
  EXPECT_EQ(2, doc["affectedSections"]);
  ASSERT_EQ(3u, doc["sections"].size());
  EXPECT_EQ(1, doc["sections"][0]["id"]);
  EXPECT_EQ("Finished", doc["sections"][0]["status"]);
  EXPECT_EQ(0, doc["sections"][0]["count"]);
  EXPECT_EQ(3, doc["sections"][1]["id"]);
  EXPECT_EQ("Installed Fonts", doc["sections"][1]["name"]);
  EXPECT_EQ("Severe", doc["sections"][1]["severity"]);
  const nlohmann::json& sound = doc["sections"][2]["problems"][0];
  EXPECT_EQ("REG_VALUE", sound["type"]);
  EXPECT_EQ("HKEY_CURRENT_USER", sound["root"]);
  EXPECT_EQ("Control Panel\\Sounds", sound["key"]);
  EXPECT_EQ("Ding", sound["valueName"]);
  EXPECT_EQ("qb-gone.wav", sound["valueData"]);
  EXPECT_EQ("The File (qb-gone.wav) cannot be found at the specified location.", sound["message"]);
  EXPECT_FALSE(sound.contains("linkPath"));
  EXPECT_EQ(1, ScanExitCode(scan));

  // The log holds the header and both blocks.
  std::string log;
  ASSERT_TRUE(ReadFileBytes(scan.LogPath(), log));
  EXPECT_EQ(0u, log.find("Quillbane v2.1\r\r\nOS : Windows"));
  EXPECT_NE(std::string::npos, log.find("ValueName : Ding\r\r\nValue : qb-gone.wav\r\r\n"));
  EXPECT_NE(std::string::npos, ScanText(scan).find("Installed Sound Files  [Severe]  Finished, 1 problem"));
}

TEST_F(ConsoleScanTest, CtrlCAbortsAtTheNextItem) {
  Prepare();
  for (int i = 0; i < 4; ++i) {
    ASSERT_TRUE(RegPutString(HKEY_LOCAL_MACHINE, kFonts, "F" + std::to_string(i), "qb-gone.ttf"));
  }
  CtrlCAfterFirstProblem scan;
  std::string error;
  ASSERT_TRUE(scan.SelectSections("3,4", error));
  scan.Run();
  EXPECT_EQ("Scan Aborted", scan.EndText());
  EXPECT_EQ(1, scan.Store().totalProblems());
  ASSERT_EQ(2u, scan.Rows().size());
  EXPECT_EQ("Aborted", scan.Rows()[0].status);
  EXPECT_EQ("Ready", scan.Rows()[1].status);
  EXPECT_EQ(3, ScanExitCode(scan));
  const nlohmann::json doc = ScanJson(scan);
  EXPECT_EQ("Ready", doc["sections"][1]["status"]);
}

TEST_F(ConsoleScanTest, NothingFoundExitsZero) {
  Prepare();
  ConsoleScan scan;
  std::string error;
  ASSERT_TRUE(scan.SelectSections("3,7,8,9", error));
  scan.Run();
  EXPECT_EQ(0, ScanExitCode(scan));
  EXPECT_EQ(0, ScanJson(scan)["totalProblems"]);
}

}  // namespace
