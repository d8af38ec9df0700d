#include "tools/file_version_info.h"

#include <gtest/gtest.h>

#include <vector>

#include "manager_fixture.h"
#include "tools/manager_details.h"

namespace {

TEST(FileVersionInfo, TranslationSearchOrder) {
  const struct {
    std::vector<uint32_t> entries;
    uint16_t user;
    int chosen;
  } cases[] = {
      {{}, 0x0407, -1},
      {{0x04B00409}, 0x0407, 0},                          // English, the only one
      {{0x04E40C07, 0x04E40407}, 0x0407, 1},              // exact beats an earlier sister
      {{0x04E4040C, 0x04E40C07}, 0x0807, 1},              // same primary byte
      {{0x04B00409, 0x04B00000}, 0x0411, 1},              // neutral before English
      {{0x04B00409, 0x04B00400}, 0x0411, 1},              // neutral by its low byte
      {{0x04E4040C, 0x04B00809, 0x04B00009}, 0x0411, 2},  // English exactly, then by byte
      {{0x04E4040C, 0x04B00809}, 0x0411, 1},
      {{0x04E4040C, 0x04E40410}, 0x0411, 0},  // else the first
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << std::hex << c.user << " in " << c.entries.size());
    EXPECT_EQ(ChooseTranslation(c.entries.data(), c.entries.size(), c.user), c.chosen);
  }
  EXPECT_EQ(StringTablePrefix(0x04B00C07), "\\StringFileInfo\\0C0704B0\\");
}

// The string table each user language reads, told by its CompanyName.
TEST(FileVersionInfo, ReadsTheTableForTheUsersLanguage) {
  const struct {
    const char* library;
    uint16_t user;
    const char* company;
  } cases[] = {
      {"version_us.dll", 0x0407, "Company 040904B0"},
      {"version_us.dll", 0x0409, "Company 040904B0"},
      {"version_us.dll", 0x0000, "Company 040904B0"},
      {"version_multi.dll", 0x0407, "Company 040704E4"},
      {"version_multi.dll", 0x0807, "Company 0C0704E4"},
      {"version_multi.dll", 0x0409, "Company 080904B0"},
      {"version_multi.dll", 0x0000, "Company 000004B0"},
      {"version_multi.dll", 0x0411, "Company 000004B0"},
      {"version_odd.dll", 0x0409, "Company odd"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.library << " " << std::hex << c.user);
    FileVersionInfo info;
    ASSERT_TRUE(info.Read(TestLibrary(c.library), c.user));
    EXPECT_EQ(info.CompanyName(), c.company);
  }
}

TEST(FileVersionInfo, FixedBlockAndTwelveStrings) {
  FileVersionInfo info;
  ASSERT_TRUE(info.Read(TestLibrary("version_us.dll"), 0x0409));
  EXPECT_EQ(info.Fixed()[0], 0xFEEF04BDu);
  EXPECT_EQ(info.Fixed()[2], 0x00010002u) << "file version 1.2";
  EXPECT_EQ(info.Fixed()[3], 0x00030004u) << "file version .3.4";
  const char* const expected[kVersionStringCount] = {
      "Company 040904B0", "Description", "1.2.3.4",    "usinternal", "Copyright", "us.dll",
      "US Product",       "5.6",         "Comments",   "Trademarks", "Private",   "Special"};
  for (size_t i = 0; i < kVersionStringCount; ++i) {
    EXPECT_EQ(info.Text(static_cast<VersionString>(i)), expected[i]) << kVersionStringNames[i];
  }
  const DetailTexts details = DetailsFor(info);
  EXPECT_EQ(details.fileName, "usinternal (Version : 1.2.3.4)");
  EXPECT_EQ(details.productName, "US Product (Version : 5.6)");
  EXPECT_EQ(details.company, "Company 040904B0");
  EXPECT_EQ(details.description, "Description");

  // A table without ProductName gets no version suffix there.
  ASSERT_TRUE(info.Read(TestLibrary("version_multi.dll"), 0x0000));
  EXPECT_EQ(DetailsFor(info).productName, "");
  EXPECT_EQ(DetailsFor(info).fileName, "neutral (Version : 2.0)");
}

TEST(FileVersionInfo, OddRootNoTranslationListAndNoResource) {
  FileVersionInfo info;
  ASSERT_TRUE(info.Read(TestLibrary("version_odd.dll"), 0x0409));
  EXPECT_EQ(info.Fixed(), FileVersionInfo::FixedBlock{}) << "a 40-byte root is not the block";
  EXPECT_EQ(info.CompanyName(), "Company odd");

  ASSERT_TRUE(info.Read(TestLibrary("version_notrans.dll"), 0x0409));
  EXPECT_EQ(info.Fixed()[0], 0xFEEF04BDu);
  EXPECT_EQ(info.CompanyName(), "") << "no translation list: no table is read";

  // A failed read leaves nothing of the previous file behind.
  ASSERT_TRUE(info.Read(TestLibrary("version_us.dll"), 0x0409));
  TempFolder folder;
  ASSERT_TRUE(WriteFileBytes(folder / "plain.txt", "no resources here"));
  for (const std::string& path : {folder / "plain.txt", folder / "missing.dll"}) {
    EXPECT_FALSE(info.Read(path, 0x0409)) << path;
    EXPECT_EQ(info.Fixed(), FileVersionInfo::FixedBlock{});
    EXPECT_EQ(info.CompanyName(), "");
    EXPECT_EQ(DetailsFor(info).fileName, "");
  }
}

TEST(FileVersionInfo, StartupLookupPath) {
  const struct {
    const char* commandLine;
    const char* path;
  } cases[] = {
      {"\"C:\\Program Files\\Tool\\Tool.EXE\" /background", "c:\\program files\\tool\\tool.exe"},
      {"C:\\A.exe.exe -x", "c:\\a.exe"},
      {"rundll32 \"C:\\x.dll\",Run", "rundll32 c:\\x.dll,run"},
      {"", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(StartupLookupPath(c.commandLine), c.path);
}

}  // namespace
