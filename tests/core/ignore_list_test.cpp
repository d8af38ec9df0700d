#include "core/ignore_list.h"
#include "core/section_catalogue.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "support/registry_sandbox.h"

namespace {

ProblemRecord Registry(HKEY root, const std::string& key, const std::string& name, int isValue) {
  ProblemRecord record;
  record.errorType = kRegistryError;
  record.sectionId = kFullRegistryScan;
  record.rootKey = root;
  record.keyPath = key;
  record.valueName = name;
  record.isValue = isValue;
  return record;
}

ProblemRecord Shortcut(const std::string& link) {
  ProblemRecord record;
  record.errorType = kFileError;
  record.sectionId = kProgramShortcuts;
  record.linkPath = link;
  return record;
}

IgnoreEntry Parsed(const std::string& text) {
  IgnoreEntry entry;
  EXPECT_TRUE(ParseIgnoreText(text, entry)) << text;
  return entry;
}

TEST(IgnoreTextTest, ReadsWhatItWritesAndNothingElse) {
  // Written forms read back to the same line; short root names are taken.
  for (const char* text : {"Value: HKEY_CURRENT_USER\\Software\\App\\\\Last\\File",
                           "Value: HKEY_LOCAL_MACHINE\\SOFTWARE\\App\\\\",
                           "Key: HKEY_CLASSES_ROOT\\Bad.ProgId",
                           "Shortcut: C:\\Users\\Public\\Desktop\\Gone.lnk"}) {
    EXPECT_EQ(IgnoreText(Parsed(text)), text);
  }
  EXPECT_EQ(IgnoreText(Parsed("Key: hklm\\Software\\App\\")), "Key: HKEY_LOCAL_MACHINE\\Software\\App");
  // The value name keeps its backslashes: only the first double one splits.
  EXPECT_EQ(Parsed("Value: HKEY_CURRENT_USER\\K\\\\a\\\\b").valueName, "a\\\\b");

  IgnoreEntry entry;
  for (const char* junk : {"", "Courier", "value: HKEY_CURRENT_USER\\K\\\\x", "Key: HKEY_USERS\\x",
                           "Key: HKEY_CURRENT_USER", "Key: HKEY_CURRENT_USER\\\\", "Key: A\\\\B",
                           "Value: HKEY_CURRENT_USER\\K", "Value: HKEY_CURRENT_USER\\\\x",
                           "Shortcut: "}) {
    EXPECT_FALSE(ParseIgnoreText(junk, entry)) << junk;
  }
}

TEST(IgnoreListTest, MatchesByIdentityOnly) {
  IgnoreList list;
  list.Add(Parsed("Value: HKEY_LOCAL_MACHINE\\Software\\Vendor\\App\\\\Path"));
  list.Add(Parsed("Key: HKEY_CURRENT_USER\\Software\\Old"));
  list.Add(Parsed("Shortcut: C:\\Links\\Dead.lnk"));
  const struct {
    ProblemRecord problem;
    bool ignored;
  } cases[] = {
      {Registry(HKEY_LOCAL_MACHINE, "SOFTWARE\\vendor\\App", "path", 1), true},
      {Registry(HKEY_LOCAL_MACHINE, "Software\\Vendor\\App", "Path2", 1), false},
      {Registry(HKEY_LOCAL_MACHINE, "Software\\Vendor\\App", "Pat", 1), false},
      {Registry(HKEY_CURRENT_USER, "Software\\Vendor\\App", "Path", 1), false},
      {Registry(HKEY_LOCAL_MACHINE, "Software\\Vendor\\App", "", 0), false},
      {Registry(HKEY_CURRENT_USER, "software\\OLD", "", 0), true},
      {Registry(HKEY_CURRENT_USER, "Software\\Old", "Any", 1), true},
      {Registry(HKEY_CURRENT_USER, "Software\\Old\\Sub", "", 0), false},
      {Registry(HKEY_CURRENT_USER, "Software\\Older", "", 0), false},
      {Shortcut("c:\\links\\dead.LNK"), true},
      {Shortcut("C:\\Links\\Dead.lnk.bak"), false},
      {Shortcut("C:\\Links\\Dead"), false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(list.Matches(c.problem), c.ignored)
        << c.problem.keyPath << " / " << c.problem.valueName << c.problem.linkPath;
  }
}

class IgnoreStoreTest : public SandboxedTest {};

TEST_F(IgnoreStoreTest, JunkInTheKeyIsPassedOverAndNumbersStayFree) {
  const std::string longName(16383, 'n');
  const DWORD one = 1;
  ASSERT_TRUE(RegPutBytes(HKEY_CURRENT_USER, kIgnoreKeyPath, "1", REG_DWORD, &one, sizeof(one)));
  RegPutString(HKEY_CURRENT_USER, kIgnoreKeyPath, "2", "");
  RegPutString(HKEY_CURRENT_USER, kIgnoreKeyPath, "3", "not an identity");
  RegPutString(HKEY_CURRENT_USER, kIgnoreKeyPath, "4", "Key: HKEY_CURRENT_USER\\Expand", REG_EXPAND_SZ);
  RegPutBytes(HKEY_CURRENT_USER, kIgnoreKeyPath, "5", REG_MULTI_SZ, "Key: HKCU\\M\0\0", 14);
  RegPutString(HKEY_CURRENT_USER, kIgnoreKeyPath, longName, "Shortcut: C:\\long.lnk");
  RegPutBytes(HKEY_CURRENT_USER, kIgnoreKeyPath, std::string(16383, 'm'), REG_DWORD, &one, sizeof(one));
  RegPutString(HKEY_CURRENT_USER, kIgnoreKeyPath, "", "Key: HKEY_CURRENT_USER\\Unnamed");

  std::vector<std::string> texts;
  for (const IgnoreEntry& entry : ReadIgnoreEntries()) texts.push_back(IgnoreText(entry));
  EXPECT_EQ(texts, (std::vector<std::string>{"Key: HKEY_CURRENT_USER\\Unnamed",
                                             "Shortcut: C:\\long.lnk"}));

  IgnoreEntry entry = Parsed("Value: HKEY_CURRENT_USER\\Software\\A\\\\v");
  bool added = false;
  ASSERT_TRUE(AddIgnoreEntry(entry, added));
  EXPECT_TRUE(added);
  // Numbers 1 to 5 hold junk: the entry takes 6, and the junk stays.
  std::string stored;
  for (const IgnoreEntry& read : ReadIgnoreEntries()) {
    if (IgnoreText(read) == IgnoreText(entry)) stored = read.storedName;
  }
  EXPECT_EQ(stored, "6");
  EXPECT_EQ(RemoveIgnoreEntry(entry), 1);
  DWORD type = 0;
  std::string bytes;
  EXPECT_TRUE(RegGetRaw(HKEY_CURRENT_USER, kIgnoreKeyPath, "1", type, bytes));
}

}  // namespace
