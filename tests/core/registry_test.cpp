#include "core/registry.h"

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "support/registry_sandbox.h"

namespace {

using RegistryTest = SandboxedTest;

const char* const kKey = "Software\\Vendor\\App";

std::vector<std::string> AllValueNames(CRegistry& reg) {
  std::vector<std::string> names;
  std::string name;
  DWORD type = 0;
  while (reg.EnumValue(name, type)) names.push_back(name);
  return names;
}

TEST(RootKeyNames, ConvertOnlyTheThreeRootsTheProgramWorksWith) {
  EXPECT_EQ(RootKeyName(HKEY_CURRENT_USER), "HKEY_CURRENT_USER");
  EXPECT_EQ(RootKeyName(HKEY_LOCAL_MACHINE), "HKEY_LOCAL_MACHINE");
  EXPECT_EQ(RootKeyName(HKEY_CLASSES_ROOT), "HKEY_CLASSES_ROOT");
  EXPECT_EQ(RootKeyName(HKEY_USERS), "");
  EXPECT_EQ(RootKeyName(nullptr), "");

  EXPECT_EQ(RootKeyFromName("HKEY_CURRENT_USER"), HKEY_CURRENT_USER);
  EXPECT_EQ(RootKeyFromName("HKEY_LOCAL_MACHINE"), HKEY_LOCAL_MACHINE);
  EXPECT_EQ(RootKeyFromName("HKEY_CLASSES_ROOT"), HKEY_CLASSES_ROOT);
  for (const char* other : {"HKEY_LOCAL_MACHINE\\", "HKLM", "hkey_local_machine", "HKEY_USERS",
                            "", " HKEY_CURRENT_USER"}) {
    EXPECT_EQ(RootKeyFromName(other), nullptr) << other;
  }
}

TEST_F(RegistryTest, PathTextFollowsOpensAndDescents) {
  CRegistry reg(HKEY_CURRENT_USER);
  ASSERT_TRUE(reg.IsOpen());
  EXPECT_EQ(reg.Path(), "HKEY_CURRENT_USER");
  ASSERT_TRUE(reg.CreateKey("Software\\Vendor", true));
  EXPECT_EQ(reg.Path(), "HKEY_CURRENT_USER\\Software\\Vendor");
  ASSERT_TRUE(reg.CreateKey("App", false));
  EXPECT_EQ(reg.Path(), "HKEY_CURRENT_USER\\Software\\Vendor") << "no descent, stays on parent";
  ASSERT_TRUE(reg.OpenSubKey("App"));
  EXPECT_EQ(reg.Path(), "HKEY_CURRENT_USER\\Software\\Vendor\\App");

  ASSERT_TRUE(reg.OpenKey(HKEY_CURRENT_USER, kKey));
  EXPECT_EQ(reg.Path(), std::string("HKEY_CURRENT_USER\\") + kKey);
  EXPECT_TRUE(reg.CloseKey());
  EXPECT_EQ(reg.Path(), "");
  EXPECT_FALSE(reg.IsOpen());

  EXPECT_TRUE(reg.OpenRootKey(HKEY_USERS));
  EXPECT_EQ(reg.Path(), "HKEY_USERS");
}

TEST_F(RegistryTest, KeyOutsideTheRootTableIsUsableWithPlaceholderPath) {
  HKEY hOwn = nullptr;
  ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "Own", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                            &hOwn, nullptr),
            ERROR_SUCCESS);
  {
    CRegistry reg(hOwn);
    EXPECT_EQ(reg.Path(), "CRegistry needs an update!");
    EXPECT_TRUE(reg.SetStringValue("name", "text"));
  }
  RegCloseKey(hOwn);
  DWORD type = 0;
  std::string bytes;
  ASSERT_TRUE(RegGetRaw(HKEY_CURRENT_USER, "Own", "name", type, bytes));
  EXPECT_EQ(bytes, std::string("text", 5));
}

TEST_F(RegistryTest, FailedOpenSubKeyThenCreateDescendsBelowTheSameParent) {
  ASSERT_TRUE(RegPutString(HKEY_LOCAL_MACHINE, "Software\\Vendor", "v", "x"));
  CRegistry reg(HKEY_LOCAL_MACHINE, "Software\\Vendor");
  ASSERT_TRUE(reg.IsOpen());
  EXPECT_FALSE(reg.OpenSubKey("Missing"));
  EXPECT_EQ(reg.Path(), "HKEY_LOCAL_MACHINE\\Software\\Vendor");
  EXPECT_TRUE(reg.IsOpen());

  ASSERT_TRUE(reg.CreateKey("Missing", true));
  EXPECT_EQ(reg.Path(), "HKEY_LOCAL_MACHINE\\Software\\Vendor\\Missing");
  EXPECT_TRUE(reg.SetDwordValue("n", 7));
  EXPECT_TRUE(RegKeyExists(HKEY_LOCAL_MACHINE, "Software\\Vendor\\Missing"));
  EXPECT_FALSE(RegKeyExists(HKEY_LOCAL_MACHINE, "Missing"));
  EXPECT_TRUE(CRegistry(HKEY_LOCAL_MACHINE, "Software").SubKeyExists("Vendor"));
  EXPECT_FALSE(CRegistry(HKEY_LOCAL_MACHINE, "Software").SubKeyExists("Nobody"));
}

