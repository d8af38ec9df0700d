#include <gtest/gtest.h>

#include "backup/file_utils.h"
#include "backup/problem_removal.h"
#include "backup/reg_export_writer.h"
#include "backup/reg_key_transfer.h"
#include "backup/restore.h"
#include "backup/restore_items.h"
#include "backup/taken_items.h"
#include "core/handles.h"
#include "core/ignore_list.h"
#include "core/registry.h"
#include "backup_fixture.h"
#include "core/section_catalogue.h"
#include "scan/section_registry.h"

namespace {

class Removal : public BackupTest {
 protected:
  ProblemRecord* Add(std::unique_ptr<ProblemRecord> problem) {
    ProblemRecord* raw = problem.get();
    m_catalogue.Find(raw->sectionId)->problems.push_back(std::move(problem));
    return raw;
  }
  RemovalOutcome Remove(bool backup) { return RemoveProblems(m_catalogue, m_archive, backup); }
  SectionCatalogue m_catalogue{RegisteredSections()};
};

}  // namespace

TEST_F(Removal, OnlyCheckedProblemsGoAndNoBackupWritesNoArchive) {
  ASSERT_TRUE(RegPutString(HKEY_LOCAL_MACHINE, "Fonts", "Courier", "coure.fon"));
  ASSERT_TRUE(RegPutString(HKEY_LOCAL_MACHINE, "Fonts", "Keep", "keep.fon"));
  ASSERT_TRUE(RegPutString(HKEY_CLASSES_ROOT, "CLSID\\{X}\\InprocServer32", "", "x.dll"));
  ASSERT_TRUE(WriteFileBytes(m_folder / "a.lnk", "a"));
  Add(ValueProblem(HKEY_LOCAL_MACHINE, "Fonts", "Courier", "coure.fon"));
  Add(ValueProblem(HKEY_LOCAL_MACHINE, "Fonts", "Keep", "keep.fon"))->checked = 0;
  Add(KeyProblem(HKEY_CLASSES_ROOT, "CLSID\\{X}", 11));
  Add(FileProblem(m_folder / "a.lnk"))->checked = 0;

  const RemovalOutcome outcome = Remove(false);

  EXPECT_EQ(outcome.removed.size(), 2u);
  EXPECT_TRUE(outcome.kept.empty());
  EXPECT_FALSE(outcome.backedUp);
  EXPECT_FALSE(HasValue(HKEY_LOCAL_MACHINE, "Fonts", "Courier"));
  EXPECT_TRUE(HasValue(HKEY_LOCAL_MACHINE, "Fonts", "Keep"));
  EXPECT_FALSE(RegKeyExists(HKEY_CLASSES_ROOT, "CLSID\\{X}"));
  EXPECT_TRUE(RegKeyExists(HKEY_CLASSES_ROOT, "CLSID"));
  EXPECT_TRUE(FileExists(m_folder / "a.lnk"));
  EXPECT_FALSE(PathExists(BackupFolder()));
}

TEST_F(Removal, VanishedLockedAndOddItemsAreKeptSafely) {
  ASSERT_TRUE(RegPutString(HKEY_CURRENT_USER, "Top\\Inner", "v", "1"));
  ASSERT_TRUE(WriteFileBytes(m_folder / "locked.lnk", "l"));
  FileLock lock(m_folder / "locked.lnk");
  // Deleted between scan and removal.
  Add(KeyProblem(HKEY_CURRENT_USER, "Gone", 9));
  Add(ValueProblem(HKEY_CURRENT_USER, "NoSuchKey", "v", "", 1));
  // An empty key path would name the whole root.
  Add(KeyProblem(HKEY_CURRENT_USER, "", 13));
  Add(KeyProblem(HKEY_CURRENT_USER, "\\", 13));
  Add(ValueProblem(HKEY_CURRENT_USER, "Top\\Inner", "v", "1", 13))->errorType = 5;
  const ProblemRecord* locked = Add(FileProblem(m_folder / "locked.lnk"));

  for (bool backup : {false, true}) {
    const RemovalOutcome outcome = Remove(backup);
    EXPECT_TRUE(outcome.removed.empty());
    ASSERT_EQ(outcome.kept.size(), 6u);
    EXPECT_EQ(outcome.backupFailures, backup ? 2 : 0);
    for (const KeptProblem& kept : outcome.kept) {
      if (kept.problem != locked) continue;
      EXPECT_EQ(kept.reason, backup
                                 ? "backup failed: the file cannot be copied (in use by another program)"
                                 : "deletion failed (in use by another program)");
    }
    EXPECT_TRUE(RegKeyExists(HKEY_CURRENT_USER, "Top\\Inner"));
    EXPECT_TRUE(FileExists(m_folder / "locked.lnk"));
    // The words count what failed to back up apart from the rest, by reason.
    if (backup) {
      EXPECT_EQ(RemovalMessage(outcome),
                "Selected Items Removed\r\n\r\n2 items could not be backed up and were kept in "
                "place.\r\n\r\n4 items were kept in place: 1 cannot be read (error 161); 1 invalid "
                "error type; 2 no longer present.");
    }
  }
  EXPECT_FALSE(DeleteProblem(*KeyProblem(HKEY_CURRENT_USER, "")));
  EXPECT_FALSE(DeleteProblem(*ValueProblem(HKEY_CURRENT_USER, "NoSuchKey", "v", "")));
}

