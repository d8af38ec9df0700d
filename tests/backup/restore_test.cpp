#include <gtest/gtest.h>

#include "backup/backup_names.h"
#include "backup/backup_records.h"
#include "backup/file_utils.h"
#include "backup/problem_removal.h"
#include "backup/restore.h"
#include "backup/zip_packer.h"
#include "backup_fixture.h"
#include "core/section_catalogue.h"

namespace {

class Restore : public BackupTest {
 protected:
  // Packs the given files (name, bytes) flat into an archive in the backup folder.
  std::string MakeArchive(const std::string& baseName,
                          const std::vector<std::pair<std::string, std::string>>& files) {
    const std::string source = m_folder / ("src-" + baseName);
    for (const auto& file : files) WriteFileBytes(source + "\\" + file.first, file.second);
    CreateFolder(BackupFolder());
    const std::string path = BackupFolder() + "\\" + baseName + ".zip";
    ZipPacker packer(path);
    packer.AddFolder(source, true);
    packer.Close();
    return path;
  }
  std::string Value(HKEY root, const std::string& key, const std::string& name, DWORD& type) {
    std::string bytes;
    return RegGetRaw(root, key, name, type, bytes) ? bytes : "<missing>";
  }
};

}  // namespace

TEST_F(Restore, RemovalThenRestorePutsEverythingBackExactly) {
  const std::string dword("\x2a\0\0\0", 4);
  const std::string binary("\x00\x01\xff\r\n]", 6);
  ASSERT_TRUE(RegPutBytes(HKEY_LOCAL_MACHINE, "Shared", "C:\\x.dll", REG_DWORD, dword.data(), 4));
  ASSERT_TRUE(RegPutBytes(HKEY_CURRENT_USER, "Bin", "b]x", REG_BINARY, binary.data(), 6));
  ASSERT_TRUE(RegPutString(HKEY_CURRENT_USER, "Exp", "e", "%SystemRoot%\\x.exe", REG_EXPAND_SZ));
  ASSERT_TRUE(RegPutString(HKEY_CURRENT_USER, "App\\Sub", "v", "w"));
  ASSERT_TRUE(WriteFileBytes(m_folder / "one\\app.lnk", "first"));
  ASSERT_TRUE(WriteFileBytes(m_folder / "two\\app.lnk", "second"));

  SectionCatalogue catalogue;
  auto add = [&](std::unique_ptr<ProblemRecord> problem) {
    catalogue.Find(problem->sectionId)->problems.push_back(std::move(problem));
  };
  add(ValueProblem(HKEY_LOCAL_MACHINE, "Shared", "C:\\x.dll", "42", 8));
  add(ValueProblem(HKEY_CURRENT_USER, "Bin", "b]x", "00 01", 13));
  add(ValueProblem(HKEY_CURRENT_USER, "Exp", "e", "%SystemRoot%\\x.exe", 13));
  add(KeyProblem(HKEY_CURRENT_USER, "App", 9));
  add(FileProblem(m_folder / "one\\app.lnk"));
  add(FileProblem(m_folder / "two\\app.lnk"));
  const RemovalOutcome outcome = RemoveProblems(catalogue, m_archive, 3, true, BackupChoice::kAlways);
  ASSERT_EQ(outcome.removed.size(), 6u);
  EXPECT_FALSE(RegKeyExists(HKEY_CURRENT_USER, "App"));
  EXPECT_FALSE(FileExists(m_folder / "one\\app.lnk"));

  EXPECT_EQ(RestoreBackup(m_archive, outcome.archivePath), RestoreResult::kRestored);
  DWORD type = 0;
  EXPECT_EQ(Value(HKEY_LOCAL_MACHINE, "Shared", "C:\\x.dll", type), dword);
  EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD));
  EXPECT_EQ(Value(HKEY_CURRENT_USER, "Bin", "b]x", type), binary);
  EXPECT_EQ(type, static_cast<DWORD>(REG_BINARY));
  EXPECT_EQ(Value(HKEY_CURRENT_USER, "Exp", "e", type), std::string("%SystemRoot%\\x.exe", 19));
  EXPECT_EQ(type, static_cast<DWORD>(REG_EXPAND_SZ));
  EXPECT_TRUE(RegKeyExists(HKEY_CURRENT_USER, "App"));
  std::string bytes;
  ASSERT_TRUE(ReadFileBytes(m_folder / "one\\app.lnk", bytes));
  EXPECT_EQ(bytes, "first");
  ASSERT_TRUE(ReadFileBytes(m_folder / "two\\app.lnk", bytes));
  EXPECT_EQ(bytes, "second");
  EXPECT_EQ(m_editor.calls.back(), " /S \"" + Staging() + "\\RegKeyBkup0.reg\"");
}

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
  EXPECT_EQ(Value(HKEY_CURRENT_USER, "Run", "n", type), std::string("C:\\p.exe", 9));
  EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
  std::string bytes;
  ASSERT_TRUE(ReadFileBytes(dest, bytes));
  EXPECT_EQ(bytes, "old bytes");
  EXPECT_EQ(m_prompts.Texts(), std::vector<std::string>{"Items Restored"});
}

