#include <gtest/gtest.h>

#include <set>

#include "backup/archive_key.h"
#include "backup/archive_tag.h"
#include "backup/backup_names.h"
#include "backup/backup_records.h"
#include "backup/file_utils.h"
#include "backup/reg_export_file.h"
#include "backup/restore_items.h"
#include "backup/staged_exports.h"
#include "backup_fixture.h"

using Archive = BackupTest;

TEST_F(Archive, ARunSavesKeysValuesAndFilesIntoOneDatedFlatArchive) {
  ASSERT_TRUE(RegPutDword(HKEY_LOCAL_MACHINE, "Soft\\Shared", "C:\\x.dll", 3));
  ASSERT_TRUE(RegPutString(HKEY_CURRENT_USER, "Soft\\Orphan\\Sub", "v", "w"));
  const std::string link = m_folder / "one\\app.lnk";
  ASSERT_TRUE(WriteFileBytes(link, "first"));

  ASSERT_TRUE(m_archive.BeginBackup(kNewYearsEve));
  EXPECT_TRUE(m_archive.AddRegistryItem(*ValueProblem(HKEY_LOCAL_MACHINE, "Soft\\Shared",
                                                      "C:\\x.dll", "3")));
  EXPECT_TRUE(m_archive.AddRegistryItem(*KeyProblem(HKEY_CURRENT_USER, "Soft\\Orphan")));
  EXPECT_TRUE(m_archive.AddFileItem(*FileProblem(link)));
  // On disk as the text-mode writer of old left it: CR CR LF.
  EXPECT_EQ(FileText(Staging() + "\\Config.ini"),
            "[TYPE:REG_VALUE]\r\r\n[MAIN_KEY:HKEY_LOCAL_MACHINE\\Soft\\Shared]\r\r\n"
            "[VALUE_NAME:C:\\x.dll]\r\r\n[VALUE:3]\r\r\n[RAW_DATA:4:03000000]\r\r\n"
            "[TYPE:REG_KEY]\r\r\n[NAME:HKEY_CURRENT_USER\\Soft\\Orphan]\r\r\n"
            "[PATH:\\RegKeyBkup0.reg]\r\r\n"
            "[TYPE:FILE]\r\r\n[DEST_PATH:" + link + "]\r\r\n[ATTRIBUTES:32]\r\r\n");

  ASSERT_TRUE(m_archive.FinishBackup());
  EXPECT_EQ(m_archive.ArchivePath(), BackupFolder() + "\\12,31,2008_23,59,59.zip");
  const std::vector<std::string> names = ZipEntryNames(m_archive.ArchivePath());
  EXPECT_EQ(std::set<std::string>(names.begin(), names.end()),
            (std::set<std::string>{"Config.ini", "RegKeyBkup0.reg", StagedFileName(link)}));
  EXPECT_FALSE(FileExists(Staging() + "\\Config.ini"));
}

TEST_F(Archive, ARunInTheSameSecondGetsItsOwnArchive) {
  ASSERT_TRUE(RegPutString(HKEY_CURRENT_USER, "K", "a", "1"));
  for (int run = 0; run < 2; ++run) {
    ASSERT_TRUE(m_archive.BeginBackup(kNewYearsEve));
    ASSERT_TRUE(m_archive.AddRegistryItem(*ValueProblem(HKEY_CURRENT_USER, "K", "a", "1")));
    ASSERT_TRUE(m_archive.FinishBackup());
  }
  EXPECT_EQ(m_archive.ArchivePath(), BackupFolder() + "\\12,31,2008_23,59,59_2.zip");
  EXPECT_EQ(ZipEntryNames(BackupFolder() + "\\12,31,2008_23,59,59.zip"),
            std::vector<std::string>{"Config.ini"});
  // A run that saved nothing leaves no archive behind.
  ASSERT_TRUE(m_archive.BeginBackup(kNewYearsEve));
  const std::string third = m_archive.ArchivePath();
  EXPECT_TRUE(m_archive.FinishBackup());
  EXPECT_FALSE(PathExists(third));
  EXPECT_EQ(m_archive.ArchivePath(), "");
}

