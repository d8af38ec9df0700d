#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "backup/minizip_io.h"
#include "backup/zip_names.h"
#include "backup/zip_packer.h"
#include "support/temp_folder.h"

namespace {

std::string Pattern(size_t size, unsigned seed) {
  std::string bytes(size, '\0');
  for (size_t i = 0; i < size; ++i) {
    seed = seed * 1103515245u + 12345u;
    bytes[i] = static_cast<char>(seed >> 16);
  }
  return bytes;
}

// Writes a zip whose entries carry exactly the given names, the way another
// program (or an attacker) might have written it.
bool CraftZip(const std::string& path,
              const std::vector<std::pair<std::string, std::string>>& entries,
              uint32_t dosDate = 0) {
  zlib_filefunc64_def io;
  fill_win32_filefunc64A(&io);
  zipFile zip = zipOpen2_64(path.c_str(), APPEND_STATUS_CREATE, nullptr, &io);
  if (!zip) return false;
  for (const auto& entry : entries) {
    zip_fileinfo info = {};
    info.dosDate = dosDate;
    if (zipOpenNewFileInZip(zip, entry.first.c_str(), &info, nullptr, 0, nullptr, 0, nullptr,
                            Z_DEFLATED, Z_DEFAULT_COMPRESSION) != ZIP_OK) {
      zipClose(zip, nullptr);
      return false;
    }
    zipWriteInFileInZip(zip, entry.second.data(), static_cast<unsigned>(entry.second.size()));
    zipCloseFileInZip(zip);
  }
  return zipClose(zip, nullptr) == ZIP_OK;
}

std::vector<std::string> FolderNames(const std::string& folder) {
  std::vector<std::string> names;
  WIN32_FIND_DATAA found;
  HANDLE hFind = FindFirstFileA((folder + "\\*").c_str(), &found);
  if (hFind == INVALID_HANDLE_VALUE) return names;
  do {
    std::string name = found.cFileName;
    if (name != "." && name != "..") names.push_back(name);
  } while (FindNextFileA(hFind, &found));
  FindClose(hFind);
  return names;
}

}  // namespace

TEST(ZipNames, RefusesNamesThatEscapeOrHitDevicesAndStreams) {
  for (const char* bad : {"", ".", "..", "CON", "nul", "Com1.txt", "LPT9", "aux.log", "a:b",
                          "C:", "name.", "name ", "a*b", "a?b", "a|b", "a\"b", "a<b", "a\tb"}) {
    EXPECT_FALSE(IsSafeNameComponent(bad)) << bad;
  }
  for (const char* good : {"Config.ini", "RegKeyBkup0.reg", "console.txt", "COM10", "nullity",
                           ".profile", "a b.lnk", "\xc3\xa9t\xc3\xa9.txt"}) {
    EXPECT_TRUE(IsSafeNameComponent(good)) << good;
  }
  std::string target;
  EXPECT_TRUE(EntryTargetName("a\\b\\c.txt", true, target));
  EXPECT_EQ(target, "c.txt");
  EXPECT_TRUE(EntryTargetName("a\\b\\c.txt", false, target));
  EXPECT_EQ(target, "a\\b\\c.txt");
  for (const char* bad : {"..\\x.txt", "a\\..\\..\\x", "\\x.txt", "C:\\x.txt", "a\\CON\\x",
                          "x.txt:stream", "a\\\\b"}) {
    EXPECT_FALSE(EntryTargetName(bad, false, target)) << bad;
    EXPECT_TRUE(target.empty());
  }
  for (const char* bad : {"a\\..", "C:x.txt", "a\\NUL", "b\\x:ads", "..\\x.txt", "C:\\x.txt"}) {
    EXPECT_FALSE(EntryTargetName(bad, true, target)) << bad;
  }
}

