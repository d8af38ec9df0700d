// The archive tag: what this user's removals write restores without a question;
// any change to the archive, or another user's key, makes restore ask first.

#include <gtest/gtest.h>

#include "backup/restore.h"
#include "backup/zip_packer.h"
#include "backup_fixture.h"
#include "core/product.h"

namespace {

using Entries = std::vector<std::pair<std::string, std::string>>;

class Tag : public BackupTest {
 protected:
  // One removal run, a key, a value and a shortcut saved; then the items removed.
  void SetUp() override {
    BackupTest::SetUp();
    ASSERT_TRUE(RegPutString(HKEY_CURRENT_USER, "Software\\QbOrphan\\Sub", "v", "w"));
    ASSERT_TRUE(RegPutDword(HKEY_CURRENT_USER, "Software\\QbShared", "C:\\x.dll", 3));
    ASSERT_TRUE(WriteFileBytes(m_link, "link bytes"));
    ASSERT_TRUE(m_archive.BeginBackup(kNewYearsEve));
    ASSERT_TRUE(m_archive.AddRegistryItem(*KeyProblem(HKEY_CURRENT_USER, "Software\\QbOrphan")));
    ASSERT_TRUE(m_archive.AddRegistryItem(
        *ValueProblem(HKEY_CURRENT_USER, "Software\\QbShared", "C:\\x.dll", "3")));
    ASSERT_TRUE(m_archive.AddFileItem(*FileProblem(m_link)));
    ASSERT_TRUE(m_archive.FinishBackup());
    ZipUnpacker unpacker(m_archive.ArchivePath());
    for (bool more = unpacker.GotoFirst(); more; more = unpacker.GotoNext()) {
      ZipEntryInfo info;
      std::string bytes;
      ASSERT_TRUE(unpacker.GetEntryInfo(info) && unpacker.ReadEntry(&bytes));
      m_entries.push_back({info.name, bytes});
    }
    RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\QbOrphan");
    RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\QbShared");
    DeleteFileA(m_link.c_str());
  }

  // Restores without the user's trust; true when it was refused for lack of it.
  bool RestoreAsks(const std::string& zip) {
    const RestoreOutcome outcome = RestoreArchive(m_archive, zip);
    const bool asked = outcome.untrusted;
    EXPECT_EQ(outcome.result, asked ? RestoreResult::kDeclined : RestoreResult::kRestored);
    EXPECT_EQ(asked, !PathExists(m_link));  // declined: nothing restored
    return asked;
  }

  const std::string m_link = m_folder / "links\\app.lnk";
  Entries m_entries;
};

}  // namespace

// One byte changed anywhere (a record, the tag, an export, a copy), an entry added
// or taken away: the archive is no longer known to be ours. The archive as written
// restores without a question.
TEST_F(Tag, AnyChangeToTheArchiveMakesRestoreAsk) {
  int number = 0;
  for (size_t entry = 0; entry <= m_entries.size() + 1; ++entry) {
    const bool records = entry < m_entries.size() && m_entries[entry].first == "Config.ini";
    for (const size_t spot : records ? std::vector<size_t>{5, m_entries[entry].second.size() - 10}
                                     : std::vector<size_t>{0}) {
      Entries changed = m_entries;
      if (entry < changed.size()) {
        changed[entry].second[spot] ^= 0x01;
      } else if (entry == changed.size()) {
        changed.push_back({"extra.reg", "REGEDIT4\r\n"});
      } else {
        changed.erase(changed.begin() + (changed[0].first == "Config.ini" ? 1 : 0));
      }
      const std::string zip = BackupFolder() + "\\changed" + std::to_string(++number) + ".zip";
      ASSERT_TRUE(CraftZip(zip, changed));
      EXPECT_TRUE(RestoreAsks(zip)) << entry << "/" << spot;
    }
  }
  EXPECT_FALSE(RestoreAsks(m_archive.ArchivePath()));
  EXPECT_TRUE(RegKeyExists(HKEY_CURRENT_USER, "Software\\QbOrphan"));
  EXPECT_TRUE(HasValue(HKEY_CURRENT_USER, "Software\\QbShared", "C:\\x.dll"));

  // Another account's key (one that does not unprotect here) checks nothing.
  DeleteFileA(m_link.c_str());
  ASSERT_TRUE(RegPutBytes(HKEY_CURRENT_USER, qb::kSettingsKeyPath, "ArchiveKey", REG_BINARY,
                          "not protected", 13));
  EXPECT_TRUE(RestoreAsks(m_archive.ArchivePath()));
}
