#include <gtest/gtest.h>

#include <iterator>

#include "backup/backup_names.h"
#include "backup/backup_records.h"
#include "backup/file_utils.h"
#include "backup/restore.h"
#include "backup/restore_items.h"
#include "backup/restore_record.h"
#include "backup/staged_exports.h"
#include "backup/zip_packer.h"
#include "backup_fixture.h"
#include "core/handles.h"
#include "core/wide_text.h"

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

// Archives crafted here carry no tag: they are restored as if the user trusted them.
const RestoreOptions kTrust{true, {}};

}  // namespace

// Archives written before the tag (or by anyone else) restore only once the user
// agrees; without that nothing is restored.
TEST_F(Restore, OlderArchivesAskFirstThenRestoreTextValuesAndBareNamedFiles) {
  const std::string dest = m_folder / "links\\old.lnk";
  CreateFolder(m_folder / "links");
  const std::string config =
      "stray\r\r\n]\r\r\n[TYPE:reg_value]\r\r\n[MAIN_KEY:HKEY_CURRENT_USER\\Software\\Run]\r\r\n"
      "[VALUE_NAME:n]\r\r\n[VALUE:C:\\p.exe]\r\r\n[TYPE:NONSENSE]\r\n"
      "[TYPE:FILE]\r\n[DEST_PATH:" + dest + "]\r\n";
  const std::string archive = MakeArchive("1,2,2009_3,4,5", {{"Config.ini", config},
                                                             {"old.lnk", "old bytes"}});
  const RestoreOutcome untrusted = RestoreArchive(m_archive, archive);
  EXPECT_EQ(untrusted.result, RestoreResult::kDeclined);
  EXPECT_TRUE(untrusted.untrusted);
  EXPECT_FALSE(HasValue(HKEY_CURRENT_USER, "Software\\Run", "n"));
  EXPECT_FALSE(PathExists(dest));

  EXPECT_EQ(RestoreArchive(m_archive, archive, kTrust).result, RestoreResult::kRestored);
  DWORD type = 0;
  EXPECT_EQ(ValueBytes(HKEY_CURRENT_USER, "Software\\Run", "n", type), std::string("C:\\p.exe", 9));
  EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(FileText(dest), "old bytes");
}

TEST_F(Restore, DamagedRecordFilesReportErrorsAndKeepWhatWasRestored) {
  // No record file: no backup. An empty one: nothing to do.
  const std::string noConfig = MakeArchive("1,1,2009_0,0,1", {{"RegKeyBkup0.reg", "export of x"}});
  EXPECT_EQ(RestoreArchive(m_archive, noConfig, kTrust).result, RestoreResult::kInvalid);
  EXPECT_EQ(RestoreArchive(m_archive, MakeArchive("1,1,2009_0,0,2", {{"Config.ini", ""}}), kTrust).result,
            RestoreResult::kRestored);
  // Raw data that does not read as hex, on a last line without a line end.
  const std::string damaged = RegValueRecord("HKEY_CURRENT_USER\\Software\\A", "d", "v") + "[RAW_DATA:4:zz]";
  EXPECT_EQ(RestoreArchive(m_archive, MakeArchive("1,1,2009_0,0,6", {{"Config.ini", damaged}}), kTrust).result,
            RestoreResult::kErrors);
  // Ends inside a record: the values before it stay restored, with their type and
  // exact bytes where the record carries them, as text where it does not.
  const std::string binary("\x00\x01\xff\r\n]", 6);
  const std::string cut = RegValueRecord("HKEY_CURRENT_USER\\Software\\A", "b]x", "00 01") +
                          RawDataLine(REG_BINARY, binary) +
                          RegValueRecord("HKEY_CURRENT_USER\\Software\\A", "n", "v") +
                          "[TYPE:REG_KEY]\r\n[NAME:HKEY_CURRENT_USER\\Software\\B]\r\n";
  EXPECT_EQ(RestoreArchive(m_archive, MakeArchive("1,1,2009_0,0,3", {{"Config.ini", cut}}), kTrust).result,
            RestoreResult::kErrors);
  DWORD type = 0;
  EXPECT_EQ(ValueBytes(HKEY_CURRENT_USER, "Software\\A", "b]x", type), binary);
  EXPECT_EQ(type, static_cast<DWORD>(REG_BINARY));
  EXPECT_EQ(ValueBytes(HKEY_CURRENT_USER, "Software\\A", "n", type), std::string("v", 2));
  // A destination folder that no longer exists is made again; an export name
  // that climbs out of the staging folder and a root without a name fail.
  const std::string gone = m_folder / "no\\such\\folder\\x.lnk";
  const std::string bad = FileRecord(gone) +
                          "[TYPE:REG_KEY]\r\n[NAME:HKEY_CURRENT_USER\\Software\\C]\r\n"
                          "[PATH:\\..\\x.reg]\r\n" +
                          RegValueRecord("\\Nowhere", "n", "v");
  EXPECT_EQ(RestoreArchive(m_archive, MakeArchive("1,1,2009_0,0,4", {{"Config.ini", bad},
                                                                    {"x.lnk", "x"}}), kTrust).result,
            RestoreResult::kErrors);
  EXPECT_EQ(FileText(gone), "x");
}

