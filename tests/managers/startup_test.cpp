// The Startup manager's engine on sandboxed roots: states read as Windows reads
// them, changes that write only the StartupApproved value, removal that saves
// first (and keeps what it could not save), and restore of its backups.

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>

#include "backup/backup_archive.h"
#include "backup/file_utils.h"
#include "backup/manager_export.h"
#include "backup/reg_key_transfer.h"
#include "backup/removal_lock.h"
#include "backup/restore.h"
#include "core/product.h"
#include "core/registry.h"
#include "manager_fixture.h"
#include "managers/manager_rows.h"

namespace {

const std::string kApprovedRunKey = StartupApprovedKey(kApprovedRun);
const FILETIME kWhen = {0x44332211, 0x88776655};

class StartupTest : public ManagerTest {
 protected:
  void SetUp() override {
    ManagerTest::SetUp();
    // This user's archive key is kept in the settings key, protected by the system.
    RegPutDword(HKEY_CURRENT_USER, qb::kSettingsKeyPath, "AutoBackup", 0);
    m_sandbox.CopyMachineSoftwareKey("Microsoft\\Cryptography");
    SetRemovalLockScope("managers_tests");
  }
  const ManagerRow* Row(const std::vector<ManagerRow>& rows, const std::string& name) {
    for (const ManagerRow& row : rows) {
      if (row.name == name) return &row;
    }
    ADD_FAILURE() << "no row " << name;
    return nullptr;
  }
  // Exactly as stored (the narrow calls would convert text types).
  std::string Bytes(HKEY root, const std::string& key, const std::string& name) {
    std::vector<RegKeyContents> tree;
    std::string error;
    if (!ReadKeyTree(root, key, tree, error)) return "<missing>";
    for (const RegValue& value : tree[0].values) {
      if (value.name == name) return value.data;
    }
    return "<missing>";
  }
  bool Put(HKEY root, const std::string& key, const std::string& name, DWORD type, const std::string& bytes) {
    ExportSection section;
    section.keyName = RootKeyName(root) + "\\" + key;
    section.values = {{name, type, bytes}};
    std::string error;
    return WriteExportSections({section}, error);
  }
  // Everything below both roots' software keys, to see what a change wrote.
  std::vector<RegKeyContents> Snapshot() {
    std::vector<RegKeyContents> all, part;
    std::string error;
    for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) {
      EXPECT_TRUE(ReadKeyTree(root, "Software", part, error)) << error;
      all.insert(all.end(), part.begin(), part.end());
    }
    return all;
  }
};

std::string Approval(std::initializer_list<int> bytes) {
  std::string out;
  for (int b : bytes) out += static_cast<char>(b);
  return out;
}

bool SameTrees(const std::vector<RegKeyContents>& a, const std::vector<RegKeyContents>& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (a[i].keyName != b[i].keyName || a[i].values.size() != b[i].values.size()) return false;
    for (size_t j = 0; j < a[i].values.size(); ++j) {
      const RegValue &x = a[i].values[j], &y = b[i].values[j];
      if (x.name != y.name || x.type != y.type || x.data != y.data) return false;
    }
  }
  return true;
}

