#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "backup/archive_bounds.h"
#include "backup/zip_names.h"
#include "backup/zip_packer.h"
#include "backup_fixture.h"

namespace {

std::vector<std::string> FolderNames(const std::string& folder) {
  std::vector<std::string> names;
  WIN32_FIND_DATAA found;
  const FindHandle search(FindFirstFileA((folder + "\\*").c_str(), &found));
  if (!search) return names;
  do {
    if (found.cFileName[0] != '.') names.push_back(found.cFileName);
  } while (FindNextFileA(search.Get(), &found));
  return names;
}

}  // namespace

// Names that climb, are absolute, name a drive, a stream or a device: refused in
// either mode (also in components a flat extraction drops), and extracting them
// writes nothing anywhere.
TEST(Zip, HostileEntryNamesAreRefusedAndWriteNothing) {
  TempFolder folder;
  const std::string out = folder / "out";
  for (const char* name : {"..\\..\\evil.txt", "a\\..\\..\\x", "a/../../x", "\\x.txt",
                           "C:\\evil.txt", "C:x.txt", "x.txt:ads", "b\\x:ads", "CON", "a/NUL.txt",
                           "a\\CON\\x", "..", "a\\..", "a\\\\b", "trailing."}) {
    std::string target;
    EXPECT_FALSE(EntryTargetName(name, false, target) || EntryTargetName(name, true, target))
        << name;
    EXPECT_TRUE(target.empty()) << name;
    ASSERT_TRUE(CraftZip(folder / "h.zip", {{"good.txt", "g"}, {name, "evil"}})) << name;
    for (bool flat : {true, false}) {
      EXPECT_FALSE(ZipUnpacker(folder / "h.zip").ExtractAll(out, flat)) << name;
      // The good entry before it stays; nothing else appears anywhere.
      EXPECT_EQ(FolderNames(out), std::vector<std::string>{"good.txt"}) << name;
      EXPECT_EQ(FolderNames(folder.Path()).size(), 2u) << name;
      EXPECT_FALSE(PathExists("C:\\evil.txt") || PathExists("C:\\x.txt")) << name;
    }
  }
  // Names that only look like those are fine.
  for (const char* good : {"console.txt", "COM10", "nullity", ".profile", "a b.lnk", "\xc3\xa9t\xc3\xa9"}) {
    EXPECT_TRUE(IsSafeNameComponent(good)) << good;
  }
}

TEST(Zip, FolderEntriesAndPathsExtractAndEntryTimesAreSet) {
  TempFolder folder;
  // 7 March 2008 09:05:00 as a DOS date and time.
  const uint32_t dos = ((2008u - 1980u) << 25) | (3u << 21) | (7u << 16) | (9u << 11) | (5u << 5);
  ASSERT_TRUE(CraftZip(folder / "t.zip", {{"dir/", ""}, {"dir/sub/c.txt", "c"}}, dos));
  ASSERT_TRUE(ZipUnpacker(folder / "t.zip").ExtractAll(folder / "deep", false));
  const std::string file = folder / "deep\\dir\\sub\\c.txt";
  EXPECT_EQ(FileText(file), "c");
  WIN32_FILE_ATTRIBUTE_DATA data;
  FILETIME local;
  SYSTEMTIME when;
  ASSERT_TRUE(GetFileAttributesExA(file.c_str(), GetFileExInfoStandard, &data) &&
              FileTimeToLocalFileTime(&data.ftLastWriteTime, &local) &&
              FileTimeToSystemTime(&local, &when));
  EXPECT_EQ(std::vector<int>({when.wYear, when.wMonth, when.wDay, when.wHour, when.wMinute}),
            std::vector<int>({2008, 3, 7, 9, 5}));
}

TEST(Zip, CreateFolderBuildsParentsAndRefusesFiles) {
  TempFolder folder;
  EXPECT_FALSE(CreateFolder(""));
  EXPECT_TRUE(CreateFolder(folder / "a\\b\\c"));
  EXPECT_TRUE(CreateFolder(folder / "a\\b\\c"));
  ASSERT_TRUE(WriteFileBytes(folder / "file", "x"));
  EXPECT_FALSE(CreateFolder(folder / "file"));
  EXPECT_FALSE(CreateFolder(folder / "file\\below"));
}

// Names longer than any fixed buffer (as a 255-byte file name staged with its
// prefix gives) are read whole, and packed names carry the UTF-8 flag.
TEST(Zip, LongNamesReadWholeAndPackedNamesAreFlaggedUtf8) {
  TempFolder folder;
  const std::string longName = "95b6f6b4_" + std::string(100, 'x') + std::string(170, 'y') + ".lnk";
  ASSERT_TRUE(CraftZip(folder / "long.zip", {{longName, "l"}, {"next.txt", "n"}}));
  EXPECT_EQ(ZipEntryNames(folder / "long.zip"), (std::vector<std::string>{longName, "next.txt"}));

  const std::string name = "\xe6\x8a\xa5 report.txt";
  ASSERT_TRUE(WriteFileBytes(folder / name, "r"));
  ZipPacker packer(folder / "utf8.zip");
  ASSERT_TRUE(packer.AddFile(folder / name, true) && packer.Close());
  ZipUnpacker unpacker(folder / "utf8.zip");
  ZipEntryInfo info;
  ASSERT_TRUE(unpacker.GotoFirst() && unpacker.GetEntryInfo(info));
  EXPECT_EQ(info.name, name);
  EXPECT_EQ(info.flags & (1u << 11), 1u << 11);
  std::string bytes;
  EXPECT_TRUE(unpacker.ReadEntry(&bytes));
  EXPECT_EQ(bytes, "r");
}

// What an archive may unpack to before restore takes anything out of it: a
// backup's size and packing, with room left on the disk; sizes that would wrap
// around when summed are no way past it.
TEST(ArchiveBounds, RefusesWhatNoBackupCouldBe) {
  const uint64_t mb = 1ull << 20, plenty = 100000 * mb;
  const struct {
    std::vector<EntrySize> entries;
    uint64_t freeBytes;
    const char* refusal;  // a word of the reason; "" when it may be unpacked
  } cases[] = {
      {{{2 * mb, 20 * mb, true}, {mb, 30 * mb, false}}, plenty, ""},
      {{{1000, 15 * mb, false}}, plenty, ""},  // small enough whatever its packing
      {{{mb, 1024 * mb, false}, {10, 100, true}}, plenty, "512 MB"},
      {{{mb / 4, 40 * mb, false}, {10, 100, true}}, plenty, "far more"},
      {{{mb, 65 * mb, true}}, plenty, "record file"},
      {{{mb, 20 * mb, true}}, 21 * mb, "free"},
      {{{10, 100, true}, {10, ~0ull - 50, false}, {10, 100, false}}, plenty, "512 MB"},
  };
  for (const auto& c : cases) {
    const std::string refusal = ArchiveSizeRefusal(c.entries, c.freeBytes);
    EXPECT_EQ(refusal.empty(), *c.refusal == '\0') << refusal;
    EXPECT_NE(refusal.find(c.refusal), std::string::npos) << refusal;
  }
  EXPECT_NE(ArchiveSizeRefusal(std::vector<EntrySize>(kMaxEntries + 1), plenty), "");
}