TEST_F(Removal, AnArchiveThatCannotBeStartedRemovesNothing) {
  ASSERT_TRUE(RegPutString(HKEY_CURRENT_USER, "Run", "old", "C:\\gone.exe"));
  Add(ValueProblem(HKEY_CURRENT_USER, "Run", "old", "C:\\gone.exe", 1));
  // The archive cannot be created: the folder that failed (the backup folder, or
  // the temporary one it is assembled in) is the one named, and nothing goes.
  ASSERT_TRUE(WriteFileBytes(m_folder / "blocker", "x"));
  for (bool staging : {false, true}) {
    const std::string blocked = m_folder / (staging ? "blocker\\PlovenTemp" : "blocker\\Backup");
    m_archive.SetBackupFolder(staging ? BackupFolder() : blocked);
    m_archive.SetStagingFolder(staging ? blocked : Staging());
    const RemovalOutcome outcome = Remove(true);
    EXPECT_FALSE(outcome.ran);
    EXPECT_TRUE(outcome.archiveNotStarted);
    EXPECT_NE(outcome.backupFailure.find(blocked), std::string::npos) << outcome.backupFailure;
    EXPECT_NE(outcome.backupFailure.find(staging ? "temporary" : "backup"), std::string::npos);
    EXPECT_TRUE(HasValue(HKEY_CURRENT_USER, "Run", "old"));
  }
}

// Just before removal, the item is looked at again: data changed or gone since
// the scan keeps it (an expandable string matches its expansion, as the scan
// recorded it), and a key path longer than the narrow calls take is removed.
TEST_F(Removal, ItemsAreRemovedOnlyAsTheScanSawThem) {
  const std::string deep = "Deep\\" + std::string(150, 'a') + "\\" + std::string(150, 'b');
  ASSERT_TRUE(RegPutString(HKEY_CURRENT_USER, "Run", "changed", "C:\\new.exe"));
  ASSERT_TRUE(RegPutString(HKEY_CURRENT_USER, "Run", "same", "%SystemDrive%\\gone.exe",
                           REG_EXPAND_SZ));
  CRegistry key(HKEY_CURRENT_USER);
  ASSERT_TRUE(key.CreateKey(deep, true) && key.SetStringValue("v", "C:\\gone.exe"));
  Add(ValueProblem(HKEY_CURRENT_USER, "Run", "changed", "C:\\old.exe", 1));
  Add(ValueProblem(HKEY_CURRENT_USER, "Run", "same", "C:\\gone.exe", 1));
  Add(ValueProblem(HKEY_CURRENT_USER, "Run", "vanished", "C:\\gone.exe", 1));
  Add(ValueProblem(HKEY_CURRENT_USER, deep, "v", "C:\\gone.exe", 13));

  const RemovalOutcome outcome = Remove(true);
  ASSERT_EQ(outcome.kept.size(), 2u);
  EXPECT_EQ(outcome.kept[0].reason, "changed since the scan");
  EXPECT_EQ(outcome.kept[1].reason, "no longer present");
  EXPECT_EQ(outcome.removed.size(), 2u);
  EXPECT_TRUE(HasValue(HKEY_CURRENT_USER, "Run", "changed"));
  EXPECT_FALSE(HasValue(HKEY_CURRENT_USER, "Run", "same"));
  std::string text;
  EXPECT_TRUE(key.OpenKey(HKEY_CURRENT_USER, deep) && !key.QueryStringValue("v", text));
}