// A value or key there now with other data is kept unless the caller says to
// replace it; one there as saved is nothing to do. A file is never written over.
TEST_F(Restore, WhatIsThereNowIsKeptUnlessReplaced) {
  const std::string key = "HKEY_CURRENT_USER\\Software\\QbKey", link = m_folder / "app.lnk";
  ASSERT_TRUE(RegPutString(HKEY_CURRENT_USER, "Software\\QbKey", "v", "now"));
  ASSERT_TRUE(RegPutString(HKEY_CURRENT_USER, "Software\\QbSame", "v", "same"));
  ASSERT_TRUE(RegPutDword(HKEY_CURRENT_USER, "Software\\QbValues", "changed", 5));
  ASSERT_TRUE(RegPutDword(HKEY_CURRENT_USER, "Software\\QbValues", "same", 7));
  ASSERT_TRUE(WriteFileBytes(link, "new link"));
  const std::string config =
      RegKeyRecord(key, 0) + RegKeyRecord("HKEY_CURRENT_USER\\Software\\QbSame", 1) +
      RegValueRecord("HKEY_CURRENT_USER\\Software\\QbValues", "changed", "4") +
      RawDataLine(REG_DWORD, std::string("\x04\0\0\0", 4)) +
      RegValueRecord("HKEY_CURRENT_USER\\Software\\QbValues", "same", "7") +
      RawDataLine(REG_DWORD, std::string("\x07\0\0\0", 4)) + FileRecord(link);
  // The second export still in the run's staged-exports file, as a version
  // that did not know that file packed an interrupted run.
  const std::string sameExport = Utf16Export("[HKEY_CURRENT_USER\\Software\\QbSame]\r\n\"v\"=\"same\"\r\n");
  const std::string archive = MakeArchive(
      "1,1,2011_0,0,1",
      {{"Config.ini", config},
       {"RegKeyBkup0.reg", Utf16Export("[" + key + "]\r\n\"v\"=\"then\"\r\n")},
       {kStagedExportsFile, "[EXPORT:RegKeyBkup1.reg:" + std::to_string(sameExport.size()) + "]\r\n" + sameExport},
       {StagedFileName(link), "old link"}});
  const auto outcomes = [](const RestoreOutcome& outcome) {
    std::vector<ItemRestore> list;
    for (const RestoredItem& item : outcome.items) list.push_back(item.outcome);
    return list;
  };
  const ItemRestore kept = ItemRestore::kKeptCurrent, same = ItemRestore::kUnchanged;
  RestoreOutcome outcome = RestoreArchive(m_archive, archive, kTrust);
  EXPECT_EQ(outcomes(outcome), (std::vector<ItemRestore>{kept, same, kept, same, kept}));
  EXPECT_EQ(outcome.ReplaceableItems(), (std::vector<int>{1, 3}));
  EXPECT_EQ(outcome.result, RestoreResult::kErrors);
  DWORD type = 0;
  EXPECT_EQ(ValueBytes(HKEY_CURRENT_USER, "Software\\QbValues", "changed", type), std::string("\x05\0\0\0", 4));
  EXPECT_EQ(ValueBytes(HKEY_CURRENT_USER, "Software\\QbKey", "v", type), std::string("now", 4));

  RestoreOptions replace = kTrust;
  replace.items = outcome.ReplaceableItems();
  replace.replaceChanged = true;
  outcome.Merge(RestoreArchive(m_archive, archive, replace));
  const ItemRestore replaced = ItemRestore::kReplaced;
  EXPECT_EQ(outcomes(outcome), (std::vector<ItemRestore>{replaced, same, replaced, same, kept}));
  EXPECT_EQ(outcome.result, RestoreResult::kErrors);  // the file stays as it is
  EXPECT_EQ(ValueBytes(HKEY_CURRENT_USER, "Software\\QbValues", "changed", type), std::string("\x04\0\0\0", 4));
  EXPECT_EQ(ValueBytes(HKEY_CURRENT_USER, "Software\\QbKey", "v", type), std::string("then", 5));
  EXPECT_EQ(FileText(link), "new link");
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
  EXPECT_EQ(RestoreArchive(m_archive, kept, kTrust).result, RestoreResult::kRestored);
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
  EXPECT_EQ(RestoreArchive(m_archive, path, kTrust).result, RestoreResult::kErrors);
  EXPECT_EQ(FileText(two), "two");
  EXPECT_FALSE(PathExists(one));
}

