// The strict reader of the registry editor's export files, and the rules restore
// applies to what an archive asks it to write.

#include <gtest/gtest.h>

#include <random>

#include "backup/reg_export_file.h"
#include "backup/restore_rules.h"
#include "support/guarded_buffer.h"

namespace {

std::string Utf16(const std::string& utf8) {
  std::string bytes = "\xFF\xFE";
  for (size_t i = 0; i < utf8.size(); ++i) {
    unsigned code = static_cast<unsigned char>(utf8[i]);
    if (code >= 0xE0) {  // three-byte sequences are all these tests use
      code = ((code & 0x0F) << 12) | ((utf8[i + 1] & 0x3F) << 6) | (utf8[i + 2] & 0x3F);
      i += 2;
    } else if (code >= 0xC0) {
      code = ((code & 0x1F) << 6) | (utf8[i + 1] & 0x3F);
      i += 1;
    }
    bytes += static_cast<char>(code & 0xFF);
    bytes += static_cast<char>(code >> 8);
  }
  return bytes;
}

// As Wine's regedit writes a key with every kind of value.
const std::string kGenuine =
    "Windows Registry Editor Version 5.00\r\n\r\n"
    "[HKEY_CURRENT_USER\\Software\\QbExp\\K]e[y \xc3\xa4\xe4\xb8\xad]\r\n"
    "@=\"def\"\r\n"
    "\"big\"=hex:00,01,02,03,04,05,06,07,08,09,0a,0b,0c,0d,0e,0f,10,11,12,13,14,15,16,\\\r\n"
    "  17,18,19,1a,1b,1c,1d,1e,1f,20\r\n"
    "\"dw\"=dword:00000007\r\n"
    "\"exp\"=hex(2):25,00,54,00,00,00\r\n"
    "\"na\\\"me\\\\x\"=\"line1\\nline2\\r\\ttab\x1b esc \\\"q\\\" back\\\\slash\"\r\n"
    "\"none\"=hex(0):\r\n"
    "\"odd\"=hex(1234):00,01,02,03,04\r\n"
    "; a comment [HKEY_LOCAL_MACHINE\\SOFTWARE\\NotAKey]\r\n"
    "\r\n"
    "[HKEY_CURRENT_USER\\Software\\QbExp\\K]e[y \xc3\xa4\xe4\xb8\xad\\Sub]\r\n\r\n";

std::vector<std::string> SectionNames(const ExportContents& contents) {
  std::vector<std::string> names;
  for (const ExportSection& s : contents.sections) names.push_back((s.deletes ? "-" : "") + s.keyName);
  return names;
}

}  // namespace

TEST(ExportReader, ReadsWhatTheEditorWritesInBothEncodings) {
  ExportContents contents;
  std::string error;
  ASSERT_TRUE(ParseExportFile(Utf16(kGenuine), contents, error)) << error;
  const std::string key = "HKEY_CURRENT_USER\\Software\\QbExp\\K]e[y \xc3\xa4\xe4\xb8\xad";
  EXPECT_EQ(SectionNames(contents), (std::vector<std::string>{key, key + "\\Sub"}));
  EXPECT_EQ(contents.sections[1].line, 14u);
  EXPECT_EQ(contents.valueDeletionLine, 0u);

  const std::string ansi =
      "REGEDIT4\n\n[HKEY_CLASSES_ROOT\\.qb]\n@=\"qbfile\"\n\"x\"=-\n[-HKEY_CLASSES_ROOT\\.qb\\Old]\n";
  ASSERT_TRUE(ParseExportFile(ansi, contents, error)) << error;
  EXPECT_EQ(SectionNames(contents),
            (std::vector<std::string>{"HKEY_CLASSES_ROOT\\.qb", "-HKEY_CLASSES_ROOT\\.qb\\Old"}));
  EXPECT_EQ(contents.valueDeletionLine, 5u);
}

// Whatever the editor might read as a key this reader does not see is refused:
// the whole file is then unreadable.
TEST(ExportReader, RefusesWhatItCannotReadAsTheEditorDoes) {
  const std::string head = "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\Software\\A]\r\n";
  const std::string evil = "[HKEY_LOCAL_MACHINE\\SOFTWARE\\QbEvil]\r\n";
  const struct {
    const char* what;
    std::string bytes;
  } cases[] = {
      {"lone CR", Utf16(head + "\"v\"=\"x\"\r" + evil)},
      {"NUL", Utf16(head + "\"v\"=\"x\0\"\r\n" + evil)},
      {"indented section", Utf16(head + "  " + evil)},
      {"section in hex continuation", Utf16(head + "\"v\"=hex:01,\\\r\n" + evil)},
      {"ends in continuation", Utf16(head + "\"v\"=hex:01,\\\r\n")},
      {"junk after continuation", Utf16(head + "\"v\"=hex:01,\\ \r\n  02\r\n")},
      {"value before a key", Utf16("Windows Registry Editor Version 5.00\r\n\"v\"=\"x\"\r\n")},
      {"other line", Utf16(head + "HKEY_LOCAL_MACHINE\\SOFTWARE\\QbEvil = x\r\n")},
      {"old header", "REGEDIT\r\nHKEY_CLASSES_ROOT\\QbEvil = x\r\n"},
      {"UTF-8 BOM", "\xEF\xBB\xBF" "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\A]\r\n"},
      {"code page key name", "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\\x95\\]\r\n"},
      {"cut UTF-16", Utf16(head).substr(0, 41)},
      {"section with a tail", Utf16(head + "[HKEY_CURRENT_USER\\Software\\A\\B] x\r\n")},
      {"blank key name", Utf16(head + "[ HKEY_LOCAL_MACHINE\\SOFTWARE\\QbEvil]\r\n")},
      {"string with a tail", Utf16(head + "\"v\"=\"x\"y\r\n")},
      {"str(2) form", Utf16(head + "\"v\"=str(2):\"x\"\r\n")},
      {"long dword", Utf16(head + "\"v\"=dword:000000001\r\n")},
  };
  for (const auto& c : cases) {
    ExportContents contents;
    std::string error;
    EXPECT_FALSE(ParseExportFile(c.bytes, contents, error)) << c.what;
    EXPECT_NE(error.find("line "), std::string::npos) << c.what;
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
    size_t line = 0, start = 0;
    while (start <= decoded.size()) {
      size_t end = decoded.find_first_of("\r\n", start);
      if (end == std::string::npos) end = decoded.size();
      ++line;
      const std::string text = decoded.substr(start, end - start);
      const size_t first = text.find_first_not_of(" \t");
      if (first != std::string::npos && text[first] == '[') {
        bool reported = false;
        for (const ExportSection& section : contents.sections) reported |= section.line == line;
        ASSERT_TRUE(reported) << round << ": line " << line << " " << text;
      }
      if (end + 1 < decoded.size() && decoded[end] == '\r') {
        ASSERT_EQ(decoded[end + 1], '\n') << round;  // a lone CR is never accepted
        ++end;
      }
      start = end + 1;
    }
  }
  EXPECT_GT(accepted, 300);  // the mutations must leave enough files to check
}

