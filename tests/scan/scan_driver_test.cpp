// The driver over recorded events: which sections run and how they end, the end
// text, and when a stop takes effect.

#include "scan/scan_driver.h"

#include <map>

#include <gtest/gtest.h>

#include "core/elevation.h"
#include "scan/exclusion_list.h"
#include "scan/section_registry.h"
#include "support/registry_sandbox.h"

namespace {

const char kFonts[] = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Fonts";

class CountingLog : public ScanLogSession, public ProblemLogSink {
 public:
  bool Open() override { ++opened; return true; }
  void Reset() override { ++reset; }
  void Append(const std::string& block) override { blocks.push_back(block); }
  void AppendNote(const std::string& block) override { notes.push_back(block); }
  int opened = 0, reset = 0;
  std::vector<std::string> blocks, notes;
};

// The test is the scan's events: it keeps each section's last status, and asks
// to stop once m_nAbortAt problems were filed.
class ScanDriverTest : public SandboxedTest, public ScanEvents {
 protected:
  ScanDriverTest()
      : m_store(m_catalogue, IsExcluded, &m_log),
        m_driver(m_catalogue, m_store, m_scanner, *this, &m_log) {}
  void Enable(std::initializer_list<int> ids) {
    for (ScanSection& s : m_catalogue.Sections()) s.enabled = 0;
    for (int id : ids) m_catalogue.Find(id)->enabled = 1;
  }
  void SectionStarted(const ScanSection& section) override { status[section.sectionId] = "Scanning"; }
  void SectionEnded(const ScanSection& section, SectionStatus ended) override {
    status[section.sectionId] = SectionStatusText(ended);
  }
  bool StopRequested() override { return m_nAbortAt >= 0 && m_store.totalProblems() >= m_nAbortAt; }
  std::vector<std::string> Statuses(std::initializer_list<int> ids) {
    std::vector<std::string> statuses;
    for (int id : ids) statuses.push_back(status.count(id) ? status[id] : "Ready");
    return statuses;
  }

  SectionCatalogue m_catalogue{RegisteredSections()};
  CountingLog m_log;
  ProblemStore m_store;
  SectionScanner m_scanner;
  ScanDriver m_driver;
  std::map<int, std::string> status;
  int m_nAbortAt = -1;
};

// A stop asked for before the scan begins holds: the first walk (the startup
// programs' states) ends at once and no later section starts.
TEST_F(ScanDriverTest, AStopAskedBeforeTheStartEndsTheFirstWalk) {
  ASSERT_TRUE(RegPutString(HKEY_LOCAL_MACHINE, kFonts, "F", "qb-gone.ttf"));
  Enable({kStartupPrograms, kInstalledFonts});
  for (int abortAt : {-1, 0}) {
    status.clear();
    m_nAbortAt = abortAt;
    m_driver.PrepareScan();
    m_driver.RunScan();
    EXPECT_EQ(Statuses({kStartupPrograms, kInstalledFonts}),
              (abortAt < 0 ? std::vector<std::string>{"Finished", "Finished"}
                           : std::vector<std::string>{"Aborted", "Ready"}));
    EXPECT_EQ(abortAt < 0 ? "Scan Complete" : "Scan Aborted", m_driver.EndText());
    EXPECT_EQ(abortAt < 0 ? 1 : 0, m_store.totalProblems());
  }
  EXPECT_EQ(2, m_log.opened);
  EXPECT_EQ(2, m_log.reset);
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
    status.clear();
    m_driver.RunScan();
    EXPECT_EQ(Statuses({kStartupPrograms, kVxdFiles, kInstalledFonts, kSoundFiles}),
              (std::vector<std::string>{"Finished", "Finished", "Aborted", "Ready"}));
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
  EXPECT_EQ(Statuses({kInstalledFonts, kSoundFiles}),
            (std::vector<std::string>{"Access Denied", "Finished"}));
  EXPECT_EQ((std::vector<std::string>{"Section : Installed Fonts \r\nStatus : Access Denied\r\n"
                                      "Key : HKEY_LOCAL_MACHINE\\" + std::string(kFonts) + "\r\n\r\n"}),
            m_log.notes);
  EXPECT_EQ("Scan Complete\r\n\r\n2 sections could not be checked: access to their keys was "
            "denied. Running Quillbane as administrator checks them.",
            ScanEndMessage("Scan Complete", 2, false));
}

}  // namespace