// Crafted archives, each holding one genuine value beside the record under test:
// a refused record is named, nothing of it is written, and the genuine value is
// restored all the same. Genuine exports of both encodings go through. A file
// that is there is never written over.
TEST_F(Restore, AnArchiveRestoresOnlyWhatWasRemovedWhereItsRecordSays) {
  const std::string safe = "HKEY_CURRENT_USER\\Software\\QbSafe", there = m_folder / "there.lnk";
  const std::string key = RegKeyRecord(safe, 0), section = "[" + safe + "]\r\n";
  ASSERT_TRUE(WriteFileBytes(there, "mine"));
  const ItemRestore refused = ItemRestore::kRefused, restored = ItemRestore::kRestored;
  const struct {
    std::string record, entry;
    ItemRestore outcome;
    std::string never;  // a key below HKEY_LOCAL_MACHINE or HKEY_CURRENT_USER, or a file
  } cases[] = {
      {key, Utf16Export("[HKEY_LOCAL_MACHINE\\SOFTWARE\\QbEvil]\r\n"), refused, "SOFTWARE\\QbEvil"},
      {key, Utf16Export(section + "[HKEY_LOCAL_MACHINE\\SOFTWARE\\QbEvil]\r\n"), refused, "SOFTWARE\\QbEvil"},
      {key, Utf16Export(section + "[" + safe + "\\..\\Other]\r\n"), refused, "Software\\Other"},
      {key, Utf16Export(section + "[" + safe + "X]\r\n"), refused, "Software\\QbSafeX"},
      {key, Utf16Export(section + "[-HKEY_CURRENT_USER\\Software\\QbVictim]\r\n"), refused, "Software\\QbSafe"},
      {key, Utf16Export(section + "  [HKEY_LOCAL_MACHINE\\SOFTWARE\\QbEvil]\r\n"), refused, "SOFTWARE\\QbEvil"},
      {key, Utf16Export(section + "\"v\"=dword:00000001\r\n[" + safe + "\\Sub]\r\n"), restored, ""},
      {key, "REGEDIT4\r\n\r\n" + section + "@=\"x\"\r\n", restored, ""},
      // An escape the registry editors read differently: no reading of it is sure.
      {key, Utf16Export(section + "\"v\"=\"a\\tb\"\r\n"), refused, "Software\\QbSafe"},
      {RegValueRecord("HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\QbEvil", "ImagePath", "x"),
       "", refused, "SYSTEM\\CurrentControlSet\\Services\\QbEvil"},
      {RegValueRecord("HKEY_CLASSES_ROOT", "QbEvil", "x"), "", refused, ""},
      {FileRecord(m_folder / "evil.dll"), "evil", refused, m_folder / "evil.dll"},
      {FileRecord(there), "evil", ItemRestore::kKeptCurrent, ""},
      {FileRecord("D:\\qbevil.lnk"), "evil", refused, "D:\\qbevil.lnk"},  // CD-ROM
      {FileRecord("N:\\qbevil.lnk"), "evil", refused, "N:\\qbevil.lnk"},  // network
  };
  const std::string good = RegValueRecord("HKEY_CURRENT_USER\\Software\\QbGood", "v", "1");
  int number = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.record);
    RegDeleteTreeA(HKEY_CURRENT_USER, "Software");
    const BackupRecord record = ParseRecordFile(c.record).records.at(0);
    const std::string entry = record.kind == BackupRecord::kFile ? StagedFileName(record.destPath)
                                                                 : "RegKeyBkup0.reg";
    const std::string archive = MakeArchive("1,1,2010_0,0," + std::to_string(++number),
                                            {{"Config.ini", c.record + good}, {entry, c.entry}});
    const RestoreOutcome outcome = RestoreArchive(m_archive, archive, kTrust);
    ASSERT_EQ(outcome.items.size(), 2u);
    EXPECT_EQ(outcome.items[0].outcome, c.outcome) << outcome.items[0].reason;
    EXPECT_EQ(outcome.items[0].name, RecordDisplayName(record));
    EXPECT_EQ(outcome.items[1].outcome, restored);
    EXPECT_EQ(outcome.result, c.outcome == restored ? RestoreResult::kRestored : RestoreResult::kErrors);
    EXPECT_TRUE(HasValue(HKEY_CURRENT_USER, "Software\\QbGood", "v"));
    if (c.outcome == restored) {
      EXPECT_TRUE(RegKeyExists(HKEY_CURRENT_USER, "Software\\QbSafe"));
      continue;
    }
    EXPECT_FALSE(!c.never.empty() && (RegKeyExists(HKEY_LOCAL_MACHINE, c.never) ||
                                      RegKeyExists(HKEY_CURRENT_USER, c.never) || PathExists(c.never)));
  }
  EXPECT_FALSE(HasValue(HKEY_CLASSES_ROOT, "", "QbEvil"));
  EXPECT_EQ(FileText(there), "mine");
}

