// The console scan in-process on a sandboxed registry: section choice, the JSON
// document (written as a stream, byte for byte what the whole tree printed), exit
// codes and Ctrl+C without the window's pauses (the signal itself is driven end
// to end in scan_cli_test.sh).

#include "cli/console_scan.h"

#include <gtest/gtest.h>

#include "app/settings_store.h"
#include "cli/commands.h"
#include "cli/console_interrupt.h"
#include "cli/scan_report.h"
#include "core/registry.h"
#include "core/elevation.h"
#include "core/section_catalogue.h"
#include "support/registry_sandbox.h"
#include "support/temp_folder.h"

namespace {

std::string Text(ConsoleScan& scan) {
  std::string text;
  ReportStream out(text);
  WriteScanText(scan, out);
  return text;
}

std::string Json(ConsoleScan& scan, const nlohmann::json& fields = nlohmann::json::object(),
                 std::vector<StreamedMember> members = {}) {
  std::string text;
  ReportStream out(text);
  WriteScanJson(scan, out, fields, std::move(members));
  return text;
}

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

// Ctrl+C takes effect at the next item though the console makes no pause: the
// item being looked at is finished, the next is not started. The first static
// driver names no file (nothing to report, so nothing else lets input through).
TEST_F(ConsoleScanTest, CtrlCStopsAtTheNextItemWithoutAPause) {
  const std::string vxd = "SYSTEM\\CurrentControlSet\\Services\\VXD\\";
  ASSERT_TRUE(RegPutString(HKEY_LOCAL_MACHINE, vxd + "A", "Other", "x"));
  for (const char* name : {"B", "C"}) {
    ASSERT_TRUE(RegPutString(HKEY_LOCAL_MACHINE, vxd + name, "StaticVXD", "C:\\qb-gone.vxd"));
  }
  ConsoleScan scan;
  std::string error;
  ASSERT_TRUE(scan.SelectSections("2,3", error));
  ConsoleScan::RequestAbortFromConsole();
  scan.Run();
  ClearConsoleInterrupt();
  EXPECT_EQ(3, ScanExitCode(scan));
  EXPECT_EQ(0, scan.Store().totalProblems());
  ASSERT_EQ(2u, scan.Rows().size());
  EXPECT_EQ("Aborted", scan.Rows()[0].status);
  EXPECT_EQ("Ready", scan.Rows()[1].status);
}

// The document as one tree, the way it used to be printed: the streamed document
// must be byte for byte this.
nlohmann::json TreeDocument(ConsoleScan& scan) {
  nlohmann::json sections = nlohmann::json::array();
  for (const ConsoleRow& row : scan.Rows()) {
    nlohmann::json problems = nlohmann::json::array();
    for (const auto& record : row.section->problems) problems.push_back(ProblemJson(*record));
    sections.push_back({{"id", row.section->sectionId}, {"name", row.section->name},
                        {"severity", SeverityName(row.section->severity)}, {"status", row.status},
                        {"count", row.section->problemCount()}, {"ignored", row.section->ignored},
                        {"notChecked", row.section->notChecked},
                        {"problems", problems}});
  }
  return {{"program", "Quillbane v2.1"}, {"status", scan.EndText()},
          {"totalProblems", scan.Store().totalProblems()},
          {"affectedSections", scan.Store().affectedSections()}, {"elevated", ProcessIsElevated()},
          {"sections", sections}};
}

std::unique_ptr<ProblemRecord> Problem(int sectionId, const std::string& text, bool file = false) {
  auto record = std::make_unique<ProblemRecord>();
  record->sectionId = sectionId;
  record->message = "The File (" + text + ") cannot be found";
  if (file) {
    record->errorType = kFileError;
    record->linkPath = "C:\\Links\\" + text + ".lnk";
    record->targetPath = text;
  } else {
    record->rootKey = HKEY_CURRENT_USER;
    record->keyPath = "Software\\" + text;
    record->valueName = text;
    record->valueData = text;
    record->isValue = sectionId % 2;
  }
  return record;
}

TEST_F(ConsoleScanTest, StreamedJsonIsWhatTheWholeTreePrinted) {
  ConsoleScan scan;
  std::string error;
  ASSERT_TRUE(scan.SelectSections("1,3,4", error));
  scan.Run();
  // Quotes, backslashes, controls, DEL, valid and broken UTF-8 (bad lead, cut
  // sequence, overlong form, surrogate).
  const char* texts[] = {"a\"b\\c", "\x01\x1f\x7f\t\n", "\xc3\xbc\xe2\x82\xac\xf0\x9f\x98\x80",
                         "\xff\xfe x", "\xe2\x82", "\xc0\xaf\xed\xa0\x80", ""};
  for (const char* text : texts) scan.Store().File(Problem(kSoundFiles, text));
  scan.Store().File(Problem(kInstalledFonts, "gone.exe", true));
  EXPECT_EQ(DumpJson(TreeDocument(scan)), Json(scan));

  // clean's document: its fields and lists fall between the scan's keys.
  const ScanSection& sounds = *scan.Catalogue().Find(kSoundFiles);
  nlohmann::json tree = TreeDocument(scan);
  nlohmann::json fields = {{"archive", nullptr}, {"aborted", true}, {"keptFolder", "C:\\k"}};
  tree.update(fields);
  tree["removed"] = {ProblemJson(*sounds.problems[0]), ProblemJson(*sounds.problems[1])};
  tree["kept"] = {ProblemJson(*sounds.problems[2])};
  tree["kept"][0]["reason"] = "changed since the scan";
  std::vector<StreamedMember> members;
  for (const char* key : {"removed", "kept"}) {
    members.push_back({key, [&tree, key](ReportStream& out) {
      JsonArray list(out);
      for (const nlohmann::json& entry : tree.at(key)) WriteJson(list.Next(), entry);
      list.End();
    }});
  }
  EXPECT_EQ(DumpJson(tree), Json(scan, fields, members));
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
  const nlohmann::json doc = nlohmann::json::parse(Json(scan));
  const std::string text = Text(scan);
  SetElevationForTest(-1);
  EXPECT_EQ(false, doc["elevated"]);
  EXPECT_EQ("Access Denied", doc["sections"][0]["status"]);
  EXPECT_NE(std::string::npos,
            text.find("Installed Sound Files  [Severe]  Access Denied, 0 problems\n"));
  EXPECT_NE(std::string::npos,
            text.find("\n1 section could not be checked: access to its keys was denied. Running "
                      "Quillbane as administrator checks it.\n"));
}

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