TEST_F(Archive, FailedSavesReportFalseAndLeaveNoRecord) {
  ASSERT_TRUE(RegPutString(HKEY_CURRENT_USER, "K\\Sub", "a", "1"));
  ASSERT_TRUE(m_archive.BeginBackup(kNewYearsEve));
  // An export that would not give the key back whole is no backup: a subkey
  // that cannot be read, a value name no export file can carry.
  {
    ReadOnlyKey locked(HKEY_CURRENT_USER, "K\\Sub", "D:P");
    ASSERT_TRUE(locked.Applied());
    EXPECT_FALSE(m_archive.AddRegistryItem(*KeyProblem(HKEY_CURRENT_USER, "K")));
  }
  ASSERT_TRUE(RegPutString(HKEY_CURRENT_USER, "L\\Sub", "two\nlines", "1"));
  EXPECT_FALSE(m_archive.AddRegistryItem(*KeyProblem(HKEY_CURRENT_USER, "L")));
  EXPECT_FALSE(FileExists(Staging() + "\\RegKeyBkup0.reg"));
  EXPECT_FALSE(m_archive.AddRegistryItem(*KeyProblem(HKEY_CURRENT_USER, "\\")));

  EXPECT_FALSE(m_archive.AddRegistryItem(*KeyProblem(HKEY_CURRENT_USER, "Gone")));
  EXPECT_FALSE(m_archive.AddRegistryItem(*ValueProblem(HKEY_CURRENT_USER, "K", "missing", "")));
  EXPECT_FALSE(m_archive.AddRegistryItem(*ValueProblem(HKEY_CURRENT_USER, "K\\Sub", "a\r\nb", "")));
  EXPECT_FALSE(m_archive.AddRegistryItem(*ValueProblem(HKEY_USERS, ".DEFAULT", "x", "")));
  EXPECT_FALSE(m_archive.AddFileItem(*FileProblem(m_folder / "nothing.lnk")));
  auto odd = ValueProblem(HKEY_CURRENT_USER, "K\\Sub", "a", "1");
  odd->isValue = 7;
  EXPECT_FALSE(m_archive.AddRegistryItem(*odd));
  EXPECT_EQ(m_archive.SaveFailure(), "invalid registry error type");
  EXPECT_FALSE(FileExists(Staging() + "\\Config.ini"));

  // The export numbers follow the records actually written.
  EXPECT_TRUE(m_archive.AddRegistryItem(*KeyProblem(HKEY_CURRENT_USER, "K")));
  EXPECT_NE(FileText(Staging() + "\\Config.ini").find("[PATH:\\RegKeyBkup0.reg]"),
            std::string::npos);
}

// A packing failure, or an archive that does not read back with as many records
// as items were saved, leaves nothing in the backup folder (not even a partly
// written file) and keeps the staged items out of the next run's way.
TEST_F(Archive, AnArchiveThatDoesNotReadBackIsNeverLeft) {
  ASSERT_TRUE(RegPutString(HKEY_CURRENT_USER, "K", "a", "1"));
  const std::string archive = BackupFolder() + "\\12,31,2008_23,59,59.zip";
  for (int run = 0; run < 2; ++run) {
    ASSERT_TRUE(m_archive.BeginBackup(kNewYearsEve));
    ASSERT_TRUE(m_archive.AddRegistryItem(*ValueProblem(HKEY_CURRENT_USER, "K", "a", "1")));
    ASSERT_TRUE(m_archive.AddRegistryItem(*KeyProblem(HKEY_CURRENT_USER, "K")));
    if (run == 0) {
      ASSERT_TRUE(m_archive.CommitSaved());  // which lets go of the record file
      FileLock lock(Staging() + "\\Config.ini");
      EXPECT_FALSE(m_archive.FinishBackup());
    } else {
      ASSERT_TRUE(m_archive.AppendRecord(FileRecord("C:\\not-counted.lnk")));
      EXPECT_FALSE(m_archive.FinishBackup());
    }
    EXPECT_EQ(m_archive.KeptFolder(), Staging() + " 12,31,2008_23,59,59" + (run ? "_2" : ""));
    EXPECT_TRUE(FileExists(m_archive.KeptFolder() + "\\Config.ini")) << run;
    // Each export a file of its own there, and the folder checks as made here
    // (unless the record file could not even be read).
    if (run == 1) {
      EXPECT_TRUE(FileExists(m_archive.KeptFolder() + "\\RegKeyBkup0.reg"));
      EXPECT_FALSE(FileExists(m_archive.KeptFolder() + "\\" + kStagedExportsFile));
      EXPECT_EQ(CheckArchiveFolder(m_archive.KeptFolder(), LoadArchiveKeys()), ArchiveTrust::kMadeHere);
    }
    EXPECT_FALSE(PathExists(archive) || PathExists(archive + ".partial")) << run;
  }
}

