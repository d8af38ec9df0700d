#include "core/problem_store.h"

#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "scan/exclusion_list.h"
#include "support/registry_sandbox.h"

namespace {

struct RecordingView : StoreView, ProblemLogSink {
  std::vector<std::string> totals, affected, counts, log;
  void ShowTotalProblems(const std::string& text) override { totals.push_back(text); }
  void ShowAffectedSections(const std::string& text) override { affected.push_back(text); }
  void ShowSectionCount(int sectionId, const std::string& count) override {
    counts.push_back(std::to_string(sectionId) + ":" + count);
  }
  void Append(const std::string& block) override { log.push_back(block); }
};

std::unique_ptr<ProblemRecord> RegistryProblem(int sectionId, HKEY root, const std::string& key,
                                               const std::string& name, const std::string& data) {
  auto record = std::make_unique<ProblemRecord>();
  record->errorType = kRegistryError;
  record->isValue = 1;
  record->sectionId = sectionId;
  record->rootKey = root;
  record->keyPath = key;
  record->valueName = name;
  record->valueData = data;
  return record;
}

std::unique_ptr<ProblemRecord> FileProblem(const std::string& link, const std::string& target) {
  auto record = std::make_unique<ProblemRecord>();
  record->errorType = kFileError;
  record->sectionId = kProgramShortcuts;
  record->linkPath = link;
  record->targetPath = target;
  return record;
}

class ProblemStoreTest : public SandboxedTest {
 protected:
  SectionCatalogue m_catalogue;
  RecordingView m_view;
  ProblemStore m_store{m_catalogue, IsExcluded, &m_view, &m_view};
};

TEST_F(ProblemStoreTest, CountsSectionsOnceAndResetEmptiesThem) {
  m_store.OnProblemFound(RegistryProblem(kInstalledFonts, HKEY_LOCAL_MACHINE, "Fonts", "A", "a.fon"));
  m_store.OnProblemFound(RegistryProblem(kInstalledFonts, HKEY_LOCAL_MACHINE, "Fonts", "B", "b.fon"));
  m_store.OnProblemFound(RegistryProblem(99, HKEY_LOCAL_MACHINE, "Help", "b.hlp", "x"));
  m_store.OnProblemFound(FileProblem("C:\\x\\a.lnk", "C:\\x\\gone.exe"));

  EXPECT_EQ(m_store.totalProblems(), 3) << "a record for no known section is dropped";
  EXPECT_EQ(m_store.affectedSections(), 2);
  EXPECT_EQ(m_view.totals, (std::vector<std::string>{"Total Problems : 1", "Total Problems : 2",
                                                      "Total Problems : 3"}));
  EXPECT_EQ(m_view.affected,
            (std::vector<std::string>{"Affected Sections : 1", "Affected Sections : 2"}));
  EXPECT_EQ(m_view.counts, (std::vector<std::string>{"3:1", "3:2", "14:1"}));
  const ScanSection* fonts = m_catalogue.Find(kInstalledFonts);
  ASSERT_EQ(fonts->problemCount(), 2);
  EXPECT_EQ(fonts->problems[1]->valueName, "B") << "report order";

  m_store.Reset();
  EXPECT_EQ(m_store.totalProblems() + m_store.affectedSections() + fonts->problemCount(), 0);
  m_store.OnProblemFound(RegistryProblem(kHelpFiles, HKEY_LOCAL_MACHINE, "Help", "c.hlp", "x"));
  EXPECT_EQ(m_store.affectedSections(), 1);
}

// Percent signs are text, and a root the program does not name logs as nothing.
TEST_F(ProblemStoreTest, LogBlocksAreByteExact) {
  m_store.OnProblemFound(RegistryProblem(kSoundFiles, HKEY_CURRENT_USER, "Control Panel\\Sounds",
                                         "Ding", "C:\\gone\\ding.wav"));
  m_store.OnProblemFound(RegistryProblem(kFullRegistryScan, HKEY_USERS, "S-1\\%s%n", "%d", ""));
  m_store.OnProblemFound(FileProblem("C:\\x\\a.lnk", "C:\\x\\gone.exe"));
  EXPECT_EQ(m_view.log, (std::vector<std::string>{
                            "Section : Installed Sound Files \r\n"
                            "Key : HKEY_CURRENT_USER\\Control Panel\\Sounds\r\n"
                            "ValueName : Ding\r\nValue : C:\\gone\\ding.wav\r\n\r\n",
                            "Section : Full Registry Scan \r\nKey : \\S-1\\%s%n\r\n"
                            "ValueName : %d\r\nValue : \r\n\r\n",
                            "Section : Invalid Program Shortcuts\r\nLink Path = C:\\x\\a.lnk\r\n"
                            "Target Path = C:\\x\\gone.exe\r\n\r\n"}));
}

}  // namespace
