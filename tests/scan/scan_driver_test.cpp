// The driver over a recording view: rows, end texts and when Abort takes effect.

#include "scan/scan_driver.h"

#include <gtest/gtest.h>

#include "scan/exclusion_list.h"
#include "support/registry_sandbox.h"
#include "support/scripted_prompts.h"

namespace {

const char kFonts[] = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Fonts";

struct Row {
  ScanSection* section;
  std::string name, count, status;
  int image;
};

class RecordingView : public ScanDriverView {
 public:
  void ShowTotalProblems(const std::string& text) override { total = text; }
  void ShowAffectedSections(const std::string& text) override { affected = text; }
  void ShowSectionCount(int sectionId, const std::string& count) override {
    for (Row& row : rows) {
      if (row.section->sectionId == sectionId) { row.count = count; return; }
    }
  }
  void DeleteAllRows() override { rows.clear(); }
  int AppendRow(ScanSection* section, const std::string& name, const std::string& count,
                const std::string& status) override {
    rows.push_back({section, name, count, status, kImagePending});
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
  void ShowResults() override { ++resultsShown; }

  std::vector<Row> rows;
  std::string total, affected, caption = "Start Scan";
  std::vector<std::string> statuses;
  std::vector<bool> animations;
  int resultsShown = 0;
};

class CountingLog : public ScanLogSession, public ProblemLogSink {
 public:
  bool Open() override { ++opened; return true; }
  void Reset() override { ++reset; }
  void Append(const std::string& block) override { blocks.push_back(block); }
  int opened = 0, reset = 0;
  std::vector<std::string> blocks;
};

// Files into the store, and presses Abort after a number of filed problems.
class StoreHost : public ScanHost {
 public:
  StoreHost(ProblemStore& store, SectionScanner& scanner) : m_store(store), m_scanner(scanner) {}
  void ReportProblem(std::unique_ptr<ProblemRecord> record) override {
    m_store.OnProblemFound(std::move(record));
  }
  void ShowStatus(const std::string&) override {}
  void PumpInput() override {
    if (abortAt >= 0 && m_store.totalProblems() >= abortAt && m_scanner.Running()) {
      m_scanner.RequestAbort();
    }
  }
  int abortAt = -1;

 private:
  ProblemStore& m_store;
  SectionScanner& m_scanner;
};

class ScanDriverTest : public SandboxedTest {
 protected:
  ScanDriverTest()
      : m_store(m_catalogue, IsExcluded, &m_view, &m_log),
        m_host(m_store, m_scanner),
        m_driver(m_catalogue, m_store, m_scanner, m_view, &m_log) {
    m_scanner.SetHost(&m_host);
  }
  void Enable(std::initializer_list<int> ids) {
    for (ScanSection& s : m_catalogue.Sections()) s.enabled = 0;
    for (int id : ids) m_catalogue.Find(id)->enabled = 1;
  }