// A run that never reached its end (killed, crashed) left its records in the
// staging folder: the next start packs them into an archive named from that
// run's start; records that cannot be packed are moved aside, never emptied.
// Only what the run deleted goes in: an item it noted as deleted, one it
// deleted without the note reaching the disk (it is not there as saved), never
// one it saved and did not get to delete.
TEST_F(Archive, AnInterruptedRunIsPackedByTheNextStart) {
  ASSERT_TRUE(WriteFileBytes(m_folder / "kept.lnk", "kept"));
  {
    BackupArchive killed;
    killed.SetStagingFolder(Staging());
    killed.SetBackupFolder(BackupFolder());
    ASSERT_TRUE(killed.BeginBackup(kNewYearsEve));
    for (const char* name : {"noted", "unnoted", "kept"}) {
      ASSERT_TRUE(RegPutString(HKEY_CURRENT_USER, "K", name, "1"));
      ASSERT_TRUE(killed.AddRegistryItem(*ValueProblem(HKEY_CURRENT_USER, "K", name, "1")));
    }
    ASSERT_TRUE(killed.AddFileItem(*FileProblem(m_folder / "kept.lnk")));
    // Keys: the first stays, the second goes (their exports wait in one file).
    for (const char* key : {"KeyKept", "KeyGone"}) {
      ASSERT_TRUE(RegPutString(HKEY_CURRENT_USER, key, "v", key));
      ASSERT_TRUE(killed.AddRegistryItem(*KeyProblem(HKEY_CURRENT_USER, key)));
    }
    RegDeleteKeyValueA(HKEY_CURRENT_USER, "K", "noted");
    ASSERT_TRUE(killed.MarkDeleted(0));
    RegDeleteKeyValueA(HKEY_CURRENT_USER, "K", "unnoted");
    ASSERT_TRUE(killed.CommitSaved());
    ASSERT_EQ(RegDeleteTreeA(HKEY_CURRENT_USER, "KeyGone"), ERROR_SUCCESS);
    ASSERT_TRUE(killed.MarkDeleted(5));
    ASSERT_TRUE(killed.CommitSaved());
  }
  ASSERT_TRUE(m_archive.BeginBackup());
  EXPECT_EQ(ZipEntryNames(m_archive.RecoveredPath()),
            (std::vector<std::string>{"Config.ini", "RegKeyBkup1.reg"}));
  EXPECT_EQ(m_archive.RecoveredPath(), BackupFolder() + "\\12,31,2008_23,59,59 (recovered).zip");
  RecordFile recovered;
  ASSERT_TRUE(ReadArchiveRecords(m_archive.RecoveredPath(), recovered));
  ASSERT_EQ(recovered.records.size(), 3u);
  EXPECT_EQ(recovered.records[0].valueName, "noted");
  EXPECT_EQ(recovered.records[1].valueName, "unnoted");
  EXPECT_EQ(recovered.records[2].keyName, "HKEY_CURRENT_USER\\KeyGone");
  {
    // Tagged over what it holds, and the export is the gone key's.
    ZipUnpacker zip(m_archive.RecoveredPath());
    EXPECT_EQ(CheckArchiveZip(zip, LoadArchiveKeys()), ArchiveTrust::kMadeHere);
    std::string bytes, error;
    ExportContents exported;
    ASSERT_TRUE(zip.GotoFirst("reg") && zip.ReadEntry(&bytes));
    ASSERT_TRUE(ParseExportFile(bytes, exported, error)) << error;
    ASSERT_EQ(exported.sections.size(), 1u);
    EXPECT_EQ(exported.sections[0].keyName, "HKEY_CURRENT_USER\\KeyGone");
  }
  EXPECT_TRUE(m_archive.FinishBackup());

  ASSERT_TRUE(WriteFileBytes(Staging() + "\\Config.ini", FileRecord("C:\\old.lnk")));
  ASSERT_TRUE(WriteFileBytes(m_folder / "blocker", "a file where the backup folder goes"));
  m_archive.SetBackupFolder(m_folder / "blocker\\Backup");
  EXPECT_EQ(m_archive.RecoverUnfinishedRun(), Recovery::kKept);
  // Kept with this user's tag, so restoring the folder asks nothing either.
  std::string covered, tag;
  EXPECT_TRUE(SplitArchiveTag(FileText(m_archive.RecoveredPath() + "\\Config.ini"), covered, tag));
  EXPECT_EQ(covered, FileRecord("C:\\old.lnk"));
}

