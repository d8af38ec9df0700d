#include <gtest/gtest.h>

#include <string>

#include "backup/backup_names.h"
#include "backup/backup_records.h"

TEST(Records, RecordFieldCutsAtTheLastBracket) {
  EXPECT_EQ(RecordField("[VALUE_NAME:a]b]", "VALUE_NAME"), "a]b");
  EXPECT_EQ(RecordField("[VALUE:x]\r\r", "VALUE"), "x");
  EXPECT_EQ(RecordField("no key here", "TYPE"), "no key here");
  EXPECT_EQ(RecordField("[PATH:open\r", "PATH"), "open");
  EXPECT_EQ(RecordField("[PATH", "PATH"), "");
  // The type line of our own extension never reads as a record type.
  EXPECT_EQ(RecordField("[RAW_DATA:4:0a000000]", "TYPE"), "[RAW_DATA:4:0a000000]");
}

TEST(Records, ReadBackEveryTypeWithEitherLineEnd) {
  const std::string written =
      RegKeyRecord("HKEY_CURRENT_USER\\K", 0) + RegValueRecord("HKEY_CURRENT_USER\\V", "n", "d]x") +
      RawDataLine(4, std::string("\x01\0\0\0", 4)) + FileRecord("C:\\a b\\c.lnk") +
      RegValueRecord("HKEY_CLASSES_ROOT\\W", "", "plain");
  std::string onDisk;  // what the text-mode stream makes of it
  for (char c : written) {
    if (c == '\n') onDisk += '\r';
    onDisk += c;
  }
  for (const std::string& text : {written, onDisk}) {
    const RecordFile file = ParseRecordFile(text);
    EXPECT_FALSE(file.truncated);
    ASSERT_EQ(file.records.size(), 4u);
    EXPECT_EQ(file.records[0].kind, BackupRecord::kRegKey);
    EXPECT_EQ(file.records[0].keyName, "HKEY_CURRENT_USER\\K");
    EXPECT_EQ(file.records[0].exportFile, "RegKeyBkup0.reg");
    EXPECT_EQ(file.records[1].kind, BackupRecord::kRegValue);
    EXPECT_EQ(file.records[1].value, "d]x");
    ASSERT_TRUE(file.records[1].hasRawData);
    EXPECT_EQ(file.records[1].rawType, 4u);
    EXPECT_EQ(file.records[1].rawBytes, std::string("\x01\0\0\0", 4));
    EXPECT_EQ(file.records[2].destPath, "C:\\a b\\c.lnk");
    EXPECT_EQ(file.records[3].valueName, "");
    EXPECT_FALSE(file.records[3].hasRawData);
  }
}

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

  // A record the file ends inside of: the records before it stand.
  const RecordFile cut = ParseRecordFile(FileRecord("C:\\a") + "[TYPE:REG_VALUE]\r\n[MAIN_KEY:X]\r\n");
  EXPECT_TRUE(cut.truncated);
  ASSERT_EQ(cut.records.size(), 1u);
  EXPECT_TRUE(ParseRecordFile("[TYPE:REG_KEY]\r\r\n[NAME:x]\r\r\n").truncated);
  EXPECT_TRUE(ParseRecordFile("").records.empty());

  // A huge value survives whole.
  const std::string huge(1 << 20, 'h');
  const RecordFile big = ParseRecordFile(RegValueRecord("HKEY_CURRENT_USER\\K", "n", huge));
  ASSERT_EQ(big.records.size(), 1u);
  EXPECT_EQ(big.records[0].value, huge);
}

TEST(BackupNames, ArchiveNamesAndDisplayTexts) {
  EXPECT_EQ(ArchiveBaseName(3, 7, 2008, 9, 5, 0), "3,7,2008_9,5,0");
  EXPECT_EQ(BackupDisplayName("3,7,2008_9,5,0"), "Friday, March 07, 2008 Time: 09:05:00");
  EXPECT_EQ(BackupDisplayName("12,31,2008_23,59,59"), "Wednesday, December 31, 2008 Time: 23:59:59");
  EXPECT_EQ(BackupDisplayName("2,29,2000_0,0,0"), "Tuesday, February 29, 2000 Time: 00:00:00");
  EXPECT_EQ(BackupDisplayName("1,1,2009_0,0,0_2"), "Thursday, January 01, 2009 Time: 00:00:00 (2)");
  EXPECT_EQ(BackupDisplayName("3,7,2008_9,5"), "");
  EXPECT_EQ(BackupDisplayName("holiday"), "");
  EXPECT_EQ(BackupDisplayName("2,30,2009_1,2,3"), "2,30,2009_1,2,3");
  EXPECT_EQ(BackupDisplayName("13,1,2009_1,2,3"), "13,1,2009_1,2,3");
}

TEST(BackupNames, SameNamedFilesGetDistinctStagedCopies) {
  const std::string a = StagedFileName("C:\\one\\app.lnk");
  const std::string b = StagedFileName("C:\\two\\app.lnk");
  EXPECT_NE(a, b);
  EXPECT_EQ(a.substr(8), "_app.lnk");
  EXPECT_EQ(a, StagedFileName("c:\\ONE\\app.LNK").substr(0, 9) + "app.lnk");
  EXPECT_EQ(StagedFileName("bare.lnk").substr(8), "_bare.lnk");
}
