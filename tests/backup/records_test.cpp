#include <gtest/gtest.h>

#include <string>

#include "backup/backup_records.h"

TEST(Records, RecordFieldCutsAtTheLastBracket) {
  EXPECT_EQ(RecordField("[VALUE_NAME:a]b]", "VALUE_NAME"), "a]b");
  EXPECT_EQ(RecordField("[VALUE:x]\r\r", "VALUE"), "x");
  EXPECT_EQ(RecordField("no key here", "TYPE"), "no key here");
  EXPECT_EQ(RecordField("[PATH:open\r", "PATH"), "open");
  EXPECT_EQ(RecordField("[PATH", "PATH"), "");
  // Our own type line never reads as a record type.
  EXPECT_EQ(RecordField("[RAW_DATA:4:0a000000]", "TYPE"), "[RAW_DATA:4:0a000000]");
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

  // A record the file ends inside of, with the on-disk line ends.
  EXPECT_TRUE(ParseRecordFile("[TYPE:REG_KEY]\r\r\n[NAME:x]\r\r\n").truncated);

  const std::string huge(1 << 20, 'h');
  const RecordFile big = ParseRecordFile(RegValueRecord("HKEY_CURRENT_USER\\K", "n", huge));
  ASSERT_EQ(big.records.size(), 1u);
  EXPECT_EQ(big.records[0].value, huge);
}
