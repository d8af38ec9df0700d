#include "core/problem_store.h"

#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "scan/exclusion_list.h"
#include "scan/section_registry.h"
#include "support/registry_sandbox.h"

namespace {

struct RecordingLog : ProblemLogSink {
  std::vector<std::string> log;
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
  SectionCatalogue m_catalogue{RegisteredSections()};
  RecordingLog m_view;
  ProblemStore m_store{m_catalogue, IsExcluded, &m_view};
};

TEST_F(ProblemStoreTest, CountsSectionsOnceAndResetEmptiesThem) {
  const ScanSection* filed[] = {
      m_store.File(RegistryProblem(kInstalledFonts, HKEY_LOCAL_MACHINE, "Fonts", "A", "a.fon")),
      m_store.File(RegistryProblem(kInstalledFonts, HKEY_LOCAL_MACHINE, "Fonts", "B", "b.fon")),
      m_store.File(RegistryProblem(99, HKEY_LOCAL_MACHINE, "Help", "b.hlp", "x")),
      m_store.File(FileProblem("C:\\x\\a.lnk", "C:\\x\\gone.exe"))};

  EXPECT_EQ(m_store.totalProblems(), 3) << "a record for no known section is dropped";
  EXPECT_EQ(m_store.affectedSections(), 2);
  EXPECT_EQ(filed[2], nullptr);
  EXPECT_EQ(filed[3], m_catalogue.Find(kProgramShortcuts));
  const ScanSection* fonts = m_catalogue.Find(kInstalledFonts);
  ASSERT_EQ(fonts->problemCount(), 2);
  EXPECT_EQ(fonts->problems[1]->valueName, "B") << "report order";

  m_store.Reset();
  EXPECT_EQ(m_store.totalProblems() + m_store.affectedSections() + fonts->problemCount(), 0);
  m_store.File(RegistryProblem(kHelpFiles, HKEY_LOCAL_MACHINE, "Help", "c.hlp", "x"));
  EXPECT_EQ(m_store.affectedSections(), 1);
}

// Percent signs are text, and a root the program does not name logs as nothing.
TEST_F(ProblemStoreTest, LogBlocksAreByteExact) {
  m_store.File(RegistryProblem(kSoundFiles, HKEY_CURRENT_USER, "Control Panel\\Sounds",
                                         "Ding", "C:\\gone\\ding.wav"));
  m_store.File(RegistryProblem(kFullRegistryScan, HKEY_USERS, "S-1\\%s%n", "%d", ""));
  m_store.File(FileProblem("C:\\x\\a.lnk", "C:\\x\\gone.exe"));
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
