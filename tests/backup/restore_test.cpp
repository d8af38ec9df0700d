#include <gtest/gtest.h>

#include "backup/backup_names.h"
#include "backup/backup_records.h"
#include "backup/file_utils.h"
#include "backup/restore.h"
#include "backup/zip_packer.h"
#include "backup_fixture.h"

namespace {

class Restore : public BackupTest {
 protected:
  // An archive in the backup folder holding the given files (name, bytes).
  std::string MakeArchive(const std::string& baseName,
                          const std::vector<std::pair<std::string, std::string>>& files) {
    CreateFolder(BackupFolder());
    const std::string path = BackupFolder() + "\\" + baseName + ".zip";
    EXPECT_TRUE(CraftZip(path, files));
    return path;
  }
};

const char* const kInvalid = "Backup is Invalid, Cannot Recover items";

}  // namespace

TEST_F(Restore, OlderArchivesRestoreTextValuesAndBareNamedFiles) {
  const std::string dest = m_folder / "links\\old.lnk";
  CreateFolder(m_folder / "links");
  const std::string config =
      "stray\r\r\n]\r\r\n[TYPE:reg_value]\r\r\n[MAIN_KEY:HKEY_CURRENT_USER\\Run]\r\r\n"
      "[VALUE_NAME:n]\r\r\n[VALUE:C:\\p.exe]\r\r\n[TYPE:NONSENSE]\r\n"
      "[TYPE:FILE]\r\n[DEST_PATH:" + dest + "]\r\n";
  const std::string archive = MakeArchive("1,2,2009_3,4,5", {{"Config.ini", config},
                                                             {"old.lnk", "old bytes"}});
  EXPECT_EQ(RestoreBackup(m_archive, archive), RestoreResult::kRestored);
  DWORD type = 0;
  EXPECT_EQ(ValueBytes(HKEY_CURRENT_USER, "Run", "n", type), std::string("C:\\p.exe", 9));
  EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(FileText(dest), "old bytes");
  EXPECT_EQ(m_prompts.Texts(), std::vector<std::string>{"Items Restored"});
}

TEST_F(Restore, BadArchivesRestoreNothing) {
  const std::string noConfig = MakeArchive("1,1,2009_0,0,1", {{"RegKeyBkup0.reg", "export of x"}});
  EXPECT_EQ(RestoreBackup(m_archive, noConfig), RestoreResult::kInvalid);
  EXPECT_EQ(RestoreBackup(m_archive, BackupFolder() + "\\missing.zip"), RestoreResult::kInvalid);
  EXPECT_EQ(RestoreBackup(m_archive, ""), RestoreResult::kNoSelection);
  EXPECT_EQ(m_prompts.Texts(), (std::vector<std::string>{kInvalid, kInvalid,
                                                         "Please Select a backup Date"}));
  EXPECT_TRUE(m_editor.calls.empty());
}

TEST_F(Restore, DamagedRecordFilesReportErrorsAndKeepWhatWasRestored) {
  // Empty record file: nothing to do.
  EXPECT_EQ(RestoreBackup(m_archive, MakeArchive("1,1,2009_0,0,2", {{"Config.ini", ""}})),
            RestoreResult::kRestored);
  // Ends inside a record: the values before it stay restored, with their type and
  // exact bytes where the record carries them, as text where it does not.
  const std::string binary("\x00\x01\xff\r\n]", 6);
  const std::string cut = RegValueRecord("HKEY_CURRENT_USER\\A", "b]x", "00 01") +
                          RawDataLine(REG_BINARY, binary) +
                          RegValueRecord("HKEY_CURRENT_USER\\A", "n", "v") +
                          "[TYPE:REG_KEY]\r\n[NAME:HKEY_CURRENT_USER\\B]\r\n";
  EXPECT_EQ(RestoreBackup(m_archive, MakeArchive("1,1,2009_0,0,3", {{"Config.ini", cut}})),
            RestoreResult::kErrors);
  DWORD type = 0;
  EXPECT_EQ(ValueBytes(HKEY_CURRENT_USER, "A", "b]x", type), binary);
  EXPECT_EQ(type, static_cast<DWORD>(REG_BINARY));
  EXPECT_EQ(ValueBytes(HKEY_CURRENT_USER, "A", "n", type), std::string("v", 2));
  // A destination folder that no longer exists, an export name that climbs out
  // of the staging folder, and a root without a name all fail.
  const std::string bad = FileRecord("C:\\QuillbaneTests\\no\\such\\folder\\x.lnk") +
                          "[TYPE:REG_KEY]\r\n[NAME:HKEY_CURRENT_USER\\C]\r\n[PATH:\\..\\x.reg]\r\n" +
                          RegValueRecord("\\Nowhere", "n", "v");
  EXPECT_EQ(RestoreBackup(m_archive, MakeArchive("1,1,2009_0,0,4", {{"Config.ini", bad},
                                                                    {"x.lnk", "x"}})),
            RestoreResult::kErrors);
  EXPECT_TRUE(m_editor.calls.empty());
  EXPECT_EQ(m_prompts.Texts().back(), "Not all backed items were restored, Errors Occured");
}