TEST(Zip, PacksATreeFlatAndExtractsItByteForByte) {
  TempFolder source, out;
  const std::string big = Pattern(100000, 7);  // spans many 2048- and 20480-byte blocks
  ASSERT_TRUE(WriteFileBytes(source / "Config.ini", "[TYPE:FILE]\r\r\n"));
  ASSERT_TRUE(WriteFileBytes(source / "sub\\deeper\\big.bin", big));
  ASSERT_TRUE(WriteFileBytes(source / "sub\\empty.txt", ""));
  ASSERT_TRUE(WriteFileBytes(source / ".skipped", "dot files are not packed"));

  const std::string archive = out / "a.zip";
  {
    ZipPacker packer(archive);
    ASSERT_TRUE(packer.IsOpen());
    EXPECT_EQ(packer.RootFolder(), out.Path() + "\\");
    EXPECT_TRUE(packer.AddFolder(source.Path(), true));
    EXPECT_EQ(packer.FilesAdded(), 3);
    EXPECT_EQ(packer.FoldersAdded(), 3);
    EXPECT_EQ(packer.BytesAdded(), big.size() + 14);
    EXPECT_TRUE(packer.Close());
  }

  ZipUnpacker unpacker(archive);
  ASSERT_TRUE(unpacker.IsOpen());
  EXPECT_EQ(unpacker.EntryCount(), 3);
  EXPECT_EQ(unpacker.DefaultOutputFolder(), out / "a");
  ASSERT_TRUE(unpacker.GotoFirst("BIN"));
  ZipEntryInfo info;
  ASSERT_TRUE(unpacker.GetEntryInfo(info));
  EXPECT_EQ(info.name, "big.bin");
  EXPECT_EQ(info.compressionMethod, 8u);
  EXPECT_EQ(info.dosDateTime, 0u);
  EXPECT_EQ(info.uncompressedSize, big.size());
  EXPECT_FALSE(unpacker.GotoNext("bin"));

  const std::string target = out / "x";
  ASSERT_TRUE(unpacker.ExtractAll(target, true));
  std::string bytes;
  ASSERT_TRUE(ReadFileBytes(target + "\\big.bin", bytes));
  EXPECT_EQ(bytes, big);
  ASSERT_TRUE(ReadFileBytes(target + "\\Config.ini", bytes));
  EXPECT_EQ(bytes, "[TYPE:FILE]\r\r\n");
  ASSERT_TRUE(ReadFileBytes(target + "\\empty.txt", bytes));
  EXPECT_EQ(bytes, "");
  EXPECT_EQ(FolderNames(target).size(), 3u);
}

TEST(Zip, AddFileNamesEntriesAgainstTheRootAndRefusesPathsOutsideIt) {
  TempFolder root, elsewhere;
  ASSERT_TRUE(WriteFileBytes(root / "in\\a.txt", "a"));
  ASSERT_TRUE(WriteFileBytes(elsewhere / "b.txt", "b"));
  ZipPacker packer;
  ASSERT_TRUE(packer.Open(root / "t.zip", root.Path().c_str()));
  EXPECT_TRUE(packer.AddFile(root / "in\\a.txt", false));
  EXPECT_TRUE(packer.AddFile(".\\in\\a.txt", false));
  EXPECT_FALSE(packer.AddFile("..\\b.txt", false));
  EXPECT_FALSE(packer.AddFile(elsewhere / "b.txt", false));
  EXPECT_TRUE(packer.AddFile(elsewhere / "b.txt", true));
  EXPECT_FALSE(packer.AddFile(root / "missing.txt", true));
  EXPECT_TRUE(packer.Close());
  EXPECT_FALSE(packer.AddFile(root / "in\\a.txt", true));

  ZipUnpacker unpacker(root / "t.zip");
  std::vector<std::string> names;
  for (bool ok = unpacker.GotoFirst(); ok; ok = unpacker.GotoNext()) {
    ZipEntryInfo info;
    ASSERT_TRUE(unpacker.GetEntryInfo(info));
    names.push_back(info.name);
  }
  EXPECT_EQ(names, (std::vector<std::string>{"in\\a.txt", "in\\a.txt", "b.txt"}));
}

