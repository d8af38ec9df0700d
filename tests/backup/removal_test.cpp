#include <gtest/gtest.h>

#include "backup/file_utils.h"
#include "backup/problem_removal.h"
#include "backup_fixture.h"
#include "core/section_catalogue.h"

namespace {

class Removal : public BackupTest {
 protected:
  ProblemRecord* Add(std::unique_ptr<ProblemRecord> problem) {
    ProblemRecord* raw = problem.get();
    m_catalogue.Find(raw->sectionId)->problems.push_back(std::move(problem));
    return raw;
  }
  RemovalOutcome Remove(BackupChoice choice) {
    return RemoveProblems(m_catalogue, m_archive, 2, true, choice);
  }
  SectionCatalogue m_catalogue;
};

}  // namespace

TEST_F(Removal, OnlyCheckedProblemsGoAndTheAnswerNoWritesNoArchive) {
  ASSERT_TRUE(RegPutString(HKEY_LOCAL_MACHINE, "Fonts", "Courier", "coure.fon"));
  ASSERT_TRUE(RegPutString(HKEY_LOCAL_MACHINE, "Fonts", "Keep", "keep.fon"));
  ASSERT_TRUE(RegPutString(HKEY_CLASSES_ROOT, "CLSID\\{X}\\InprocServer32", "", "x.dll"));
  ASSERT_TRUE(WriteFileBytes(m_folder / "a.lnk", "a"));
  Add(ValueProblem(HKEY_LOCAL_MACHINE, "Fonts", "Courier", "coure.fon"));
  Add(ValueProblem(HKEY_LOCAL_MACHINE, "Fonts", "Keep", "keep.fon"))->checked = 0;
  Add(KeyProblem(HKEY_CLASSES_ROOT, "CLSID\\{X}", 11));
  Add(FileProblem(m_folder / "a.lnk"))->checked = 0;

  m_prompts.Answer(false);
  const RemovalOutcome outcome = Remove(BackupChoice::kAsk);
  ASSERT_EQ(m_prompts.Seen().size(), 2u);
  EXPECT_TRUE(m_prompts.Seen()[0].question);
  EXPECT_EQ(m_prompts.Seen()[0].caption, "Tarnwick");
  EXPECT_EQ(m_prompts.Seen()[0].text, kBackupQuestion);
  EXPECT_EQ(m_prompts.Seen()[1].text, "Selected Items Removed");

  EXPECT_EQ(outcome.removed.size(), 2u);
  EXPECT_TRUE(outcome.kept.empty());
  EXPECT_FALSE(outcome.backedUp);
  DWORD type;
  std::string bytes;
  EXPECT_FALSE(RegGetRaw(HKEY_LOCAL_MACHINE, "Fonts", "Courier", type, bytes));
  EXPECT_TRUE(RegGetRaw(HKEY_LOCAL_MACHINE, "Fonts", "Keep", type, bytes));
  EXPECT_FALSE(RegKeyExists(HKEY_CLASSES_ROOT, "CLSID\\{X}"));
  EXPECT_TRUE(RegKeyExists(HKEY_CLASSES_ROOT, "CLSID"));
  EXPECT_TRUE(FileExists(m_folder / "a.lnk"));
  EXPECT_FALSE(FileExists(BackupFolder() + "\\12,31,2008_23,59,59.zip"));
  EXPECT_TRUE(m_editor.calls.empty());
}

TEST_F(Removal, WithAutomaticBackupEveryItemIsSavedBeforeItGoes) {
  ASSERT_TRUE(RegPutDword(HKEY_LOCAL_MACHINE, "Shared", "C:\\x.dll", 2));
  ASSERT_TRUE(RegPutString(HKEY_CURRENT_USER, "App\\Sub", "v", "w"));
  ASSERT_TRUE(WriteFileBytes(m_folder / "a.lnk", "a"));
  Add(ValueProblem(HKEY_LOCAL_MACHINE, "Shared", "C:\\x.dll", "2", 8));
  Add(KeyProblem(HKEY_CURRENT_USER, "App", 9));
  Add(FileProblem(m_folder / "a.lnk"));

  const RemovalOutcome outcome = Remove(BackupChoice::kAlways);
  EXPECT_EQ(m_prompts.Texts(), std::vector<std::string>{"Selected Items Removed"});
  EXPECT_EQ(outcome.removed.size(), 3u);
  ASSERT_FALSE(outcome.archivePath.empty());
  EXPECT_EQ(ZipEntryNames(outcome.archivePath).size(), 3u);
  EXPECT_FALSE(RegKeyExists(HKEY_CURRENT_USER, "App"));
  EXPECT_FALSE(FileExists(m_folder / "a.lnk"));
}

