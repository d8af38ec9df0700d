// Our export files and in-process import (the registry editor's own exports are
// compared with ours in tests/e2e/reg_differential_test.sh).

#include <gtest/gtest.h>

#include <functional>
#include <random>

#include "backup/file_utils.h"
#include "backup/reg_export_check.h"
#include "backup/reg_export_writer.h"
#include "backup/reg_key_transfer.h"
#include "support/guarded_buffer.h"
#include "support/registry_sandbox.h"
#include "support/temp_folder.h"

namespace {

const std::string kKey = "HKEY_CURRENT_USER\\Software\\QbTransfer";
const std::string kNul(2, '\0');

std::string W(const std::u16string& text) {
  return std::string(reinterpret_cast<const char*>(text.data()), text.size() * 2);
}

RegValue V(const std::string& name, uint32_t type, const std::string& data) { return {name, type, data}; }

// Values whose plain forms would lose something, and awkward names.
std::vector<RegKeyContents> Awkward() {
  return {{kKey,
           {V("", 1, W(u"d\\ \"q\"\t\x1b \u4e2d") + kNul), V("odd", 1, std::string("A\0B", 3)),
            V("no nul", 1, W(u"AB")), V("lines", 1, W(u"a\r\nb") + kNul),
            V("lone surrogate", 1, W(u"\xd800") + kNul), V("short", 4, "\x01\x02"),
            V("dw", 4, "\x01\x02\x03\x04"), V("q\"\\", 0x100, ""), V("=[x", 0xffffffff, std::string(300, 'x')),
            V("\xf0\x9f\x98\x80 \x01\\", 3, std::string(100, '\xa5')), V("multi", 7, W(u"a\0\0b\0\0"))}},
          {kKey + "\\ctl\x01\x7f \xe4\xb8\xad [x]\"", {}}};
}

std::string Written(const std::vector<RegKeyContents>& keys) {
  std::string bytes, refusal;
  EXPECT_TRUE(WriteExportFile(keys, bytes, refusal)) << refusal;
  return bytes;
}

ExportContents Read(const std::string& bytes, const CodePageDecoder& decoder = nullptr) {
  ExportContents contents;
  std::string error;
  EXPECT_TRUE(ParseExportFile(bytes, contents, error, decoder)) << error;
  return contents;
}

}  // namespace

TEST(ExportWriter, WhatItWritesReadsBackExactlyAndTheCheckSeesEveryChange) {
  const ExportContents exported = Read(Written(Awkward()));
  EXPECT_EQ(ExportDifference(exported, Awkward()), "");
  const std::function<void(std::vector<RegKeyContents>&)> changes[] = {
      [](auto& t) { t[0].values.pop_back(); },
      [](auto& t) { t[0].values.push_back(V("new", 1, kNul)); },
      [](auto& t) { t[0].values[1].type = 3; },
      [](auto& t) { t[0].values[1].data += '\0'; },
      [](auto& t) { t[0].values[1].name = "ODD"; },
      [](auto& t) { t.pop_back(); },
      [](auto& t) { t.push_back({kKey + "\\new", {}}); },
  };
  for (const auto& change : changes) {
    std::vector<RegKeyContents> live = Awkward();
    change(live);
    EXPECT_NE(ExportDifference(exported, live), "") << &change - changes;
  }
  // What no export file can carry is refused, never written differently.
  std::string bytes, refusal;
  for (const RegKeyContents& key : {RegKeyContents{kKey + "\\a\nb", {}}, {kKey + "\\\\x", {}},
                                    {kKey, {V("a\rb", 1, kNul)}}}) {
    EXPECT_FALSE(WriteExportFile({key}, bytes, refusal)) << key.keyName;
  }
}

// Exports the registry editor wrote: Wine's escapes of line breaks, and 8-bit
// files in the system's code page (Latin-1 here).
TEST(ExportReader, ReadsTheBytesTheEditorWouldWrite) {
  const CodePageDecoder latin1 = [](const std::string& text, std::string& wide) {
    wide.clear();
    for (char c : text) wide += {c, '\0'};
    return true;
  };
  const ExportContents read = Read("REGEDIT4\r\n\r\n[" + kKey + "]\r\n\"n\xe4me\"=\"a\\\"b\\r\\nc\xe4\"\r\n"
                                   "\"x\"=hex(2):41,e4,00\r\n\"b\"=hex:e4\r\n@=dword:0000000a\r\n", latin1);
  EXPECT_EQ(ExportDifference(read, {{kKey, {V("n\xc3\xa4me", 1, W(u"a\"b\r\nc\u00e4") + kNul),
                                            V("x", 2, W(u"A\u00e4") + kNul), V("b", 3, "\xe4"),
                                            V("", 4, std::string("\x0a\0\0\0", 4))}}}), "");
  EXPECT_NE(Read("REGEDIT4\r\n\r\n[" + kKey + "]\r\n\"v\"=\"\xe4\"\r\n").inexactLine, 0u);  // no code page
}

