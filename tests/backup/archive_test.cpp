#include <gtest/gtest.h>

#include <algorithm>

#include "backup/backup_names.h"
#include "backup/file_utils.h"
#include "backup/zip_packer.h"
#include "backup_fixture.h"

namespace {

std::vector<std::string> Sorted(std::vector<std::string> names) {
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace

using Archive = BackupTest;

TEST_F(Archive, ARunSavesKeysValuesAndFilesIntoOneDatedFlatArchive) {
  ASSERT_TRUE(RegPutDword(HKEY_LOCAL_MACHINE, "Soft\\Shared", "C:\\x.dll", 3));
  ASSERT_TRUE(RegPutString(HKEY_CURRENT_USER, "Soft\\Orphan\\Sub", "v", "w"));
  ASSERT_TRUE(WriteFileBytes(m_folder / "links\\a.lnk", "shortcut bytes"));

  ASSERT_TRUE(m_archive.BeginBackup(NewYearsEve()));
  EXPECT_EQ(m_archive.ArchivePath(), BackupFolder() + "\\12,31,2008_23,59,59.zip");
  EXPECT_TRUE(m_archive.AddRegistryItem(*ValueProblem(HKEY_LOCAL_MACHINE, "Soft\\Shared",
                                                      "C:\\x.dll", "3")));
  EXPECT_TRUE(m_archive.AddRegistryItem(*KeyProblem(HKEY_CURRENT_USER, "Soft\\Orphan")));
  EXPECT_TRUE(m_archive.AddFileItem(*FileProblem(m_folder / "links\\a.lnk")));

  std::string config;
  ASSERT_TRUE(ReadFileBytes(Staging() + "\\Config.ini", config));
  EXPECT_EQ(config,
            "[TYPE:REG_VALUE]\r\r\n[MAIN_KEY:HKEY_LOCAL_MACHINE\\Soft\\Shared]\r\r\n"
            "[VALUE_NAME:C:\\x.dll]\r\r\n[VALUE:3]\r\r\n[RAW_DATA:4:03000000]\r\r\n"
            "[TYPE:REG_KEY]\r\r\n[NAME:HKEY_CURRENT_USER\\Soft\\Orphan]\r\r\n"
            "[PATH:\\RegKeyBkup0.reg]\r\r\n"
            "[TYPE:FILE]\r\r\n[DEST_PATH:" + m_folder / "links\\a.lnk" + "]\r\r\n");
  ASSERT_EQ(m_editor.calls.size(), 1u);
  EXPECT_EQ(m_editor.calls[0], "/e \"" + Staging() + "\\RegKeyBkup0.reg\" "
                               "\"HKEY_CURRENT_USER\\Soft\\Orphan\"");

  ASSERT_TRUE(m_archive.FinishBackup());
  const std::string staged = StagedFileName(m_folder / "links\\a.lnk");
  EXPECT_EQ(Sorted(ZipEntryNames(m_archive.ArchivePath())),
            Sorted({"Config.ini", "RegKeyBkup0.reg", staged}));
  EXPECT_FALSE(FileExists(Staging() + "\\Config.ini"));
  EXPECT_TRUE(m_prompts.Seen().empty());
}

TEST_F(Archive, ARunInTheSameSecondGetsItsOwnArchive) {
  ASSERT_TRUE(RegPutString(HKEY_CURRENT_USER, "K", "a", "1"));
  for (int run = 0; run < 2; ++run) {
    ASSERT_TRUE(m_archive.BeginBackup(NewYearsEve()));
    ASSERT_TRUE(m_archive.AddRegistryItem(*ValueProblem(HKEY_CURRENT_USER, "K", "a", "1")));
    ASSERT_TRUE(m_archive.FinishBackup());
  }
  EXPECT_EQ(m_archive.ArchivePath(), BackupFolder() + "\\12,31,2008_23,59,59_2.zip");
  EXPECT_EQ(ZipEntryNames(BackupFolder() + "\\12,31,2008_23,59,59.zip"),
            std::vector<std::string>{"Config.ini"});
}

TEST_F(Archive, FailedSavesReportFalseAndLeaveNoRecord) {
  ASSERT_TRUE(RegPutString(HKEY_CURRENT_USER, "K\\Sub", "a", "1"));
  ASSERT_TRUE(m_archive.BeginBackup(NewYearsEve()));

  m_editor.failExports = true;
  EXPECT_FALSE(m_archive.AddRegistryItem(*KeyProblem(HKEY_CURRENT_USER, "K")));
  m_editor.failExports = false;
  m_editor.emptyExports = true;
  EXPECT_FALSE(m_archive.AddRegistryItem(*KeyProblem(HKEY_CURRENT_USER, "K")));
  EXPECT_FALSE(FileExists(Staging() + "\\RegKeyBkup0.reg"));
  m_editor.emptyExports = false;

  EXPECT_FALSE(m_archive.AddRegistryItem(*KeyProblem(HKEY_CURRENT_USER, "Gone")));
  EXPECT_FALSE(m_archive.AddRegistryItem(*ValueProblem(HKEY_CURRENT_USER, "K", "missing", "")));
  EXPECT_FALSE(m_archive.AddRegistryItem(*ValueProblem(HKEY_CURRENT_USER, "K\\Sub", "a\r\nb", "")));
  EXPECT_FALSE(m_archive.AddRegistryItem(*ValueProblem(HKEY_USERS, ".DEFAULT", "x", "")));
  EXPECT_FALSE(m_archive.AddFileItem(*FileProblem(m_folder / "nothing.lnk")));
  auto odd = ValueProblem(HKEY_CURRENT_USER, "K\\Sub", "a", "1");
  odd->isValue = 7;
  EXPECT_FALSE(m_archive.AddRegistryItem(*odd));
  EXPECT_EQ(m_prompts.Texts(), std::vector<std::string>{"Error in Registry Error Type"});
  EXPECT_FALSE(FileExists(Staging() + "\\Config.ini"));

  // The export numbers follow the records actually written.
  EXPECT_TRUE(m_archive.AddRegistryItem(*KeyProblem(HKEY_CURRENT_USER, "K")));
  std::string config;
  ASSERT_TRUE(ReadFileBytes(Staging() + "\\Config.ini", config));
  EXPECT_NE(config.find("[PATH:\\RegKeyBkup0.reg]"), std::string::npos);

  // A run that saved nothing leaves no archive behind.
  BackupArchive empty;
  empty.SetStagingFolder(m_folder / "stage2");
  empty.SetBackupFolder(BackupFolder());
  SYSTEMTIME other = NewYearsEve();
  other.wYear = 2010;
  ASSERT_TRUE(empty.BeginBackup(other));
  const std::string path = empty.ArchivePath();
  EXPECT_TRUE(empty.FinishBackup());
  EXPECT_FALSE(FileExists(path));
  EXPECT_EQ(empty.ArchivePath(), "");
}

TEST_F(Archive, SameNamedFilesKeepSeparateCopies) {
  ASSERT_TRUE(WriteFileBytes(m_folder / "one\\app.lnk", "first"));
  ASSERT_TRUE(WriteFileBytes(m_folder / "two\\app.lnk", "second"));
  ASSERT_TRUE(m_archive.BeginBackup(NewYearsEve()));
  EXPECT_TRUE(m_archive.AddFileItem(*FileProblem(m_folder / "one\\app.lnk")));
  EXPECT_TRUE(m_archive.AddFileItem(*FileProblem(m_folder / "two\\app.lnk")));
  // The same file a second time must not replace its copy.
  EXPECT_FALSE(m_archive.AddFileItem(*FileProblem(m_folder / "one\\app.lnk")));
  std::string bytes;
  ASSERT_TRUE(ReadFileBytes(Staging() + "\\" + StagedFileName(m_folder / "one\\app.lnk"), bytes));
  EXPECT_EQ(bytes, "first");
  ASSERT_TRUE(ReadFileBytes(Staging() + "\\" + StagedFileName(m_folder / "two\\app.lnk"), bytes));
  EXPECT_EQ(bytes, "second");
  EXPECT_TRUE(m_archive.FinishBackup());
  EXPECT_EQ(ZipEntryNames(m_archive.ArchivePath()).size(), 3u);
}

TEST_F(Archive, APackingFailureKeepsTheStagedItemsOutOfTheNextRunsWay) {
  ASSERT_TRUE(RegPutString(HKEY_CURRENT_USER, "K", "a", "1"));
  ASSERT_TRUE(m_archive.BeginBackup(NewYearsEve()));
  ASSERT_TRUE(m_archive.AddRegistryItem(*ValueProblem(HKEY_CURRENT_USER, "K", "a", "1")));
  const std::string archive = m_archive.ArchivePath();
  HANDLE hLock = CreateFileA((Staging() + "\\Config.ini").c_str(), GENERIC_READ, 0, nullptr,
                             OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(hLock, INVALID_HANDLE_VALUE);
  EXPECT_FALSE(m_archive.FinishBackup());
  CloseHandle(hLock);

  EXPECT_FALSE(FileExists(archive));
  const std::string kept = m_archive.KeptFolder();
  EXPECT_EQ(kept, Staging() + " 12,31,2008_23,59,59");
  EXPECT_TRUE(FileExists(kept + "\\Config.ini"));
  // The next run starts clean and the kept copy survives it.
  ASSERT_TRUE(m_archive.BeginBackup(NewYearsEve()));
  EXPECT_TRUE(FileExists(kept + "\\Config.ini"));
  m_archive.FinishBackup();
}

TEST_F(Archive, NoRunStartsWhenTheArchiveOrStagingCannotBePrepared) {
  ASSERT_TRUE(WriteFileBytes(m_folder / "blocker", "a file where the backup folder goes"));
  m_archive.SetBackupFolder(m_folder / "blocker\\Backup");
  EXPECT_FALSE(m_archive.BeginBackup(NewYearsEve()));
  EXPECT_FALSE(m_archive.InRun());
  EXPECT_FALSE(m_archive.AddFileItem(*FileProblem(m_folder / "blocker")));

  m_archive.SetBackupFolder(BackupFolder());
  ASSERT_TRUE(WriteFileBytes(Staging() + "\\Config.ini", "[TYPE:FILE]\r\n[DEST_PATH:C:\\old]\r\n"));
  HANDLE hLock = CreateFileA((Staging() + "\\Config.ini").c_str(), GENERIC_READ, 0, nullptr,
                             OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(hLock, INVALID_HANDLE_VALUE);
  EXPECT_FALSE(m_archive.BeginBackup(NewYearsEve()));
  CloseHandle(hLock);
  EXPECT_TRUE(m_archive.BeginBackup(NewYearsEve()));
  EXPECT_FALSE(FileExists(Staging() + "\\Config.ini"));
}
