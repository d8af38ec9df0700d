// The archive tag: what this user's removals write restores without a question;
// any change to the archive, or another user's key, makes restore ask first.

#include <gtest/gtest.h>

#include "backup/archive_key.h"
#include "backup/archive_tag.h"
#include "backup/restore.h"
#include "backup/zip_packer.h"
#include "backup_fixture.h"
#include "core/product.h"

namespace {

using Entries = std::vector<std::pair<std::string, std::string>>;

class Tag : public BackupTest {
 protected:
  // One removal run: a key, a value with its type and a shortcut, all saved.
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
    ASSERT_TRUE(ReadEntries(m_archive.ArchivePath(), m_entries));
    RemoveItems();
  }

  void RemoveItems() {
    RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\QbOrphan");
    RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\QbShared");
    DeleteFileA(m_link.c_str());
  }

  static bool ReadEntries(const std::string& zip, Entries& entries) {
    ZipUnpacker unpacker(zip);
    for (bool more = unpacker.GotoFirst(); more; more = unpacker.GotoNext()) {
      ZipEntryInfo info;
      std::string bytes;
      if (!unpacker.GetEntryInfo(info) || !unpacker.ReadEntry(&bytes)) return false;
      entries.push_back({info.name, bytes});
    }
    return !entries.empty();
  }

  // Restores, answering the trust question No when it comes; true when it came.
  bool RestoreAsks(const std::string& zip) {
    const size_t before = m_prompts.Seen().size();
    const RestoreResult result = RestoreBackup(m_archive, zip);
    bool asked = false;
    for (size_t i = before; i < m_prompts.Seen().size(); ++i) {
      asked |= m_prompts.Seen()[i].question && m_prompts.Seen()[i].text == UntrustedArchiveQuestion();
    }
    EXPECT_EQ(result, asked ? RestoreResult::kDeclined : RestoreResult::kRestored);
    return asked;
  }

  const std::string m_link = m_folder / "links\\app.lnk";
  Entries m_entries;
};

}  // namespace

TEST_F(Tag, AFreshArchiveRestoresWithoutAQuestion) {
  std::string records, covered, tag;
  for (const auto& entry : m_entries) {
    if (entry.first == "Config.ini") records = entry.second;
  }
  ASSERT_TRUE(SplitArchiveTag(records, covered, tag));
  EXPECT_EQ(tag.size(), 64u);
  EXPECT_FALSE(RestoreAsks(m_archive.ArchivePath()));
  EXPECT_TRUE(RegKeyExists(HKEY_CURRENT_USER, "Software\\QbOrphan"));
  EXPECT_TRUE(HasValue(HKEY_CURRENT_USER, "Software\\QbShared", "C:\\x.dll"));
  EXPECT_EQ(FileText(m_link), "link bytes");
}

// One byte changed anywhere (records, tag, an export, a copy), an entry added or
// taken away: the archive is no longer known to be ours, and nothing is restored
// unless the user says so.
TEST_F(Tag, AnyChangeToTheArchiveMakesRestoreAsk) {
  int number = 0;
  for (size_t entry = 0; entry <= m_entries.size() + 1; ++entry) {
    std::vector<size_t> spots = {0};
    if (entry < m_entries.size() && m_entries[entry].first == "Config.ini") {
      spots = {5, m_entries[entry].second.size() - 10};  // a record, the tag
    }
    for (size_t spot : spots) {
      Entries changed = m_entries;
      if (entry < changed.size()) {
        changed[entry].second[spot] ^= 0x01;
      } else if (entry == changed.size()) {
        changed.push_back({"extra.reg", "REGEDIT4\r\n"});
      } else {
        changed.erase(std::find_if(changed.begin(), changed.end(),
                                   [](const auto& e) { return e.first != "Config.ini"; }));
      }
      const std::string zip = BackupFolder() + "\\changed" + std::to_string(++number) + ".zip";
      ASSERT_TRUE(CraftZip(zip, changed));
      EXPECT_TRUE(RestoreAsks(zip)) << entry << "/" << spot;
      EXPECT_FALSE(HasValue(HKEY_CURRENT_USER, "Software\\QbShared", "C:\\x.dll"));
      EXPECT_FALSE(PathExists(m_link));
    }
  }
  ASSERT_TRUE(CraftZip(BackupFolder() + "\\same.zip", m_entries));
  EXPECT_FALSE(RestoreAsks(BackupFolder() + "\\same.zip"));  // rewritten unchanged: still ours
}

// Another account's key, or a key that no longer unprotects, checks nothing.
TEST_F(Tag, AnArchiveTaggedWithAnotherKeyAsks) {
  std::string before, after;
  ASSERT_TRUE(LoadArchiveKey(before));
  ASSERT_TRUE(RegPutBytes(HKEY_CURRENT_USER, qb::kSettingsKeyPath, "ArchiveKey", REG_BINARY,
                          "not protected", 13));
  EXPECT_FALSE(LoadArchiveKey(after));
  EXPECT_TRUE(RestoreAsks(m_archive.ArchivePath()));
  ASSERT_TRUE(LoadOrCreateArchiveKey(after));
  EXPECT_NE(before, after);
  EXPECT_TRUE(RestoreAsks(m_archive.ArchivePath()));
  EXPECT_FALSE(RegKeyExists(HKEY_CURRENT_USER, "Software\\QbOrphan"));
}