TEST(ExportImport, RefusesWritesOutsideItsKeyAndBytesItCannotBeSureOf) {
  const std::string head = "Windows Registry Editor Version 5.00\r\n\r\n[" + kKey + "]\r\n";
  const std::pair<std::string, bool> cases[] = {
      {head + "[" + kKey + "\\Sub\\Deeper]\r\n\"v\"=\"x\"\r\n", false},
      {head + "[HKEY_CURRENT_USER\\Software\\QbTransferX]\r\n", true},
      {head + "[" + kKey + "\\..\\Other]\r\n", true},
      {head + "[HKCU\\Software\\QbTransfer]\r\n", true},
      {head + "[-" + kKey + "\\Sub]\r\n", true},
      {head + "\"v\"=-\r\n", true},
      {head + "\"v\"=\"a\\tb\"\r\n", true},  // the editors read "\t" differently
  };
  for (const auto& c : cases) {
    std::string utf16;
    ASSERT_TRUE(Utf16LeFromUtf8(c.first, utf16));
    EXPECT_EQ(ImportRefusal(Read("\xFF\xFE" + utf16), kKey).empty(), !c.second) << c.first;
  }
}

class KeyTransferTest : public SandboxedTest {};

TEST_F(KeyTransferTest, TheRegistryGetsAndGivesExactlyTheBytes) {
  std::string error;
  ASSERT_TRUE(ImportExportFile(Written(Awkward()), kKey, error)) << error;
  TempFolder folder;
  const std::string file = folder / "key.reg";
  ASSERT_TRUE(ExportKeyToFile(HKEY_CURRENT_USER, "Software\\QbTransfer\\", file, error)) << error;
  std::string bytes;
  ASSERT_TRUE(ReadWholeFile(file, bytes));
  EXPECT_EQ(ExportDifference(Read(bytes), Awkward()), "");

  // The editor skips a subkey it may not read; an export that lacks it is no backup.
  ReadOnlyKey locked(HKEY_CURRENT_USER, "Software\\QbTransfer\\" + Awkward()[1].keyName.substr(kKey.size() + 1), "D:P");
  ASSERT_TRUE(locked.Applied());
  EXPECT_FALSE(ExportKeyToFile(HKEY_CURRENT_USER, "Software\\QbTransfer", file, error));
  EXPECT_FALSE(FileExists(file));
}

// Mutated exports, read against an unreadable page and imported for real: none
// writes anything outside the key it is confined to.
TEST_F(KeyTransferTest, FuzzedImportsWriteNothingOutsideTheirKey) {
  const std::string inside = kKey + "\\In";
  std::vector<RegKeyContents> tree = Awkward();
  for (RegKeyContents& key : tree) key.keyName.insert(kKey.size(), "\\In");
  tree[0].values.resize(6);  // mutations mostly land in the text, not in long hex data
  std::string genuine;
  Utf8FromUtf16Le(Written(tree).data() + 2, Written(tree).size() - 2, genuine);
  std::mt19937 random(2901);
  const char* const tokens[] = {"\r\n", "[", "]", "\\", "-", "\"", "=", "..\\", "\\\\", "\r\n[-",
                                "\r\n[HKEY_CURRENT_USER\\Software\\QbTransfer]\r\n\"v\"=\"x\"",
                                "\r\n[HKEY_CURRENT_USER\\Software\\QbTransfer\\Inx]", "\r\n@=-"};
  int imported = 0;
  for (int round = 0; round < 3000; ++round) {
    std::string text = genuine, bytes, error;
    for (int edits = 1 + static_cast<int>(random() % 2); edits > 0; --edits) {
      const size_t at = random() % (text.size() + 1);
      if (random() % 2) {
        text.insert(at, tokens[random() % (sizeof(tokens) / sizeof(tokens[0]))]);
      } else if (at < text.size()) {
        text[at] = static_cast<char>(random() % 128);
      }
    }
    if (!Utf16LeFromUtf8(text, bytes)) continue;
    bytes = "\xFF\xFE" + bytes;
    const GuardedBuffer buffer(std::vector<uint8_t>(bytes.begin(), bytes.end()));
    ExportContents contents;
    ParseExportFile(reinterpret_cast<const char*>(buffer.Data()), buffer.Size(), contents, error);
    imported += ImportExportFile(bytes, inside, error);
  }
  EXPECT_GT(imported, 200);
  std::vector<RegKeyContents> all;
  std::string error;
  ASSERT_TRUE(ReadKeyTree(HKEY_CURRENT_USER, "", all, error)) << error;
  for (const RegKeyContents& key : all) {
    const bool ancestor = inside.compare(0, key.keyName.size() + 1, key.keyName + "\\") == 0;
    EXPECT_TRUE((ancestor && key.values.empty()) || (key.keyName + "\\").find(inside + "\\") == 0) << key.keyName;
  }
}