// A saved file's copy is named "<hash>_<name>"; with a name of 255 bytes (the
// most a disk takes) the copy's name is cut, between characters, to fit.
TEST(StagedNames, CopiesOfLongNamesFitOnTheDisk) {
  const std::string ascii(251, 'a');
  std::string wide;
  for (int i = 0; i < 83; ++i) wide += "\xe6\x8a\xa5";
  for (const std::string& name : {ascii + ".lnk", "qb" + wide + ".lnk"}) {
    const std::string staged = StagedFileName("C:\\links\\" + name);
    EXPECT_EQ(staged.size(), name[0] == 'a' ? 255u : 254u) << name;
    EXPECT_EQ(staged, UncutStagedFileName("C:\\links\\" + name).substr(0, staged.size()));
    EXPECT_NE(staged, StagedFileName("C:\\other\\" + name));
  }
  EXPECT_EQ(StagedFileName("C:\\x\\app.lnk").substr(8), "_app.lnk");
}

// A run's key exports wait in one file. What a reader takes of it: whole
// entries a record names, up to the first torn or strange one; an export cut
// off again is gone; a file of an export's name stands for it.
TEST(StagedExports, OnlyWholeRecordedEntriesCountAndAFileOfTheNameStands) {
  TempFolder folder;
  const std::string staged = folder / kStagedExportsFile;
  StagedExportWriter writer;
  std::string readBack;
  ASSERT_TRUE(writer.Open(staged));
  ASSERT_TRUE(writer.Append("RegKeyBkup0.reg", "zero", readBack));
  EXPECT_EQ(readBack, "zero");
  ASSERT_TRUE(writer.Append("RegKeyBkup1.reg", "first try", readBack));
  ASSERT_TRUE(writer.DropLast());
  ASSERT_TRUE(writer.Append("RegKeyBkup1.reg", "one", readBack));
  ASSERT_TRUE(writer.Append("RegKeyBkup2.reg", "unrecorded", readBack));
  EXPECT_FALSE(writer.Append("..\\up.reg", "x", readBack));
  ASSERT_TRUE(writer.Flush());
  writer.Close();
  std::string bytes;
  ASSERT_TRUE(ReadFileBytes(staged, bytes));
  // Cut inside the last entry, as a run killed while writing it leaves it.
  ASSERT_TRUE(WriteFileBytes(staged, bytes + "[EXPORT:RegKeyBkup3.reg:100]\r\ntorn"));
  std::vector<std::string> listed;
  for (const StagedExport& entry : ReadStagedExportList(staged)) listed.push_back(entry.name);
  EXPECT_EQ(listed, (std::vector<std::string>{"RegKeyBkup0.reg", "RegKeyBkup1.reg", "RegKeyBkup2.reg"}));

  ASSERT_TRUE(WriteFileBytes(folder / "Config.ini",
                             RegKeyRecord("HKEY_CURRENT_USER\\A", 0) +
                                 RegKeyRecord("HKEY_CURRENT_USER\\B", 1) +
                                 RegKeyRecord("HKEY_CURRENT_USER\\D", 3)));
  auto files = [&] {
    std::vector<std::string> names;
    const StagingFolderFiles listed(folder.Path(), false);
    for (const StagingFile& file : listed.List()) {
      names.push_back(file.name + (file.staged ? " staged" : ""));
    }
    return names;
  };
  EXPECT_EQ(files(), (std::vector<std::string>{"RegKeyBkup0.reg staged", "RegKeyBkup1.reg staged"}));
  ASSERT_TRUE(WriteFileBytes(folder / "RegKeyBkup1.reg", "from the file"));
  EXPECT_EQ(files(), (std::vector<std::string>{"RegKeyBkup1.reg", "RegKeyBkup0.reg staged"}));
  std::string read;
  EXPECT_TRUE(ReadStagingFileWhole(folder.Path(), "RegKeyBkup0.reg", read));
  EXPECT_EQ(read, "zero");
  EXPECT_TRUE(ReadStagingFileWhole(folder.Path(), "RegKeyBkup1.reg", read));
  EXPECT_EQ(read, "from the file");
  EXPECT_FALSE(ReadStagingFileWhole(folder.Path(), "RegKeyBkup3.reg", read));
}