// A key is never removed with an entry the ignore list holds, below it or in it,
// nor a value the list names (added after the scan); a sibling whose name starts
// the same goes.
TEST_F(Removal, NothingIgnoredGoesWithAKey) {
  const std::string app = "SOFTWARE\\App Paths\\HarborPhoto.exe";
  for (const std::string& key : {app, app + "2", app + "\\Sub\\Deeper", std::string("SOFTWARE\\Run")})
    ASSERT_TRUE(RegPutString(HKEY_LOCAL_MACHINE, key, "Path", "C:\\QbGone"));
  const std::string ignoredValue = "Path", deeper = app + "\\Sub\\Deeper";
  const std::pair<std::string, const std::string*> kIgnored[] = {
      {app, &ignoredValue}, {deeper, nullptr}, {"SOFTWARE\\Run", &ignoredValue}};
  for (const auto& [key, value] : kIgnored) {
    IgnoreEntry entry;
    std::string error;
    bool added = false;
    ASSERT_TRUE(RegistryIgnoreEntry("HKLM\\" + key, value, entry, error) && AddIgnoreEntry(entry, added));
  }
  const ProblemRecord* held = Add(KeyProblem(HKEY_LOCAL_MACHINE, app, 9));
  const ProblemRecord* heldBelow = Add(KeyProblem(HKEY_LOCAL_MACHINE, app + "\\Sub", 9));
  const ProblemRecord* value = Add(ValueProblem(HKEY_LOCAL_MACHINE, "SOFTWARE\\Run", "Path", "C:\\QbGone", 13));
  Add(KeyProblem(HKEY_LOCAL_MACHINE, app + "2", 9));

  const RemovalOutcome outcome = Remove(false);
  ASSERT_EQ(outcome.kept.size(), 3u);
  for (const KeptProblem& kept : outcome.kept) EXPECT_EQ(kept.reason, "holds an ignored entry");
  EXPECT_EQ((std::vector<const ProblemRecord*>{outcome.kept[0].problem, outcome.kept[1].problem,
                                                outcome.kept[2].problem}),
            (std::vector<const ProblemRecord*>{held, heldBelow, value}));
  EXPECT_EQ(outcome.removed.size(), 1u);
  EXPECT_TRUE(HasValue(HKEY_LOCAL_MACHINE, app, "Path") && HasValue(HKEY_LOCAL_MACHINE, deeper, "Path"));
  EXPECT_FALSE(RegKeyExists(HKEY_LOCAL_MACHINE, app + "2"));
}

// A deletion that reports success yet leaves the item: a key put back at once by
// another program, and a file another program holds open with delete sharing
// (the system only marks it for deletion; its name stays until the handle is
// closed). Both are kept, counted and said.
TEST_F(Removal, AnItemStillThereAfterItsDeletionIsReportedKept) {
  ASSERT_TRUE(RegPutString(HKEY_CURRENT_USER, "Respawn", "v", "1"));
  ASSERT_TRUE(RegPutString(HKEY_CURRENT_USER, "Gone", "v", "1"));
  ASSERT_TRUE(WriteFileBytes(m_folder / "held.lnk", "h"));
  Add(KeyProblem(HKEY_CURRENT_USER, "Respawn", 9));
  Add(KeyProblem(HKEY_CURRENT_USER, "Gone", 9));
  const ProblemRecord* held = Add(FileProblem(m_folder / "held.lnk"));
  FileHandle hHeld(CreateFileW(WideText(m_folder / "held.lnk").c_str(), GENERIC_READ,
                               FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                               OPEN_EXISTING, 0, nullptr));
  ASSERT_TRUE(hHeld);
  RemovalHooks hooks;
  hooks.afterDeletion = [](const ProblemRecord& problem) {
    if (problem.keyPath == "Respawn") RegPutString(HKEY_CURRENT_USER, "Respawn", "v", "2");
  };

  const RemovalOutcome outcome =
      RemoveProblems(m_catalogue, m_archive, false, hooks);
  hHeld.Reset();
  EXPECT_EQ(outcome.stillPresent, 2);
  ASSERT_EQ(outcome.kept.size(), 2u);
  EXPECT_EQ(outcome.kept[0].problem->keyPath, "Respawn");
  EXPECT_EQ(outcome.kept[1].problem, held);
  for (const KeptProblem& kept : outcome.kept) EXPECT_EQ(kept.reason, "still present after removal");
  EXPECT_EQ(outcome.removed.size(), 1u);
  EXPECT_FALSE(RegKeyExists(HKEY_CURRENT_USER, "Gone"));
}

