// The driver over a recording view: rows, end texts and when Abort takes effect.

#include "scan/scan_driver.h"

#include <gtest/gtest.h>

#include "core/elevation.h"
#include "scan/exclusion_list.h"
#include "support/registry_sandbox.h"
#include "support/scripted_prompts.h"

namespace {

const char kFonts[] = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Fonts";

struct Row {
  ScanSection* section;
  std::string status;
  int image;
};

class RecordingView : public ScanDriverView {
 public:
  void ShowTotalProblems(const std::string& text) override { total = text; }
  void ShowAffectedSections(const std::string&) override {}
  void ShowSectionCount(int, const std::string&) override {}
  void DeleteAllRows() override { rows.clear(); }
  int AppendRow(ScanSection* section, const std::string&, const std::string&,
                const std::string& status) override {
    rows.push_back({section, status, kImagePending});
    return static_cast<int>(rows.size()) - 1;
  }
  int RowCount() override { return static_cast<int>(rows.size()); }
  ScanSection* RowSection(int row) override { return rows[row].section; }
  void SetRowStatus(int row, const std::string& status) override { rows[row].status = status; }
  void SetRowImage(int row, int image) override { rows[row].image = image; }
  void EnsureRowVisible(int) override {}
  void ShowStatusText(const std::string& text) override { statuses.push_back(text); }
  std::string ButtonCaption() override { return caption; }
  void SetButtonCaption(const std::string& text) override { caption = text; }
  void ShowAnimation(bool show) override { animations.push_back(show); }
  void ShowResults() override {}

  std::vector<Row> rows;
  std::string total, caption = "Start Scan";
  std::vector<std::string> statuses;
  std::vector<bool> animations;
};

class CountingLog : public ScanLogSession, public ProblemLogSink {
 public:
  bool Open() override { ++opened; return true; }
  void Reset() override { ++reset; }
  void Append(const std::string& block) override { blocks.push_back(block); }
  void AppendNote(const std::string& block) override { notes.push_back(block); }
  int opened = 0, reset = 0;
  std::vector<std::string> blocks, notes;
};

// The test is the scanner's host: it files into the store, and presses Abort
// once m_nAbortAt problems were filed.
class ScanDriverTest : public SandboxedTest, public ScanHost {
 protected:
  ScanDriverTest()
      : m_store(m_catalogue, IsExcluded, &m_view, &m_log),
        m_scanner(this),
        m_driver(m_catalogue, m_store, m_scanner, m_view, &m_log) {}
  void Enable(std::initializer_list<int> ids) {
    for (ScanSection& s : m_catalogue.Sections()) s.enabled = 0;
    for (int id : ids) m_catalogue.Find(id)->enabled = 1;
  }
  void ReportProblem(std::unique_ptr<ProblemRecord> record) override {
    m_store.OnProblemFound(std::move(record));
  }
  void ShowStatus(const std::string&) override {}
  void PumpInput() override {
    if (m_nAbortAt >= 0 && m_store.totalProblems() >= m_nAbortAt && m_scanner.Running()) {
      m_scanner.RequestAbort();
    }
  }

