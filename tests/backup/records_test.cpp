#include <gtest/gtest.h>

#include <string>

#include "backup/backup_names.h"
#include "backup/backup_records.h"
#include "backup/reg_export_file.h"

TEST(Records, StrayLinesLowerCaseTypesAndDamage) {
  const std::string text =
      "junk before\r\n]\r\n[TYPE:reg_value]\r\n[MAIN_KEY:HKEY_CURRENT_USER\\K]\r\n"
      "[VALUE_NAME:n]\r\n[VALUE:v]\r\n[RAW_DATA:4:zz]\r\n[TYPE:SOMETHING]\r\n"
      "[TYPE:File]\r\n[DEST_PATH:C:\\f.txt]";  // the last line has no line end
  const RecordFile file = ParseRecordFile(text);
  EXPECT_FALSE(file.truncated);
  ASSERT_EQ(file.records.size(), 2u);
  EXPECT_FALSE(file.records[0].hasRawData);
  EXPECT_TRUE(file.records[0].rawDataDamaged);
  EXPECT_EQ(file.records[1].destPath, "C:\\f.txt");
  EXPECT_EQ(CountRecords(text), 2u);  // what an archive is checked against

  // A record the file ends inside of, with the on-disk line ends.
  EXPECT_TRUE(ParseRecordFile("[TYPE:REG_KEY]\r\r\n[NAME:x]\r\r\n").truncated);

  const std::string huge(1 << 20, 'h');
  const RecordFile big = ParseRecordFile(RegValueRecord("HKEY_CURRENT_USER\\K", "n", huge));
  ASSERT_EQ(big.records.size(), 1u);
  EXPECT_EQ(big.records[0].value, huge);
}

namespace {

std::string Utf16(const std::string& ascii) {
  std::string bytes = "\xFF\xFE";
  for (char c : ascii) bytes += std::string{c, '\0'};
  return bytes;
}

}  // namespace

// The export must be of exactly the key asked for; a name the editor's command
// line would split or bend is never handed to it.
TEST(RegExportFile, TheFirstKeySectionMustBeTheRequestedKey) {
  const std::string key = "HKEY_CURRENT_USER\\Software\\QBPair";
  const std::string header = "Windows Registry Editor Version 5.00\r\n\r\n";
  struct Case { std::string file; bool holds; } cases[] = {
      {Utf16(header + "[" + key + "]\r\n\"v\"=\"[x]\"\r\n[" + key + "\\Sub]\r\n"), true},
      {"REGEDIT4\r\n\r\n[hkey_current_user\\software\\qbpair]\r\n", true},
      {Utf16(header + "[HKEY_CURRENT_USER\\Software]\r\n[" + key + "]\r\n"), false},  // parent
      {Utf16(header + "[" + key + "\" \"x]\r\n"), false},  // a longer name
      {Utf16(header + "[" + key + "]").substr(0, 21), false},  // cut inside a character
  };
  for (const Case& c : cases) EXPECT_EQ(ExportHoldsKey(c.file, key), c.holds) << c.file;
  for (const char* bad : {"HKEY_CURRENT_USER\\QBPair\" \"x", "HKEY_CURRENT_USER\\a\nb",
                          "HKEY_CURRENT_USER\\", ""}) {
    EXPECT_FALSE(KeyNameSafeForEditor(bad)) << bad;
  }
  EXPECT_TRUE(KeyNameSafeForEditor("HKEY_CURRENT_USER\\a b\\[c]\\d%PATH%\\\xe6\x8a\xa5"));
}

// A saved file's copy is named "<hash>_<name>"; with a name of 255 bytes (the
// most a disk takes) the copy's name is cut, between characters, to fit.
TEST(StagedNames, CopiesOfLongNamesFitOnTheDisk) {
  const std::string ascii(251, 'a');
  std::string wide;
  for (int i = 0; i < 83; ++i) wide += "\xe6\x8a\xa5";
  for (const std::string& name : {ascii + ".lnk", "qb" + wide + ".lnk"}) {
    const std::string staged = StagedFileName("C:\\links\\" + name);
    EXPECT_EQ(staged.size(), name[0] == 'a' ? 255u : 254u) << name;
    EXPECT_EQ(staged, UncutStagedFileName("C:\\links\\" + name).substr(0, staged.size()));
    EXPECT_NE(staged, StagedFileName("C:\\other\\" + name));
  }
  EXPECT_EQ(StagedFileName("C:\\x\\app.lnk").substr(8), "_app.lnk");
}