  ScriptedPrompts m_prompts;
  SectionCatalogue m_catalogue;
  RecordingView m_view;
  CountingLog m_log;
  ProblemStore m_store;
  SectionScanner m_scanner;
  StoreHost m_host;
  ScanDriver m_driver;
};

TEST_F(ScanDriverTest, StartupProgramsAloneFinishesAtOnce) {
  Enable({kStartupPrograms});
  m_driver.PrepareScan();
  ASSERT_EQ(1u, m_view.rows.size());
  EXPECT_EQ("Ready", m_view.rows[0].status);
  EXPECT_EQ("Preparing to Scan", m_view.statuses.back());
  EXPECT_EQ("Total Problems : 0", m_view.total);

  m_driver.OnScanButton();
  EXPECT_EQ("Abort", m_view.caption);
  EXPECT_EQ("Finished", m_view.rows[0].status);
  EXPECT_EQ(kImageDone, m_view.rows[0].image);
  EXPECT_EQ("Scan Complete", m_driver.EndText());
  EXPECT_EQ("Scan Complete", m_view.statuses.back());
  EXPECT_EQ(std::vector<std::string>{"Scan Complete"}, m_prompts.Texts());
  EXPECT_EQ((std::vector<bool>{true, false}), m_view.animations);
  EXPECT_EQ(1, m_view.resultsShown);
  EXPECT_EQ(1, m_log.opened);
  EXPECT_EQ(1, m_log.reset);
}

TEST_F(ScanDriverTest, NoSectionsIsAnImmediateCompleteScan) {
  Enable({});
  m_driver.PrepareScan();
  m_driver.RunScan();
  EXPECT_TRUE(m_view.rows.empty());
  EXPECT_EQ("Scan Complete", m_driver.EndText());
}

TEST_F(ScanDriverTest, AbortDuringFontsKeepsWhatWasFound) {
  for (int i = 0; i < 4; ++i) {
    ASSERT_TRUE(RegPutString(HKEY_LOCAL_MACHINE, kFonts, "F" + std::to_string(i), "qb-gone.ttf"));
  }
  Enable({kVxdFiles, kInstalledFonts, kSoundFiles, kHelpFiles});
  m_driver.PrepareScan();
  m_host.abortAt = 2;
  m_driver.RunScan();

  ASSERT_EQ(4u, m_view.rows.size());
  EXPECT_EQ("Finished", m_view.rows[0].status);
  EXPECT_EQ("Aborted", m_view.rows[1].status);
  EXPECT_EQ(kImageScanning, m_view.rows[1].image);
  EXPECT_EQ("Ready", m_view.rows[2].status);
  EXPECT_EQ("Ready", m_view.rows[3].status);
  EXPECT_EQ("2", m_view.rows[1].count);
  EXPECT_EQ("Scan Aborted", m_driver.EndText());
  EXPECT_EQ(2, m_store.totalProblems());
  EXPECT_EQ(2, m_catalogue.Find(kInstalledFonts)->problemCount());
  EXPECT_EQ(2u, m_log.blocks.size());
  EXPECT_EQ(1, m_view.resultsShown);

  // The next scan starts from nothing.
  m_driver.PrepareScan();
  EXPECT_EQ(0, m_store.totalProblems());
  EXPECT_EQ(0, m_catalogue.Find(kInstalledFonts)->problemCount());
  EXPECT_EQ("Ready", m_view.rows[1].status);
}

TEST_F(ScanDriverTest, AbortOnTheLastItemMarksTheLastSectionAborted) {
  ASSERT_TRUE(RegPutString(HKEY_LOCAL_MACHINE, kFonts, "Only", "qb-gone.ttf"));
  Enable({kStartupPrograms, kInstalledFonts});
  m_driver.PrepareScan();
  m_host.abortAt = 1;
  m_driver.RunScan();
  EXPECT_EQ("Finished", m_view.rows[0].status);
  EXPECT_EQ("Aborted", m_view.rows[1].status);
  EXPECT_EQ("Scan Aborted", m_driver.EndText());
}

TEST_F(ScanDriverTest, RowsOfUnknownSectionsAreLeftUntouched) {
  ScanSection stray;
  stray.sectionId = 12;
  Enable({kInstalledFonts});
  m_driver.PrepareScan();
  m_view.rows.insert(m_view.rows.begin(), Row{&stray, "Twelve", "0", "Ready", kImagePending});
  m_driver.RunScan();
  EXPECT_EQ("Ready", m_view.rows[0].status);
  EXPECT_EQ(kImagePending, m_view.rows[0].image);
  EXPECT_EQ("Finished", m_view.rows[1].status);
}

TEST_F(ScanDriverTest, TheButtonAbortsWhileItSaysAbort) {
  m_scanner.StartScan();
  m_view.caption = "Abort";
  m_driver.OnScanButton();
  EXPECT_TRUE(m_scanner.WasAborted());
  EXPECT_TRUE(m_view.rows.empty());
}

}  // namespace