TEST(Zip, ALockedSourceFileFailsItsEntry) {
  TempFolder folder;
  ASSERT_TRUE(WriteFileBytes(folder / "locked.txt", "x"));
  HANDLE hLock = CreateFileA((folder / "locked.txt").c_str(), GENERIC_READ, 0, nullptr,
                             OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(hLock, INVALID_HANDLE_VALUE);
  ZipPacker packer(folder / "t.zip");
  EXPECT_FALSE(packer.AddFile(folder / "locked.txt", true));
  CloseHandle(hLock);
  EXPECT_TRUE(packer.AddFile(folder / "locked.txt", true));
}

TEST(Zip, FolderEntriesAndPathsExtractAndEntryTimesAreSet) {
  TempFolder folder;
  // 7 March 2008 09:05:00 as a DOS date and time.
  const uint32_t dos = ((2008u - 1980u) << 25) | (3u << 21) | (7u << 16) | (9u << 11) | (5u << 5);
  ASSERT_TRUE(CraftZip(folder / "t.zip", {{"dir/", ""}, {"dir/sub/c.txt", "c"}}, dos));
  ZipUnpacker unpacker(folder / "t.zip");
  ASSERT_TRUE(unpacker.ExtractAll(folder / "deep", false));
  std::string bytes;
  ASSERT_TRUE(ReadFileBytes(folder / "deep\\dir\\sub\\c.txt", bytes));
  EXPECT_EQ(bytes, "c");

  WIN32_FILE_ATTRIBUTE_DATA data;
  ASSERT_TRUE(GetFileAttributesExA((folder / "deep\\dir\\sub\\c.txt").c_str(),
                                   GetFileExInfoStandard, &data));
  FILETIME local;
  SYSTEMTIME when;
  ASSERT_TRUE(FileTimeToLocalFileTime(&data.ftLastWriteTime, &local));
  ASSERT_TRUE(FileTimeToSystemTime(&local, &when));
  EXPECT_EQ(when.wYear, 2008);
  EXPECT_EQ(when.wMonth, 3);
  EXPECT_EQ(when.wDay, 7);
  EXPECT_EQ(when.wHour, 9);
  EXPECT_EQ(when.wMinute, 5);

  // Without a folder the entries go to the archive's name less its extension.
  ASSERT_TRUE(unpacker.GotoFirst("txt"));
  EXPECT_TRUE(unpacker.ExtractEntry("", true));
  EXPECT_TRUE(ReadFileBytes(folder / "t\\c.txt", bytes));
}

TEST(Zip, HostileEntryNamesAreRefusedAndWriteNothing) {
  TempFolder folder;
  const std::string out = folder / "out";
  const std::vector<std::string> hostile = {"..\\..\\evil.txt", "C:\\evil.txt", "x.txt:ads",
                                            "CON",           "a/NUL.txt",    "..",
                                            "a/..",          "trailing."};
  for (const std::string& name : hostile) {
    ASSERT_TRUE(CraftZip(folder / "h.zip", {{"good.txt", "g"}, {name, "evil"}})) << name;
    ZipUnpacker unpacker(folder / "h.zip");
    EXPECT_FALSE(unpacker.ExtractAll(out, true)) << name;
    // The good entry before it stays; nothing else appears anywhere.
    EXPECT_EQ(FolderNames(out), std::vector<std::string>{"good.txt"}) << name;
    EXPECT_EQ(GetFileAttributesA((folder / "evil.txt").c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(GetFileAttributesA("C:\\evil.txt"), INVALID_FILE_ATTRIBUTES);
    unpacker.Close();
    DeleteFileA((out + "\\good.txt").c_str());
  }
  // With paths kept, a climbing name is refused as a whole.
  ASSERT_TRUE(CraftZip(folder / "p.zip", {{"a/../../evil.txt", "evil"}}));
  ZipUnpacker unpacker(folder / "p.zip");
  EXPECT_FALSE(unpacker.ExtractAll(out, false));
  EXPECT_EQ(GetFileAttributesA((folder / "evil.txt").c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST(Zip, EmptyTruncatedAndCorruptArchivesFailCleanly) {
  TempFolder folder;
  const std::string out = folder / "out";
  ASSERT_TRUE(CraftZip(folder / "empty.zip", {}));
  {
    ZipUnpacker unpacker(folder / "empty.zip");
    EXPECT_EQ(unpacker.EntryCount(), 0);
    EXPECT_FALSE(unpacker.ExtractAll(out, true));
  }

  const std::string payload = Pattern(50000, 3);
  ASSERT_TRUE(CraftZip(folder / "good.zip", {{"data.bin", payload}}));
  std::string zip;
  ASSERT_TRUE(ReadFileBytes(folder / "good.zip", zip));

  // Cut short: the central directory is gone, so the archive does not open.
  ASSERT_TRUE(WriteFileBytes(folder / "cut.zip", zip.substr(0, zip.size() / 2)));
  {
    ZipUnpacker unpacker(folder / "cut.zip");
    EXPECT_FALSE(unpacker.IsOpen());
    EXPECT_EQ(unpacker.EntryCount(), 0);
    EXPECT_FALSE(unpacker.ExtractAll(out, true));
  }

  // Damaged data inside an intact directory: the entry fails and no partial copy stays.
  std::string damaged = zip;
  for (size_t i = 100; i < 400; ++i) damaged[i] = static_cast<char>(damaged[i] ^ 0x5A);
  ASSERT_TRUE(WriteFileBytes(folder / "bad.zip", damaged));
  {
    ZipUnpacker unpacker(folder / "bad.zip");
    ASSERT_TRUE(unpacker.IsOpen());
    EXPECT_FALSE(unpacker.ExtractAll(out, true));
    EXPECT_EQ(GetFileAttributesA((out + "\\data.bin").c_str()), INVALID_FILE_ATTRIBUTES);
  }

  // Not a zip at all.
  ASSERT_TRUE(WriteFileBytes(folder / "text.zip", "just some text"));
  ZipUnpacker unpacker(folder / "text.zip");
  EXPECT_FALSE(unpacker.IsOpen());
  EXPECT_FALSE(unpacker.GotoFirst());
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