// Items that went with an earlier item of the same run count as removed, with that
// item: values and a subkey of a removed key (named in another case, as the full
// registry scan names SOFTWARE), a value and a shortcut found by two sections. The
// key's export holds its values: nothing is saved twice. Gone for another reason,
// or below a key that only shares the first letters of a removed one, stays kept.
TEST_F(Removal, ItemsGoneWithAnEarlierItemOfTheRunCountAsRemoved) {
  for (bool backup : {true, false}) {
    m_catalogue.ClearProblems();
    const std::string app = "SOFTWARE\\App Paths\\Harbor.exe";
    ASSERT_TRUE(RegPutString(HKEY_LOCAL_MACHINE, app, "", "C:\\gone\\harbor.exe"));
    ASSERT_TRUE(RegPutString(HKEY_LOCAL_MACHINE, app, "Path", "C:\\gone"));
    ASSERT_TRUE(RegPutString(HKEY_LOCAL_MACHINE, app + "\\Sub", "x", "C:\\gone\\x"));
    ASSERT_TRUE(RegPutString(HKEY_LOCAL_MACHINE, "SOFTWARE\\Help", "harbor.chm", "C:\\gone\\"));
    ASSERT_TRUE(WriteFileBytes(m_folder / "Harbor.lnk", "h"));
    const ProblemRecord* key = Add(KeyProblem(HKEY_LOCAL_MACHINE, app, 9));
    const ProblemRecord* help =
        Add(ValueProblem(HKEY_LOCAL_MACHINE, "SOFTWARE\\Help", "harbor.chm", "C:\\gone\\", 7));
    const ProblemRecord* link = Add(FileProblem(m_folder / "Harbor.lnk"));
    Add(FileProblem(m_folder / "HARBOR.LNK"));
    const std::string scanned = "Software\\app paths\\HARBOR.EXE";
    Add(ValueProblem(HKEY_LOCAL_MACHINE, scanned, "", "C:\\gone\\harbor.exe", 13));
    Add(ValueProblem(HKEY_LOCAL_MACHINE, scanned, "PATH", "C:\\gone", 13));
    Add(KeyProblem(HKEY_LOCAL_MACHINE, scanned + "\\Sub", 13));
    Add(ValueProblem(HKEY_LOCAL_MACHINE, "Software\\Help", "Harbor.chm", "C:\\gone\\", 13));
    // Gone for other reasons: nothing of this run held them.
    Add(ValueProblem(HKEY_LOCAL_MACHINE, "SOFTWARE\\App Paths\\Harbor.exe2", "gone", "C:\\gone", 13));
    Add(ValueProblem(HKEY_CURRENT_USER, app, "Path", "C:\\gone", 13));
    Add(FileProblem(m_folder / "other.lnk"));

    const RemovalOutcome outcome = Remove(backup);
    EXPECT_EQ(outcome.failed, 0);
    ASSERT_EQ(outcome.kept.size(), 3u);
    for (const KeptProblem& kept : outcome.kept) EXPECT_EQ(kept.reason, "no longer present");
    ASSERT_EQ(outcome.removed.size(), 8u);
    std::vector<const ProblemRecord*> with;
    for (const ProblemRecord* removed : outcome.removed) {
      const auto found = outcome.removedWith.find(removed);
      with.push_back(found == outcome.removedWith.end() ? nullptr : found->second);
    }
    EXPECT_EQ(with, (std::vector<const ProblemRecord*>{nullptr, nullptr, key, key, key, help,
                                                        nullptr, link}));
    EXPECT_FALSE(RegKeyExists(HKEY_LOCAL_MACHINE, app));
    if (!backup) continue;
    RecordFile file;
    ASSERT_TRUE(ReadArchiveRecords(outcome.archivePath, file));
    ASSERT_EQ(file.records.size(), 3u) << "the key, the help value and the shortcut, once each";
    EXPECT_EQ(file.records[1].kind, BackupRecord::kRegKey);
  }
}