TEST_F(RegistryTest, ClosedObjectFailsEverythingAndCloseChangesNothing) {
  CRegistry reg;
  EXPECT_FALSE(reg.CloseKey());
  EXPECT_EQ(reg.Path(), "");
  DWORD number = 42;
  std::string text = "kept";
  EXPECT_FALSE(reg.QueryDwordValue("1", number));
  EXPECT_FALSE(reg.QueryStringValue("1", text));
  EXPECT_EQ(number, 42u);
  EXPECT_EQ(text, "kept");
  EXPECT_FALSE(reg.SetDwordValue("1", 1));
  EXPECT_FALSE(reg.OpenSubKey("Software"));
  DWORD type;
  EXPECT_FALSE(reg.EnumValue(text, type));

  EXPECT_FALSE(reg.OpenKey(HKEY_CURRENT_USER, "Does\\Not\\Exist"));
  EXPECT_FALSE(reg.IsOpen());
  EXPECT_EQ(reg.Path(), "");
}

TEST_F(RegistryTest, TypedReadsRejectOtherTypesAndLeaveOutputAlone) {
  ASSERT_TRUE(RegPutString(HKEY_CURRENT_USER, kKey, "text one", "1"));
  ASSERT_TRUE(RegPutDword(HKEY_CURRENT_USER, kKey, "number", 0x01020304));
  const unsigned char shortDword[2] = {1, 0};
  ASSERT_TRUE(RegPutBytes(HKEY_CURRENT_USER, kKey, "short", REG_DWORD, shortDword, 2));
  const unsigned char junk[5] = {0xff, 0x00, 0x41, 0x10, 0x80};
  ASSERT_TRUE(RegPutBytes(HKEY_CURRENT_USER, kKey, "binary", REG_BINARY, junk, 5));

  CRegistry reg(HKEY_CURRENT_USER, kKey);
  DWORD number = 99;
  EXPECT_FALSE(reg.QueryDwordValue("text one", number)) << "a REG_SZ \"1\" is not a DWORD";
  EXPECT_FALSE(reg.QueryDwordValue("short", number));
  EXPECT_FALSE(reg.QueryDwordValue("missing", number));
  EXPECT_EQ(number, 99u);
  EXPECT_TRUE(reg.QueryDwordValue("number", number));
  EXPECT_EQ(number, 0x01020304u);

  std::string text = "kept";
  EXPECT_FALSE(reg.QueryStringValue("number", text));
  EXPECT_FALSE(reg.QueryStringValue("binary", text));
  EXPECT_EQ(text, "kept");
  EXPECT_TRUE(reg.QueryStringValue("text one", text));
  EXPECT_EQ(text, "1");
}

TEST_F(RegistryTest, StringReadsSurviveDamagedData) {
  // No terminating zero, an embedded zero, and a long text.
  ASSERT_TRUE(RegPutBytes(HKEY_CURRENT_USER, kKey, "unterminated", REG_SZ, "abc", 3));
  ASSERT_TRUE(RegPutBytes(HKEY_CURRENT_USER, kKey, "embedded", REG_SZ, "ab\0cd", 6));
  const std::string longText(70000, 'x');
  ASSERT_TRUE(RegPutString(HKEY_CURRENT_USER, kKey, "long", longText));
  ASSERT_TRUE(RegPutBytes(HKEY_CURRENT_USER, kKey, "empty", REG_SZ, "", 0));

  CRegistry reg(HKEY_CURRENT_USER, kKey);
  std::string text;
  EXPECT_TRUE(reg.QueryStringValue("unterminated", text));
  EXPECT_EQ(text, "abc");
  EXPECT_TRUE(reg.QueryStringValue("embedded", text));
  EXPECT_EQ(text, "ab");
  EXPECT_TRUE(reg.QueryStringValue("long", text));
  EXPECT_EQ(text, longText);
  EXPECT_TRUE(reg.QueryStringValue("empty", text));
  EXPECT_EQ(text, "");
}