TEST(RestoreRules, KeysAreComparedByWholeComponents) {
  const std::string name = "HKEY_CURRENT_USER\\Software\\QbSafe";
  const struct {
    std::string key;
    bool below;
  } cases[] = {
      {name, true},
      {"hkey_current_user\\SOFTWARE\\qbsafe\\Sub\\Deeper", true},
      {name + "X", false},
      {name + "\\..\\Other", false},
      {name + "\\.\\Sub", false},
      {name + "\\\\Sub", false},
      {name + "\\", false},
      {"HKEY_CURRENT_USER\\Software", false},
      {"HKEY_LOCAL_MACHINE\\Software\\QbSafe", false},
  };
  for (const auto& c : cases) EXPECT_EQ(KeyAtOrBelow(c.key, name), c.below) << c.key;
}

TEST(RestoreRules, RegistryRecordsOnlyWhereTheScannersFindThem) {
  for (const char* allowed :
       {"HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Fonts",
        "HKEY_CURRENT_USER\\Control Panel\\Sounds", "HKEY_CLASSES_ROOT\\.qb",
        "HKEY_CURRENT_USER\\Software"}) {
    EXPECT_EQ(RegValueRefusal(allowed), "") << allowed;
  }
  for (const char* refused :
       {"HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\QbEvil",
        "HKEY_CURRENT_USER\\Control Panel\\Desktop", "HKEY_USERS\\.DEFAULT\\Software",
        "HKEY_CURRENT_USER\\Software\\..\\Environment"}) {
    EXPECT_NE(RegValueRefusal(refused), "") << refused;
  }
  EXPECT_EQ(RegKeyRefusal("HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\QbGone"), "");
  EXPECT_EQ(RegKeyRefusal("HKEY_CLASSES_ROOT\\.qb"), "");
  EXPECT_NE(RegKeyRefusal("HKEY_LOCAL_MACHINE\\SOFTWARE"), "");  // a whole branch, never
  EXPECT_NE(RegKeyRefusal("HKEY_LOCAL_MACHINE\\SYSTEM\\Setup"), "");
}

// The folders on a destination's way, as the system would describe them: the
// drive letters and folders a test names are stood in for here.
TEST(RestoreRules, FilesOnlyAsShortcutsOnPlainLocalPaths) {
  DestinationFacts facts;
  facts.isFixedDrive = [](char letter) { return letter == 'C'; };
  facts.folderState = [](const std::string& path) {
    if (path == "C:\\Junction") return FolderState::kLink;
    if (path == "C:\\File.txt") return FolderState::kOther;
    if (path.compare(0, 9, "C:\\Gone") == 0) return FolderState::kMissing;
    return FolderState::kFolder;
  };
  facts.exists = [](const std::string& path) { return path == "C:\\Links\\there.lnk"; };
  const struct {
    const char* path;
    const char* refusal;  // a part of the reason; "" none
  } cases[] = {
      {"C:\\Links\\app.lnk", ""},
      {"C:\\Gone\\Deeper\\app.LNK", ""},  // the copy fails later, as it always did
      {"C:\\windows\\qbevil.txt", "not a shortcut"},
      {"C:\\windows\\system32\\evil.dll", "not a shortcut"},
      {"C:\\Links\\there.lnk", "already there"},
      {"D:\\app.lnk", "not on a local fixed drive"},
      {"\\\\server\\share\\app.lnk", "not a full path"},
      {"Links\\app.lnk", "not a full path"},
      {"\\\\?\\C:\\Links\\app.lnk", "not a full path"},
      {"C:\\Junction\\Startup\\app.lnk", "junction"},
      {"C:\\File.txt\\app.lnk", "not a folder"},
      {"C:\\Links\\..\\Windows\\app.lnk", "not a plain"},
      {"C:\\Links\\app.lnk:stream.lnk", "not a plain"},
      {"C:\\Links.\\app.lnk", "not a plain"},
  };
  for (const auto& c : cases) {
    const std::string refusal = FileRefusal(c.path, facts, true);
    if (*c.refusal == '\0') {
      EXPECT_EQ(refusal, "") << c.path;
    } else {
      EXPECT_NE(refusal.find(c.refusal), std::string::npos) << c.path << ": " << refusal;
    }
  }
  EXPECT_EQ(FileRefusal("C:\\Links\\there.lnk", facts, false), "");
}