TEST_F(Restore, BadArchivesRestoreNothing) {
  const std::string noConfig = MakeArchive("1,1,2009_0,0,1", {{"RegKeyBkup0.reg", "export of x"}});
  EXPECT_EQ(RestoreBackup(m_archive, noConfig), RestoreResult::kInvalid);
  ASSERT_TRUE(WriteFileBytes(BackupFolder() + "\\broken.zip", "PK\x03\x04 not really"));
  EXPECT_EQ(RestoreBackup(m_archive, BackupFolder() + "\\broken.zip"), RestoreResult::kInvalid);
  EXPECT_EQ(RestoreBackup(m_archive, BackupFolder() + "\\missing.zip"), RestoreResult::kInvalid);
  EXPECT_EQ(RestoreBackup(m_archive, ""), RestoreResult::kNoSelection);
  EXPECT_EQ(m_prompts.Texts(), (std::vector<std::string>{
                                   "Backup is Invalid, Cannot Recover items",
                                   "Backup is Invalid, Cannot Recover items",
                                   "Backup is Invalid, Cannot Recover items",
                                   "Please Select a backup Date"}));
  EXPECT_TRUE(m_editor.calls.empty());
}

TEST_F(Restore, DamagedRecordFilesReportErrorsAndKeepWhatWasRestored) {
  // Empty record file: nothing to do.
  EXPECT_EQ(RestoreBackup(m_archive, MakeArchive("1,1,2009_0,0,2", {{"Config.ini", ""}})),
            RestoreResult::kRestored);
  // Ends inside a record: the value before it stays restored.
  const std::string cut =
      "[TYPE:REG_VALUE]\r\n[MAIN_KEY:HKEY_CURRENT_USER\\A]\r\n[VALUE_NAME:n]\r\n[VALUE:v]\r\n"
      "[TYPE:REG_KEY]\r\n[NAME:HKEY_CURRENT_USER\\B]\r\n";
  EXPECT_EQ(RestoreBackup(m_archive, MakeArchive("1,1,2009_0,0,3", {{"Config.ini", cut}})),
            RestoreResult::kErrors);
  DWORD type;
  EXPECT_EQ(Value(HKEY_CURRENT_USER, "A", "n", type), std::string("v", 2));
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

TEST_F(Restore, TheListShowsEveryArchiveByItsDisplayText) {
  MakeArchive("3,7,2008_9,5,0", {{"Config.ini", ""}});
  MakeArchive("12,31,2008_23,59,59", {{"Config.ini", ""}});
  MakeArchive("3,7,2008_9,5", {{"Config.ini", ""}});
  CreateFolder(BackupFolder() + "\\folder.zip");
  WriteFileBytes(BackupFolder() + "\\notes.txt", "x");
  const std::vector<BackupEntry> list = FillBackupList(BackupFolder());
  ASSERT_EQ(list.size(), 3u);
  EXPECT_EQ(list[0].displayName, "");
  EXPECT_EQ(list[0].path, BackupFolder() + "\\3,7,2008_9,5.zip");
  EXPECT_EQ(list[1].displayName, "Friday, March 07, 2008 Time: 09:05:00");
  EXPECT_EQ(list[2].displayName, "Wednesday, December 31, 2008 Time: 23:59:59");
  EXPECT_TRUE(FillBackupList(m_folder / "nothing").empty());
}