// Keys whose names the registry editor's command line could not carry (a double
// quote, control characters, a path ending in a backslash) are backed up and
// removed like any other, and restoring the archive gives back every key, value
// name, type and byte. Nothing of it runs the registry editor.
TEST_F(Removal, KeysOfAnyNameGoAndComeBackExactly) {
  const std::string base = "Software\\App Paths";
  // Exact bytes, through the wide call (the narrow one would convert texts).
  const auto put = [](const std::string& key, const wchar_t* name, DWORD type, const std::string& data) {
    CRegistry created(HKEY_CURRENT_USER);
    return created.CreateKey(key, true) &&
           RegSetValueExW(created.Handle(), name, 0, type, reinterpret_cast<const BYTE*>(data.data()),
                          static_cast<DWORD>(data.size())) == ERROR_SUCCESS;
  };
  for (const std::string name : {"Qb \"quoted\".exe", "Qb\x01\x1b\t ctl\xe4\xb8\xad.exe", "Qb tail.exe\\"}) {
    const std::string key = base + "\\" + name;
    ASSERT_TRUE(RegPutString(HKEY_CURRENT_USER, key, "", "C:\\gone\\app.exe"));
    ASSERT_TRUE(put(key, L"odd \"\\ text", REG_SZ, std::string("A\0B", 3)));
    ASSERT_TRUE(put(key, L"list", REG_MULTI_SZ, std::string("a\0\0\0\0\0b\0\0\0\0\0", 12)));
    ASSERT_TRUE(put(key + "\\Sub\\[x]=", L"", 0x100, std::string(200, '\xa5')));
    Add(KeyProblem(HKEY_CURRENT_USER, key, 9));
  }
  const auto exported = [&base] {
    std::vector<RegKeyContents> tree;
    std::string bytes, error;
    EXPECT_TRUE(ReadKeyTree(HKEY_CURRENT_USER, base, tree, error) && WriteExportFile(tree, bytes, error)) << error;
    return bytes;
  };
  const std::string before = exported();

  const RemovalOutcome outcome = Remove(true);
  EXPECT_EQ(outcome.removed.size(), 3u);
  ASSERT_TRUE(outcome.kept.empty()) << outcome.kept[0].reason;
  EXPECT_NE(exported(), before);
  EXPECT_EQ(RestoreArchive(m_archive, outcome.archivePath).result, RestoreResult::kRestored);
  EXPECT_EQ(exported(), before);
}

// Whether removing a key takes a value with it, as the registry names keys (case
// and whole parts are proven by the removal above).
TEST(TakenItems, KeysCompareAcrossTheClassesViewsAndNeverAcrossRootsOrViews) {
  const HKEY lm = HKEY_LOCAL_MACHINE, cu = HKEY_CURRENT_USER, cr = HKEY_CLASSES_ROOT;
  const struct {
    HKEY root, laterRoot;
    const char *key, *later;
    bool taken;
  } cases[] = {
      {lm, lm, "SOFTWARE\\Vendor\\", "SOFTWARE\\Vendor", true},
      {lm, lm, "SOFTWARE\\Vendor\\App", "SOFTWARE\\Vendor", false},
      {lm, lm, "SOFTWARE\\Vendor", "SOFTWARE\\Wow6432Node\\Vendor", false},
      {lm, cu, "SOFTWARE\\Vendor", "SOFTWARE\\Vendor", false},
      {cr, lm, "CLSID\\{X}", "SOFTWARE\\Classes\\CLSID\\{X}\\InprocServer32", true},
      {cu, cr, "Software\\Classes\\.ext", ".EXT", true},
      {lm, cr, "SOFTWARE\\Wow6432Node\\Classes\\CLSID\\{X}", "Wow6432Node\\CLSID\\{X}", true},
      {cr, cr, "Wow6432Node\\CLSID\\{X}", "CLSID\\{X}", false},
      {nullptr, nullptr, "SOFTWARE", "SOFTWARE", false},
  };
  for (const auto& c : cases) {
    TakenItems taken;
    const auto earlier = KeyProblem(c.root, c.key);
    taken.Add(*earlier);
    EXPECT_EQ(taken.TakenBy(*ValueProblem(c.laterRoot, c.later, "v", "")) == earlier.get(), c.taken)
        << c.key << " / " << c.later;
  }
  EXPECT_EQ(TakenItemName(*ValueProblem(lm, "SOFTWARE\\Help", "Name", "")),
            "HKEY_LOCAL_MACHINE\\SOFTWARE\\Help\\\\Name");
}