// The date list shows every zip file by its display text, sorted by that text.
TEST_F(Restore, TheListShowsEveryArchiveByItsDisplayText) {
  for (const char* name : {"12,31,2008_23,59,59", "2,29,2000_0,0,0", "1,1,2009_0,0,0_2",
                           "3,7,2008_9,5", "2,30,2009_1,2,3", "13,1,2009_1,2,3"}) {
    MakeArchive(name, {{"Config.ini", ""}});
  }
  CreateFolder(BackupFolder() + "\\folder.zip");
  WriteFileBytes(BackupFolder() + "\\notes.txt", "x");
  const std::vector<BackupEntry> list = FillBackupList(BackupFolder());
  std::vector<std::string> shown;
  for (const BackupEntry& entry : list) shown.push_back(entry.displayName);
  EXPECT_EQ(shown, (std::vector<std::string>{
                       "",                                    // fewer than six numbers
                       "13,1,2009_1,2,3", "2,30,2009_1,2,3",  // no real date: the name itself
                       "Thursday, January 01, 2009 Time: 00:00:00 (2)",  // same second
                       "Tuesday, February 29, 2000 Time: 00:00:00",
                       "Wednesday, December 31, 2008 Time: 23:59:59"}));
  EXPECT_EQ(list[0].path, BackupFolder() + "\\3,7,2008_9,5.zip");
  EXPECT_TRUE(FillBackupList(m_folder / "nothing").empty());
}

// A folder the removal kept (its archive could not be written) restores like an
// archive, files with their attributes; in an archive, a damaged entry spoils
// only its own item.
TEST_F(Restore, KeptFoldersRestoreAndADamagedEntrySpoilsOnlyItself) {
  CreateFolder(m_folder / "links");
  const std::string kept = m_folder / "kept", one = m_folder / "links\\one.lnk",
                    two = m_folder / "links\\two.lnk";
  const DWORD hiddenReadOnly = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_READONLY;
  ASSERT_TRUE(WriteFileBytes(kept + "\\Config.ini",
                             FileRecord(one) + AttributesLine(hiddenReadOnly)));
  ASSERT_TRUE(WriteFileBytes(kept + "\\" + StagedFileName(one), "one"));
  EXPECT_EQ(RestoreBackup(m_archive, kept), RestoreResult::kRestored);
  EXPECT_EQ(FileText(one), "one");
  EXPECT_EQ(GetFileAttributesA(one.c_str()) & hiddenReadOnly, hiddenReadOnly);

  std::string big(5000, '\0');
  for (size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>(i * 7919 % 251);
  const std::string path = MakeArchive("1,1,2009_0,0,5", {{"Config.ini", FileRecord(one) + FileRecord(two)},
                                                          {StagedFileName(one), big},
                                                          {StagedFileName(two), "two"}});
  std::string zip;
  ASSERT_TRUE(ReadFileBytes(path, zip));
  const size_t data = zip.find(StagedFileName(one)) + StagedFileName(one).size() + 200;
  for (size_t i = data; i < data + 50; ++i) zip[i] = static_cast<char>(zip[i] ^ 0x5A);
  ASSERT_TRUE(WriteFileBytes(path, zip));
  SetFileAttributesA(one.c_str(), FILE_ATTRIBUTE_NORMAL);
  DeleteFileA(one.c_str());
  EXPECT_EQ(RestoreBackup(m_archive, path), RestoreResult::kErrors);
  EXPECT_EQ(FileText(two), "two");
  EXPECT_FALSE(PathExists(one));
}