TEST_F(Removal, AnItemWhoseBackupFailedStaysInPlace) {
  ASSERT_TRUE(RegPutString(HKEY_CURRENT_USER, "App", "v", "w"));
  ASSERT_TRUE(RegPutString(HKEY_CURRENT_USER, "Run", "old", "C:\\gone.exe"));
  ASSERT_TRUE(WriteFileBytes(m_folder / "locked.lnk", "l"));
  Add(KeyProblem(HKEY_CURRENT_USER, "App", 9));
  Add(ValueProblem(HKEY_CURRENT_USER, "Run", "old", "C:\\gone.exe", 1));
  Add(FileProblem(m_folder / "locked.lnk"));
  m_editor.failExports = true;
  HANDLE hLock = CreateFileA((m_folder / "locked.lnk").c_str(), GENERIC_READ, 0, nullptr,
                             OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(hLock, INVALID_HANDLE_VALUE);

  const RemovalOutcome outcome = Remove(BackupChoice::kAlways);
  CloseHandle(hLock);
  EXPECT_EQ(outcome.backupFailures, 2);
  ASSERT_EQ(outcome.kept.size(), 2u);
  EXPECT_EQ(outcome.kept[0].reason, "backup failed");
  EXPECT_EQ(outcome.removed.size(), 1u);
  EXPECT_TRUE(RegKeyExists(HKEY_CURRENT_USER, "App"));
  EXPECT_TRUE(FileExists(m_folder / "locked.lnk"));
  EXPECT_EQ(m_prompts.Texts(), std::vector<std::string>{
                                   "Selected Items Removed\r\n\r\n2 items could not be backed up "
                                   "and were kept in place."});
}

TEST_F(Removal, NothingIsDeletedWhenTheArchiveCannotBeCreated) {
  ASSERT_TRUE(RegPutString(HKEY_CURRENT_USER, "Run", "old", "C:\\gone.exe"));
  Add(ValueProblem(HKEY_CURRENT_USER, "Run", "old", "C:\\gone.exe", 1));
  ASSERT_TRUE(WriteFileBytes(m_folder / "blocker", "x"));
  m_archive.SetBackupFolder(m_folder / "blocker\\Backup");
  m_prompts.Answer(true);
  const RemovalOutcome outcome = Remove(BackupChoice::kAsk);
  EXPECT_FALSE(outcome.ran);
  DWORD type;
  std::string bytes;
  EXPECT_TRUE(RegGetRaw(HKEY_CURRENT_USER, "Run", "old", type, bytes));
  ASSERT_EQ(m_prompts.Seen().size(), 2u);
  EXPECT_NE(m_prompts.Seen()[1].text.find("no items were removed"), std::string::npos);
}

TEST_F(Removal, VanishedItemsAndOddRecordsAreSkippedSafely) {
  ASSERT_TRUE(RegPutString(HKEY_CURRENT_USER, "Top\\Inner", "v", "1"));
  // Deleted between scan and removal.
  Add(KeyProblem(HKEY_CURRENT_USER, "Gone", 9));
  Add(ValueProblem(HKEY_CURRENT_USER, "NoSuchKey", "v", "", 1));
  // An empty key path would name the whole root.
  Add(KeyProblem(HKEY_CURRENT_USER, "", 13));
  Add(KeyProblem(HKEY_CURRENT_USER, "\\", 13));
  ProblemRecord* odd = Add(ValueProblem(HKEY_CURRENT_USER, "Top\\Inner", "v", "1", 13));
  odd->errorType = 5;

  for (BackupChoice choice : {BackupChoice::kNever, BackupChoice::kAlways}) {
    const RemovalOutcome outcome = Remove(choice);
    EXPECT_TRUE(outcome.removed.empty());
    EXPECT_EQ(outcome.kept.size(), 5u);
    EXPECT_TRUE(RegKeyExists(HKEY_CURRENT_USER, "Top\\Inner"));
  }
  EXPECT_EQ(m_prompts.Texts(), (std::vector<std::string>{"Invalid Error Type", "Selected Items Removed",
                                                         "Invalid Error Type", "Selected Items Removed"}));
  EXPECT_FALSE(DeleteProblem(*KeyProblem(HKEY_CURRENT_USER, "")));
  EXPECT_FALSE(DeleteProblem(*ValueProblem(HKEY_CURRENT_USER, "NoSuchKey", "v", "")));
}

TEST_F(Removal, NoRowsOrNoCheckedRowRemovesNothing) {
  ASSERT_TRUE(RegPutString(HKEY_CURRENT_USER, "Run", "old", "C:\\gone.exe"));
  Add(ValueProblem(HKEY_CURRENT_USER, "Run", "old", "C:\\gone.exe", 1));
  EXPECT_FALSE(RemoveProblems(m_catalogue, m_archive, 0, true, BackupChoice::kNever).ran);
  EXPECT_FALSE(RemoveProblems(m_catalogue, m_archive, 1, false, BackupChoice::kAlways).ran);
  EXPECT_EQ(m_prompts.Texts(),
            (std::vector<std::string>{"No Problems To delete", "No Sections Checked"}));
  DWORD type;
  std::string bytes;
  EXPECT_TRUE(RegGetRaw(HKEY_CURRENT_USER, "Run", "old", type, bytes));
}

TEST_F(Removal, ALockedFileWithoutBackupIsReportedAsKept) {
  ASSERT_TRUE(WriteFileBytes(m_folder / "locked.lnk", "l"));
  Add(FileProblem(m_folder / "locked.lnk"));
  HANDLE hLock = CreateFileA((m_folder / "locked.lnk").c_str(), GENERIC_READ, 0, nullptr,
                             OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(hLock, INVALID_HANDLE_VALUE);
  const RemovalOutcome outcome = Remove(BackupChoice::kNever);
  CloseHandle(hLock);
  ASSERT_EQ(outcome.kept.size(), 1u);
  EXPECT_EQ(outcome.kept[0].reason, "deletion failed");
  EXPECT_TRUE(FileExists(m_folder / "locked.lnk"));
}