TEST(StartupApproval, StatesAndBytesAsWindowsReadsAndWritesThem) {
  const struct {
    bool present;
    std::string bytes;
    bool enabled;
  } cases[] = {{false, "", true},
               {true, "", true},
               {true, EnabledApprovalBytes(), true},
               {true, Approval({6, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}), true},
               {true, Approval({3, 0, 0, 0, 1, 2, 3, 4, 5, 6, 7, 8}), false},
               {true, Approval({7, 0, 0, 0, 1, 2, 3, 4, 5, 6, 7, 8}), false}};
  for (const auto& c : cases) EXPECT_EQ(ApprovalEnabled(c.present, c.bytes), c.enabled) << c.bytes.size();
  EXPECT_EQ(EnabledApprovalBytes(), Approval({2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(DisabledApprovalBytes(kWhen),
            Approval({3, 0, 0, 0, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77, 0x88}));
  EXPECT_EQ(ApprovedKeyOfRunKey(kRunKeyPath32), StartupApprovedKey(kApprovedRun32));
}

// Each kind of entry, its state read where Windows keeps it; a change writes
// that one value and nothing else, and what already reads so is left alone.
TEST_F(StartupTest, ChangesWriteOnlyTheStartupApprovedValue) {
  ASSERT_TRUE(RegPutString(HKEY_CURRENT_USER, kRunKeyPath, "User", "C:\\u.exe"));
  ASSERT_TRUE(RegPutString(HKEY_LOCAL_MACHINE, kRunKeyPath32, "Wow", "C:\\w.exe"));
  ASSERT_TRUE(WriteFileBytes(m_startup.common + "\\Link.lnk", "not read here"));
  const std::string six = Approval({6, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0});
  ASSERT_TRUE(RegPutBytes(HKEY_LOCAL_MACHINE, StartupApprovedKey(kApprovedRun32), "Wow", REG_BINARY,
                          six.data(), 12));
  const std::vector<ManagerRow> rows = ReadStartupRows();
  ASSERT_EQ(rows.size(), 3u);
  const ManagerRow *user = Row(rows, "User"), *wow = Row(rows, "Wow (32-bit)"), *link = Row(rows, "Link");
  ASSERT_TRUE(user && wow && link);
  EXPECT_EQ(link->approvedKey, StartupApprovedKey(kApprovedStartupFolder));
  EXPECT_EQ(link->approvedName, "Link.lnk");
  EXPECT_EQ(link->rootKey, HKEY_LOCAL_MACHINE);

  // Enabling what reads enabled writes nothing: not even the missing key.
  std::vector<RegKeyContents> before = Snapshot();
  EXPECT_EQ(SetStartupEntryEnabled(*user, true, kWhen), StateChange::kUnchanged);
  EXPECT_EQ(SetStartupEntryEnabled(*wow, true, kWhen), StateChange::kUnchanged);
  EXPECT_TRUE(SameTrees(before, Snapshot()));

  for (const ManagerRow* row : {user, wow, link}) {
    EXPECT_EQ(SetStartupEntryEnabled(*row, false, kWhen), StateChange::kChanged) << row->name;
    EXPECT_EQ(Bytes(row->rootKey, row->approvedKey, row->approvedName), DisabledApprovalBytes(kWhen));
  }
  // Every other value is exactly as it was (keys made to hold the three, and
  // every key without values, aside).
  std::vector<RegKeyContents> after = Snapshot();
  for (std::vector<RegKeyContents>* tree : {&before, &after}) {
    for (const ManagerRow* row : {user, wow, link}) {
      const std::string full = RootKeyName(row->rootKey) + "\\" + row->approvedKey;
      for (RegKeyContents& key : *tree) {
        if (key.keyName != full) continue;
        key.values.erase(std::remove_if(key.values.begin(), key.values.end(),
                                        [&](const RegValue& v) { return v.name == row->approvedName; }),
                         key.values.end());
      }
    }
    tree->erase(std::remove_if(tree->begin(), tree->end(),
                               [](const RegKeyContents& key) { return key.values.empty(); }),
                tree->end());
  }
  EXPECT_TRUE(SameTrees(before, after));

  // Disabling again keeps the time of the first change.
  const FILETIME later = {1, 1};
  EXPECT_EQ(SetStartupEntryEnabled(*user, false, later), StateChange::kUnchanged);
  EXPECT_EQ(Bytes(HKEY_CURRENT_USER, kApprovedRunKey, "User"), DisabledApprovalBytes(kWhen));
  EXPECT_EQ(SetStartupEntryEnabled(*user, true, later), StateChange::kChanged);
  EXPECT_EQ(Bytes(HKEY_CURRENT_USER, kApprovedRunKey, "User"), EnabledApprovalBytes());
  EXPECT_FALSE(ReadStartupRows()[0].enabled == false);

  ASSERT_EQ(RegDeleteKeyValueA(HKEY_CURRENT_USER, kRunKeyPath, "User"), ERROR_SUCCESS);
  EXPECT_EQ(SetStartupEntryEnabled(*user, false, later), StateChange::kGone);
  EXPECT_EQ(Bytes(HKEY_CURRENT_USER, kApprovedRunKey, "User"), EnabledApprovalBytes());
}

// Removal saves the value with its state first and takes both; restore puts
// both back byte for byte, keeps what changed since unless told to replace it,
// and asks before it trusts a backup that was changed.
TEST_F(StartupTest, RemovalSavesFirstAndRestoreGivesBackTheBytes) {
  const std::string odd("C\0:\0\\\0o\0d\0d\0", 11);  // a text without its end, odd length
  ASSERT_TRUE(Put(HKEY_CURRENT_USER, kRunKeyPath, "Odd", REG_EXPAND_SZ, odd));
  const std::string disabled = DisabledApprovalBytes(kWhen);
  ASSERT_TRUE(Put(HKEY_CURRENT_USER, kApprovedRunKey, "Odd", REG_BINARY, disabled));
  const std::vector<ManagerRow> rows = ReadStartupRows();
  ASSERT_EQ(rows.size(), 1u);

  // A backup that cannot be written keeps the entry and its state.
  ASSERT_TRUE(WriteFileBytes(m_folder / "NotAFolder", "x"));
  EXPECT_EQ(BackupAndRemoveStartupEntry(rows[0], m_folder / "NotAFolder"), EntryRemoval::kBackupFailed);
  EXPECT_EQ(Bytes(HKEY_CURRENT_USER, kRunKeyPath, "Odd"), odd);
  EXPECT_EQ(Bytes(HKEY_CURRENT_USER, kApprovedRunKey, "Odd"), disabled);

  const std::string folder = ManagerExportFolder(m_folder / "Backup", ManagerExportKind::kStartup);
  ASSERT_EQ(BackupAndRemoveStartupEntry(rows[0], folder), EntryRemoval::kRemoved);
  EXPECT_EQ(Bytes(HKEY_CURRENT_USER, kRunKeyPath, "Odd"), "<missing>");
  EXPECT_EQ(Bytes(HKEY_CURRENT_USER, kApprovedRunKey, "Odd"), "<missing>");
  const std::vector<std::string> exports = ExportsIn(folder);
  ASSERT_EQ(exports.size(), 1u);

  BackupArchive archive;
  archive.SetStagingFolder(m_folder / "stage");
  RestoreOutcome outcome = RestoreArchive(archive, exports[0]);
  ASSERT_EQ(outcome.result, RestoreResult::kRestored) << RestoreMessage(outcome);
  EXPECT_EQ(Bytes(HKEY_CURRENT_USER, kRunKeyPath, "Odd"), odd);
  EXPECT_EQ(Bytes(HKEY_CURRENT_USER, kApprovedRunKey, "Odd"), disabled);

  // Changed since the backup: kept, unless the caller says to replace it.
  ASSERT_TRUE(RegPutString(HKEY_CURRENT_USER, kRunKeyPath, "Odd", "C:\\new.exe"));
  outcome = RestoreArchive(archive, exports[0]);
  EXPECT_EQ(outcome.result, RestoreResult::kErrors);
  EXPECT_EQ(outcome.ReplaceableItems(), std::vector<int>{1});
  RestoreOptions replace;
  replace.replaceChanged = true;
  replace.items = {1};
  EXPECT_EQ(RestoreArchive(archive, exports[0], replace).result, RestoreResult::kRestored);
  EXPECT_EQ(Bytes(HKEY_CURRENT_USER, kRunKeyPath, "Odd"), odd);

  // One byte changed in the backup: its tag no longer checks out.
  std::string bytes;
  ASSERT_TRUE(ReadFileBytes(exports[0], bytes));
  bytes[bytes.find('O')] = 'P';
  ASSERT_TRUE(WriteFileBytes(exports[0], bytes));
  outcome = RestoreArchive(archive, exports[0]);
  EXPECT_EQ(outcome.result, RestoreResult::kDeclined);
  EXPECT_TRUE(outcome.untrusted);
}

// A shortcut is copied beside its export and comes back byte for byte, to
// where it was and nowhere else.
TEST_F(StartupTest, AShortcutIsCopiedFirstAndComesBackWhereItWas) {
  const std::string link = m_startup.user + "\\Tray.lnk", bytes("L\0\0\0shortcut bytes", 18);
  ASSERT_TRUE(WriteFileBytes(link, bytes));
  const std::vector<ManagerRow> rows = ReadStartupRows();
  ASSERT_EQ(rows.size(), 1u);
  const std::string folder = ManagerExportFolder(m_folder / "Backup", ManagerExportKind::kStartup);
  ASSERT_EQ(BackupAndRemoveStartupEntry(rows[0], folder), EntryRemoval::kRemoved);
  EXPECT_FALSE(FileExists(link));
  const std::vector<std::string> exports = ExportsIn(folder);
  ASSERT_EQ(exports.size(), 1u);
  BackupArchive archive;
  const RestoreOutcome outcome = RestoreArchive(archive, exports[0]);
  ASSERT_EQ(outcome.result, RestoreResult::kRestored) << RestoreMessage(outcome);
  std::string back;
  EXPECT_TRUE(ReadFileBytes(link, back) && back == bytes);
  EXPECT_EQ(RestoreArchive(archive, exports[0]).items.at(0).outcome, ItemRestore::kUnchanged);
}

}  // namespace
