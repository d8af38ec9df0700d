#include "core/registry.h"

#include <cstdlib>
#include <map>
#include <set>
#include <string>

#include <gtest/gtest.h>

#include "support/registry_sandbox.h"

namespace {

using RegistryTest = SandboxedTest;

const char* const kKey = "Software\\Vendor\\App";

TEST(RootKeyNames, ConvertOnlyTheThreeRootsTheProgramWorksWith) {
  const std::pair<HKEY, const char*> kNames[] = {
      {HKEY_CURRENT_USER, "HKEY_CURRENT_USER"}, {HKEY_LOCAL_MACHINE, "HKEY_LOCAL_MACHINE"},
      {HKEY_CLASSES_ROOT, "HKEY_CLASSES_ROOT"}, {HKEY_USERS, ""}, {nullptr, ""}};
  for (const auto& n : kNames) {
    EXPECT_EQ(RootKeyName(n.first), n.second);
    if (*n.second) {
      EXPECT_EQ(RootKeyFromName(n.second), n.first);
    }
  }
  for (const char* other : {"HKEY_LOCAL_MACHINE\\", "HKLM", "hkey_local_machine", "HKEY_USERS", "",
                            " HKEY_CURRENT_USER"}) {
    EXPECT_EQ(RootKeyFromName(other), nullptr) << other;
  }
}

// A read of a missing, damaged or differently typed value fails and leaves the output
// alone; text need not be terminated and stops at its first zero.
TEST_F(RegistryTest, TypedReadsTakeOnlyTheirOwnTypes) {
  const unsigned char shortDword[2] = {1, 0};
  const unsigned char junk[4] = {0xff, 0x00, 0x41, 0x10};  // the size of a DWORD
  ASSERT_TRUE(RegPutString(HKEY_CURRENT_USER, kKey, "text", "1"));
  ASSERT_TRUE(RegPutDword(HKEY_CURRENT_USER, kKey, "number", 0x01020304));
  ASSERT_TRUE(RegPutBytes(HKEY_CURRENT_USER, kKey, "short", REG_DWORD, shortDword, 2));
  ASSERT_TRUE(RegPutBytes(HKEY_CURRENT_USER, kKey, "binary", REG_BINARY, junk, 4));
  ASSERT_TRUE(RegPutBytes(HKEY_CURRENT_USER, kKey, "unterminated", REG_SZ, "abc", 3));
  ASSERT_TRUE(RegPutBytes(HKEY_CURRENT_USER, kKey, "embedded", REG_SZ, "ab\0cd", 6));
  ASSERT_TRUE(RegPutBytes(HKEY_CURRENT_USER, kKey, "empty", REG_SZ, "", 0));
  ASSERT_TRUE(RegPutString(HKEY_CURRENT_USER, kKey, "long", std::string(70000, 'x')));
  ASSERT_TRUE(RegPutString(HKEY_CURRENT_USER, kKey, "path", "%windir%\\Fonts", REG_EXPAND_SZ));
  ASSERT_TRUE(RegPutString(HKEY_CURRENT_USER, kKey, "plain", "%windir%\\Fonts"));
  ASSERT_NE(std::getenv("windir"), nullptr);

  CRegistry reg(HKEY_CURRENT_USER, kKey);
  const std::map<std::string, std::string> kTexts = {
      {"text", "1"}, {"unterminated", "abc"}, {"embedded", "ab"}, {"empty", ""},
      {"long", std::string(70000, 'x')}, {"plain", "%windir%\\Fonts"},
      {"path", std::string(std::getenv("windir")) + "\\Fonts"}};
  for (const char* name : {"text", "number", "short", "binary", "unterminated", "embedded",
                           "empty", "long", "path", "plain", "missing"}) {
    const auto text = kTexts.find(name);
    std::string read = "kept";
    EXPECT_EQ(reg.QueryStringValue(name, read), text != kTexts.end()) << name;
    EXPECT_EQ(read, text != kTexts.end() ? text->second : "kept") << name;
    DWORD number = 99;
    EXPECT_EQ(reg.QueryDwordValue(name, number), name == std::string("number")) << name;
    EXPECT_EQ(number, name == std::string("number") ? 0x01020304u : 99u) << name;
  }

  CRegistry closed;
  std::string text = "kept";
  DWORD type = 0;
  EXPECT_FALSE(closed.QueryStringValue("text", text) || closed.EnumValue(text, type) ||
               closed.OpenKey(HKEY_CURRENT_USER, "Does\\Not\\Exist"));
  EXPECT_EQ(text, "kept");
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
}

// Each cursor visits every entry once, a long name included, and a loop after the
// end starts over at the first.
TEST_F(RegistryTest, CursorsVisitEachEntryOnceThenStartOver) {
  CRegistry reg(HKEY_CURRENT_USER);
  ASSERT_TRUE(reg.CreateKey(kKey, true));
  std::string name = "untouched";
  DWORD type = 0;
  EXPECT_FALSE(reg.EnumValue(name, type));
  EXPECT_FALSE(reg.EnumSubKey(name));
  EXPECT_EQ(name, "untouched");

  const std::string longName(2000, 'n');
  ASSERT_TRUE(reg.SetStringValue("a", "1") && reg.SetDwordValue(longName, 2) &&
              reg.SetStringValue("c", "3"));
  for (const char* child : {"one", "two", "three"}) ASSERT_TRUE(reg.CreateKey(child, false));
  for (int pass = 0; pass < 2; ++pass) {
    std::map<std::string, DWORD> values;
    while (reg.EnumValue(name, type)) values[name] = type;
    EXPECT_EQ(values, (std::map<std::string, DWORD>{{"a", REG_SZ}, {longName, REG_DWORD}, {"c", REG_SZ}}));
    std::set<std::string> keys;
    while (reg.EnumSubKey(name)) keys.insert(name);
    EXPECT_EQ(keys, (std::set<std::string>{"one", "three", "two"}));
  }
}

}  // namespace