TEST_F(RegistryTest, ExpandStringsComeBackExpanded) {
  ASSERT_TRUE(RegPutString(HKEY_CURRENT_USER, kKey, "path", "%windir%\\Fonts", REG_EXPAND_SZ));
  ASSERT_TRUE(RegPutString(HKEY_CURRENT_USER, kKey, "plain", "%windir%\\Fonts", REG_SZ));
  const char* windir = std::getenv("windir");
  ASSERT_NE(windir, nullptr);

  CRegistry reg(HKEY_CURRENT_USER, kKey);
  std::string text;
  ASSERT_TRUE(reg.QueryStringValue("path", text));
  EXPECT_EQ(text, std::string(windir) + "\\Fonts");
  ASSERT_TRUE(reg.QueryStringValue("plain", text));
  EXPECT_EQ(text, "%windir%\\Fonts") << "only REG_EXPAND_SZ is expanded";
  DWORD number = 0;
  EXPECT_FALSE(reg.QueryDwordValue("path", number));
}

TEST_F(RegistryTest, WritesStoreTheDocumentedTypesAndSizes) {
  CRegistry reg(HKEY_CURRENT_USER);
  ASSERT_TRUE(reg.CreateKey(kKey, true));
  EXPECT_TRUE(reg.SetStringValue("empty", ""));
  EXPECT_TRUE(reg.SetStringValue("utf8", std::string("Caf\xc3\xa9 \xe6\x97\xa5")));
  EXPECT_TRUE(reg.SetDwordValue("n", 5));

  DWORD type = 0;
  std::string bytes;
  ASSERT_TRUE(RegGetRaw(HKEY_CURRENT_USER, kKey, "empty", type, bytes));
  EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(bytes, std::string(1, '\0'));
  ASSERT_TRUE(RegGetRaw(HKEY_CURRENT_USER, kKey, "n", type, bytes));
  EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD));
  EXPECT_EQ(bytes.size(), 4u);

  std::string text;
  ASSERT_TRUE(reg.QueryStringValue("utf8", text));
  EXPECT_EQ(text, "Caf\xc3\xa9 \xe6\x97\xa5") << "the UTF-8 code page round-trips any text";

  EXPECT_TRUE(reg.DeleteValue("n"));
  EXPECT_FALSE(reg.DeleteValue("n"));
}

TEST_F(RegistryTest, ValueCursorVisitsEachValueOnceThenStartsOver) {
  CRegistry reg(HKEY_CURRENT_USER);
  ASSERT_TRUE(reg.CreateKey("Empty", true));
  std::string name = "untouched";
  DWORD type = 0;
  EXPECT_FALSE(reg.EnumValue(name, type));
  EXPECT_FALSE(reg.EnumValue(name, type)) << "cursor stayed at 0";
  EXPECT_EQ(name, "untouched");

  ASSERT_TRUE(reg.OpenRootKey(HKEY_CURRENT_USER));
  ASSERT_TRUE(reg.CreateKey("Software\\Three", true));
  ASSERT_TRUE(reg.SetStringValue("a", "1"));
  ASSERT_TRUE(reg.SetDwordValue("b", 2));
  ASSERT_TRUE(reg.SetStringValue("c", "3"));

  EXPECT_EQ(AllValueNames(reg), (std::vector<std::string>{"a", "b", "c"}));
  ASSERT_TRUE(reg.EnumValue(name, type)) << "a new loop starts at the first value";
  EXPECT_EQ(name, "a");
  EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
  ASSERT_TRUE(reg.EnumValue(name, type));
  EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD));

  // Reopening resets the cursor.
  ASSERT_TRUE(reg.OpenKey(HKEY_CURRENT_USER, "Software\\Three"));
  ASSERT_TRUE(reg.EnumValue(name, type));
  EXPECT_EQ(name, "a");
}

TEST_F(RegistryTest, LongValueNameDoesNotEndTheEnumeration) {
  const std::string longName(2000, 'n');
  ASSERT_TRUE(RegPutString(HKEY_CURRENT_USER, kKey, "first", "1"));
  ASSERT_TRUE(RegPutString(HKEY_CURRENT_USER, kKey, longName, "2"));
  ASSERT_TRUE(RegPutString(HKEY_CURRENT_USER, kKey, "last", "3"));
  CRegistry reg(HKEY_CURRENT_USER, kKey);
  std::vector<std::string> names = AllValueNames(reg);
  std::sort(names.begin(), names.end());  // the registry's own order is not ours to fix
  EXPECT_EQ(names, (std::vector<std::string>{"first", "last", longName}));
}

TEST_F(RegistryTest, SubKeyCursorFollowsTheSameRule) {
  CRegistry reg(HKEY_CURRENT_USER);
  ASSERT_TRUE(reg.CreateKey("Parent", true));
  std::string name;
  EXPECT_FALSE(reg.EnumSubKey(name));
  for (const char* child : {"one", "two", "three"}) ASSERT_TRUE(reg.CreateKey(child, false));

  std::vector<std::string> names;
  while (reg.EnumSubKey(name)) names.push_back(name);
  EXPECT_EQ(names.size(), 3u);
  ASSERT_TRUE(reg.EnumSubKey(name));
  EXPECT_EQ(name, names.front());
}

}  // namespace
