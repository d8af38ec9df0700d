#include "managers/file_version_info.h"

#include <gtest/gtest.h>

#include <vector>

#include "manager_fixture.h"
#include "managers/manager_details.h"

namespace {

TEST(FileVersionInfo, ReadsTheStringTableForTheUsersLanguage) {
  const struct {
    const char* library;
    uint16_t user;
    const char* company;
  } cases[] = {
      {"version_us.dll", 0x0407, "Company 040904B0"},   {"version_us.dll", 0x0000, "Company 040904B0"},
      {"version_multi.dll", 0x0407, "Company 040704E4"}, {"version_multi.dll", 0x0409, "Company 080904B0"},
      {"version_multi.dll", 0x0000, "Company 000004B0"}, {"version_odd.dll", 0x0409, "Company odd"},
      {"version_notrans.dll", 0x0409, ""},  // no translation list: no table is read
  };
  for (const auto& c : cases) {
    FileVersionInfo info;
    ASSERT_TRUE(info.Read(TestLibrary(c.library), c.user)) << c.library;
    EXPECT_EQ(info.CompanyName(), c.company) << c.library << " " << c.user;
    // A root block of another size than 52 bytes is not the fixed block.
    EXPECT_EQ(info.Fixed()[0], c.library == std::string("version_odd.dll") ? 0u : 0xFEEF04BDu);
  }
}

TEST(FileVersionInfo, TwelveStringsDetailTextsAndAFailedRead) {
  FileVersionInfo info;
  ASSERT_TRUE(info.Read(TestLibrary("version_us.dll"), 0x0409));
  EXPECT_EQ(info.Fixed()[2], 0x00010002u) << "file version 1.2.3.4";
  std::vector<std::string> texts;
  for (size_t i = 0; i < kVersionStringCount; ++i) texts.push_back(info.Text(VersionString(i)));
  EXPECT_EQ(texts, (std::vector<std::string>{"Company 040904B0", "Description", "1.2.3.4",
                                             "usinternal", "Copyright", "us.dll", "US Product",
                                             "5.6", "Comments", "Trademarks", "Private", "Special"}));
  EXPECT_EQ(DetailsFor(info).productName, "US Product (Version : 5.6)");

  ASSERT_TRUE(info.Read(TestLibrary("version_multi.dll"), 0x0411));  // no ProductName there
  EXPECT_EQ(DetailsFor(info).productName, "");
  EXPECT_EQ(DetailsFor(info).fileName, "neutral (Version : 2.0)");

  TempFolder folder;
  ASSERT_TRUE(WriteFileBytes(folder / "plain.txt", "no resources here"));
  EXPECT_FALSE(info.Read(folder / "plain.txt", 0x0409));
  EXPECT_EQ(info.Fixed(), FileVersionInfo::FixedBlock{});
  EXPECT_EQ(DetailsFor(info).fileName, "") << "nothing of the previous file stays";
  EXPECT_FALSE(info.Read(folder / "missing.dll", 0x0409));

  EXPECT_EQ(StartupLookupPath("\"C:\\Tool\\A.EXE.exe\" /x"), "c:\\tool\\a.exe");
}

}  // namespace