// A temporary folder that cannot be written is no fault of the archive: its
// values are restored from the record file, its key and file are not, and the
// folder that failed is named with every item; once the folder can be written
// the same archive restores whole. An archive that is not there is not called
// invalid either.
TEST_F(Restore, AnUnwritableTemporaryFolderSpoilsOnlyWhatNeedsUnpacking) {
  CreateFolder(m_folder / "links");
  const std::string link = m_folder / "links\\a.lnk", app = "HKEY_CURRENT_USER\\Software\\QbApp";
  const std::string archive =
      MakeArchive("1,1,2011_0,0,1",
                  {{"Config.ini", RegValueRecord("HKEY_CURRENT_USER\\Software\\QbFonts", "f", "f.ttf") +
                                      RegKeyRecord(app, 0) + FileRecord(link)},
                   {"RegKeyBkup0.reg", Utf16Export("[" + app + "]\r\n")},
                   {StagedFileName(link), "link"}});
  ASSERT_TRUE(WriteFileBytes(m_folder / "tempfile", "a file where the temporary folder goes"));
  const std::string blocked = m_folder / "tempfile\\PlovenTemp";
  m_archive.SetStagingFolder(blocked);
  const RestoreOutcome outcome = RestoreArchive(m_archive, archive, kTrust);
  EXPECT_EQ(outcome.result, RestoreResult::kErrors);
  ASSERT_EQ(outcome.items.size(), 3u);
  EXPECT_EQ(outcome.items[0].outcome, ItemRestore::kRestored);
  EXPECT_EQ(outcome.items[1].outcome, ItemRestore::kFailed);
  EXPECT_EQ(outcome.items[2].outcome, ItemRestore::kFailed);
  EXPECT_NE(outcome.stagingFailure.find(blocked), std::string::npos) << outcome.stagingFailure;
  EXPECT_TRUE(HasValue(HKEY_CURRENT_USER, "Software\\QbFonts", "f"));
  EXPECT_FALSE(RegKeyExists(HKEY_CURRENT_USER, "Software\\QbApp"));
  EXPECT_FALSE(PathExists(link));
  const std::string message = RestoreMessage(outcome);
  for (const RestoredItem& item : outcome.items) EXPECT_NE(message.find(item.name), std::string::npos);

  m_archive.SetStagingFolder(Staging());
  EXPECT_EQ(RestoreArchive(m_archive, archive, kTrust).result, RestoreResult::kRestored);
  EXPECT_TRUE(RegKeyExists(HKEY_CURRENT_USER, "Software\\QbApp"));
  EXPECT_EQ(FileText(link), "link");

  const std::string nowhere = BackupFolder() + "\\nosuch.zip";
  const RestoreOutcome missing = RestoreArchive(m_archive, nowhere, kTrust);
  EXPECT_EQ(missing.result, RestoreResult::kInvalid);
  EXPECT_EQ(missing.openError, static_cast<unsigned long>(ERROR_FILE_NOT_FOUND));
  RecordFile file;
  std::string problem;
  EXPECT_FALSE(ReadArchiveRecords(nowhere, file, &problem));
  EXPECT_EQ(problem, ArchiveOpenMessage(nowhere, missing.openError));
}

