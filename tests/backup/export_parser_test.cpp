// The strict reader of the registry editor's export files, and the rules restore
// applies to what an archive asks it to write.

#include <gtest/gtest.h>

#include <random>

#include "backup/reg_export_file.h"
#include "backup/restore_rules.h"
#include "core/wide_text.h"
#include "support/guarded_buffer.h"

namespace {

std::string Utf16(const std::string& utf8) {
  const std::wstring wide = WideText(utf8);  // the program's code page is UTF-8
  return "\xFF\xFE" + std::string(reinterpret_cast<const char*>(wide.data()), wide.size() * 2);
}

// As Wine's regedit writes a key with every kind of value.
const std::string kKey = "HKEY_CURRENT_USER\\Software\\QbExp\\K]e[y \xc3\xa4\xe4\xb8\xad";
const std::string kGenuine =
    "Windows Registry Editor Version 5.00\r\n\r\n[" + kKey + "]\r\n@=\"def\"\r\n"
    "\"big\"=hex:00,01,02,03,04,05,06,07,08,09,0a,0b,0c,0d,0e,0f,10,11,12,13,14,15,16,\\\r\n"
    "  17,18,19,1a,1b,1c,1d,1e,1f,20\r\n\"dw\"=dword:00000007\r\n"
    "\"na\\\"me\\\\x\"=\"line1\\nline2\\r\\ttab\x1b \\\"q\\\" back\\\\slash\"\r\n"
    "\"none\"=hex(0):\r\n\"odd\"=hex(1234):00,01\r\n"
    "; a comment [HKEY_LOCAL_MACHINE\\SOFTWARE\\NotAKey]\r\n\r\n[" + kKey + "\\Sub]\r\n\r\n";

}  // namespace

// Forms the fuzzing below does not reach: the editor would write keys from them
// that no "[...]" line names, or read them in another code page.
TEST(ExportReader, RefusesWhatItCannotReadAsTheEditorDoes) {
  const std::string head = "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\Software\\A]\r\n";
  const std::string evil = "[HKEY_LOCAL_MACHINE\\SOFTWARE\\QbEvil]\r\n";
  for (const std::string& bytes : {
           Utf16(head + std::string("\"v\"=\"x\0\"\r\n", 9) + evil),  // a NUL
           Utf16(head + "\"v\"=hex:01,\\\r\n"),                       // cut inside hex data
           Utf16(head + "HKEY_LOCAL_MACHINE\\SOFTWARE\\QbEvil = x\r\n"),
           std::string("REGEDIT\r\nHKEY_CLASSES_ROOT\\QbEvil = x\r\n"),  // the oldest format
           Utf16(evil),                                                // no header
           std::string("REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\\x95\\]\r\n"),  // code page name
           Utf16(head + "\"v\"=str(2):\"x\"\r\n"),
           Utf16(head).substr(0, 41),  // cut inside a character
       }) {
    ExportContents contents;
    std::string error;
    EXPECT_FALSE(ParseExportFile(bytes, contents, error)) << bytes;
  }
}

// Mutated genuine exports, each against an unreadable page: the reader never reads
// past the data, and when it accepts a file, every line the editor would take as
// a key section (a "[" after any blanks) is among the sections it reports.
TEST(ExportReader, FuzzedExportsHideNoKeySection) {
  std::mt19937 random(4711);
  const char* const tokens[] = {"\r", "\n", "\r\n", "[", "]", "  ", "\\", "-", "\"", "\r\n  [X]",
                                "\r\n[HKEY_CURRENT_USER\\Software\\QbExp\\K]e[y \xc3\xa4\xe4\xb8\xad\\Z]"};
  int accepted = 0;
  for (int round = 0; round < 6000; ++round) {
    std::string text = kGenuine;
    for (int edits = 1 + static_cast<int>(random() % 3); edits > 0; --edits) {
      const size_t at = random() % (text.size() + 1);
      if (random() % 2) {
        text.insert(at, tokens[random() % (sizeof(tokens) / sizeof(tokens[0]))]);
      } else if (at < text.size()) {
        text[at] = static_cast<char>(random() % 128);
      }
    }
    std::string bytes = round % 4 == 0 ? text : Utf16(text);
    if (round % 5 == 0) bytes.resize(random() % (bytes.size() + 1));
    const GuardedBuffer buffer(std::vector<uint8_t>(bytes.begin(), bytes.end()));
    ExportContents contents;
    std::string error, decoded;
    if (!ParseExportFile(reinterpret_cast<const char*>(buffer.Data()), buffer.Size(), contents,
                         error)) {
      continue;
    }
    ++accepted;
    ASSERT_TRUE(ExportFileText(bytes, decoded));
    ASSERT_EQ(decoded.find("\r\n"), decoded.find('\r')) << round;  // no lone CR accepted
    size_t line = 0;
    for (size_t start = 0; start <= decoded.size(); ++line) {
      size_t end = decoded.find('\n', start);
      if (end == std::string::npos) end = decoded.size();
      const std::string text = decoded.substr(start, end - start);
      start = end + 1;
      const size_t first = text.find_first_not_of(" \t");
      if (first == std::string::npos || text[first] != '[') continue;
      bool reported = false;
      for (const ExportSection& section : contents.sections) reported |= section.line == line + 1;
      ASSERT_TRUE(reported) << round << ": line " << line + 1 << " " << text;
    }
  }
  EXPECT_GT(accepted, 300);  // the mutations must leave enough files to check
}

// The archive-level cases (keys outside, "..", siblings, deletions, values and
// files in the wrong places, other drives) are in the restore tests; these are the
// cases only a stand-in for the system can show, and the edges of the rules.
TEST(RestoreRules, EdgesOfTheKeyAndFileRules) {
  const std::string name = "HKEY_CURRENT_USER\\Software\\QbSafe";
  EXPECT_TRUE(KeyAtOrBelow("hkey_current_user\\SOFTWARE\\qbsafe\\Sub", name));
  EXPECT_FALSE(KeyAtOrBelow(name + "\\\\Sub", name));
  EXPECT_EQ(RegKeyRefusal("HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\QbGone"), "");
  EXPECT_NE(RegKeyRefusal("HKEY_LOCAL_MACHINE\\SOFTWARE"), "");  // a whole branch, never

  // Wine makes no junctions: the folders on the way are described by a stand-in.
  DestinationFacts facts;
  facts.isFixedDrive = [](char letter) { return letter == 'C'; };
  facts.folderState = [](const std::string& path) {
    if (path == "C:\\Junction") return FolderState::kLink;
    if (path == "C:\\File.txt") return FolderState::kOther;
    return path.compare(0, 7, "C:\\Gone") == 0 ? FolderState::kMissing : FolderState::kFolder;
  };
  const std::pair<const char*, const char*> cases[] = {
      {"C:\\Gone\\Deeper\\app.LNK", ""},  // its missing folders are made again
      {"C:\\Junction\\Startup\\app.lnk", "junction"},
      {"C:\\File.txt\\app.lnk", "not a folder"},
      {"\\\\server\\share\\app.lnk", "not a full path"},
      {"\\\\?\\C:\\Links\\app.lnk", "not a full path"},
      {"C:\\Links\\app.lnk:stream.lnk", "not a plain"},
      {"C:\\Links.\\app.lnk", "not a plain"},
  };
  for (const auto& c : cases) {
    const std::string refusal = FileRefusal(c.first, facts);
    EXPECT_EQ(*c.second == '\0', refusal.empty()) << c.first << ": " << refusal;
    EXPECT_NE(refusal.find(c.second), std::string::npos) << c.first << ": " << refusal;
  }
}