  ScriptedPrompts m_prompts;
  SectionCatalogue m_catalogue;
  RecordingView m_view;
  CountingLog m_log;
  ProblemStore m_store;
  SectionScanner m_scanner;
  ScanDriver m_driver;
  int m_nAbortAt = -1;
};

TEST_F(ScanDriverTest, StartupProgramsFinishAtOnceAndRowTwelveIsLeftAlone) {
  Enable({kStartupPrograms});
  m_driver.PrepareScan();
  ASSERT_EQ(1u, m_view.rows.size());
  EXPECT_EQ("Ready", m_view.rows[0].status);
  EXPECT_EQ("Preparing to Scan", m_view.statuses.back());
  EXPECT_EQ("Total Problems : 0", m_view.total);
  ScanSection stray;
  stray.sectionId = 12;
  m_view.rows.insert(m_view.rows.begin(), Row{&stray, "Ready", kImagePending});

  m_driver.OnScanButton();
  EXPECT_EQ("Abort", m_view.caption);
  EXPECT_EQ("Ready", m_view.rows[0].status);
  EXPECT_EQ(kImagePending, m_view.rows[0].image);
  EXPECT_EQ("Finished", m_view.rows[1].status);
  EXPECT_EQ(kImageDone, m_view.rows[1].image);
  EXPECT_EQ("Scan Complete", m_driver.EndText());
  EXPECT_EQ("Scan Complete", m_view.statuses.back());
  EXPECT_EQ(std::vector<std::string>{"Scan Complete"}, m_prompts.Texts());
  EXPECT_EQ((std::vector<bool>{true, false}), m_view.animations);
  EXPECT_EQ(1, m_log.opened);
  EXPECT_EQ(1, m_log.reset);
}

// Abort takes effect at the next item, in the middle of the fonts or at their
// last one: what was found stays, the later sections are not started, and the
// next scan starts from nothing.
TEST_F(ScanDriverTest, AbortEndsTheSectionAtTheNextItem) {
  for (int i = 0; i < 4; ++i)
    ASSERT_TRUE(RegPutString(HKEY_LOCAL_MACHINE, kFonts, "F" + std::to_string(i), "qb-gone.ttf"));
  Enable({kStartupPrograms, kVxdFiles, kInstalledFonts, kSoundFiles});
  for (int abortAt : {2, 4}) {
    m_driver.PrepareScan();
    EXPECT_EQ(0, m_store.totalProblems());
    m_log.blocks.clear();
    m_nAbortAt = abortAt;
    m_driver.RunScan();

    std::vector<std::string> statuses;
    for (const Row& row : m_view.rows) statuses.push_back(row.status);
    EXPECT_EQ((std::vector<std::string>{"Finished", "Finished", "Aborted", "Ready"}), statuses);
    EXPECT_EQ("Scan Aborted", m_driver.EndText());
    EXPECT_EQ(abortAt, m_store.totalProblems());
    EXPECT_EQ(static_cast<size_t>(abortAt), m_log.blocks.size());
  }
}

// A key that is there but refuses the full access the scan asks for (a standard
// user's view of the machine's keys) is not a clean section: its row, the log and
// the end message say it was not checked. A missing key is simply clean.
TEST_F(ScanDriverTest, AKeyThatWillNotOpenIsNotReportedClean) {
  ASSERT_TRUE(RegPutString(HKEY_LOCAL_MACHINE, kFonts, "Gone", "qb-gone.ttf"));
  ReadOnlyKey readOnly(HKEY_LOCAL_MACHINE, kFonts);
  ASSERT_TRUE(readOnly.Applied());
  Enable({kInstalledFonts, kSoundFiles});
  SetElevationForTest(0);
  m_driver.PrepareScan();
  m_driver.RunScan();
  SetElevationForTest(-1);
  EXPECT_EQ("Access Denied", m_view.rows[0].status);
  EXPECT_EQ("Finished", m_view.rows[1].status);
  EXPECT_EQ((std::vector<std::string>{"Section : Installed Fonts \r\nStatus : Access Denied\r\n"
                                      "Key : HKEY_LOCAL_MACHINE\\" + std::string(kFonts) + "\r\n\r\n"}),
            m_log.notes);
  EXPECT_EQ("Scan Complete\r\n\r\n2 sections could not be checked: access to their keys was "
            "denied. Running Quillbane as administrator checks them.",
            ScanEndMessage("Scan Complete", 2, false));
}

TEST_F(ScanDriverTest, TheButtonAbortsWhileItSaysAbort) {
  m_scanner.StartScan();
  m_view.caption = "Abort";
  m_driver.OnScanButton();
  EXPECT_TRUE(m_scanner.WasAborted());
  EXPECT_TRUE(m_view.rows.empty());
}

}  // namespace