// Text data that its narrow form would not give back (an odd length, no final
// NUL, half a surrogate pair) is saved as stored and restored byte for byte;
// other values are saved as before, as older versions read them.
TEST_F(Restore, TextValuesComeBackByteForByte) {
  const struct {
    const wchar_t* name;
    DWORD type;
    std::string bytes;
    bool savedWide;
  } cases[] = {
      {L"odd", REG_SZ, std::string("C\0:\0\\\0x\0.\0w\0a\0v\0\0", 17), true},
      {L"no nul", REG_SZ, std::string("A\0B\0", 4), true},
      {L"half pair", REG_EXPAND_SZ, std::string("\x3d\xd8" "A\0\0\0", 6), true},
      {L"plain", REG_SZ, std::string("C\0:\0\\\0\0\0", 8), false},
      {L"multi", REG_MULTI_SZ, std::string("a\0\0\0b\0\0\0\0\0", 10), false},
  };
  const wchar_t* key = L"Software\\QbSounds";
  ASSERT_TRUE(m_archive.BeginBackup(kNewYearsEve));
  for (const auto& c : cases) {
    std::string guarded = c.bytes + "\xff\xff";  // no NUL the system would count in
    ASSERT_EQ(RegSetKeyValueW(HKEY_CURRENT_USER, key, c.name, c.type, guarded.data(),
                              static_cast<DWORD>(c.bytes.size())), ERROR_SUCCESS);
    ASSERT_TRUE(m_archive.AddRegistryItem(
        *ValueProblem(HKEY_CURRENT_USER, "Software\\QbSounds", NarrowText(c.name), "x")));
  }
  const RecordFile saved = ParseRecordFile(FileText(Staging() + "\\Config.ini"));
  ASSERT_EQ(saved.records.size(), std::size(cases));
  ASSERT_TRUE(m_archive.FinishBackup());
  ASSERT_EQ(RegDeleteTreeW(HKEY_CURRENT_USER, key), ERROR_SUCCESS);
  EXPECT_EQ(RestoreArchive(m_archive, m_archive.ArchivePath(), kTrust).result, RestoreResult::kRestored);
  for (size_t i = 0; i < std::size(cases); ++i) {
    SCOPED_TRACE(NarrowText(cases[i].name));
    EXPECT_EQ(saved.records[i].hasWideData, cases[i].savedWide);
    KeyHandle hKey;
    ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, key, 0, KEY_READ, hKey.Receive()), ERROR_SUCCESS);
    std::string back(64, '\0');
    DWORD type = 0, size = static_cast<DWORD>(back.size());
    const LONG read = RegQueryValueExW(hKey.Get(), cases[i].name, nullptr, &type,
                                       reinterpret_cast<BYTE*>(&back[0]), &size);
    ASSERT_EQ(read, ERROR_SUCCESS);
    EXPECT_EQ(back.substr(0, size), cases[i].bytes);
    EXPECT_EQ(type, cases[i].type);
  }
}
