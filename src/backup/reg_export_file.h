#pragma once
// Reading the registry editor's export files, and what may be handed to it. Pure
// text work, so it can be tested and fuzzed directly.
//
// An export file is UTF-16LE with a byte-order mark ("Windows Registry Editor
// Version 5.00") or 8-bit text ("REGEDIT4"); after the header come key sections,
// each a line "[<full key name>]" followed by its values.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// The file's text as UTF-8 (UTF-16 with its BOM converted, a UTF-8 BOM dropped,
// 8-bit text as it is); false for UTF-16 that is cut or holds a lone surrogate.
bool ExportFileText(const std::string& fileBytes, std::string& text);

// Strict conversions between UTF-16LE bytes and UTF-8: false for UTF-16 that is
// cut inside a unit or holds a lone surrogate, and for UTF-8 that is not well
// formed. Registry names may hold any 16-bit units; these say which ones a text
// of this program can carry.
bool Utf8FromUtf16Le(const char* data, size_t size, std::string& utf8);
bool Utf16LeFromUtf8(const std::string& utf8, std::string& utf16le);

// One value as the registry holds it.
struct RegValue {
  std::string name;   // UTF-8; "" is the key's default value ("@")
  uint32_t type = 0;  // REG_SZ 1, REG_EXPAND_SZ 2, REG_BINARY 3, ... or any other number
  std::string data;   // the value's bytes
};

// One key and its values; a key tree is the key, then every subkey depth first.
struct RegKeyContents {
  std::string keyName;  // full name (UTF-8): root name, "\", path
  std::vector<RegValue> values;
};

// One key section of an export, in file order, with the values it sets.
struct ExportSection : RegKeyContents {
  bool deletes = false;  // "[-...]": the import would delete the key
  size_t line = 0;       // 1-based
};

struct ExportContents {
  std::vector<ExportSection> sections;
  size_t valueDeletionLine = 0;  // first "name"=- line (the import deletes the value); 0 none
  // The first value whose bytes this reader cannot know for sure (an escape the
  // editors read differently, 8-bit text without its code page); 0 none. The
  // values are then incomplete, and nothing may be imported from them.
  size_t inexactLine = 0;
  std::string inexactReason;
};

// Turns 8-bit text of a "REGEDIT4" file into UTF-16LE as the registry editor
// would, in the system's code page; false when it cannot.
using CodePageDecoder = std::function<bool(const std::string& text, std::string& utf16le)>;

// Reads an export as the editor's import mode would, but strictly: the header
// line, then only blank lines, ";" comments, key sections starting their line,
// and value lines in the forms exports are written in (a quoted string, dword:,
// hex: or hex(n): with "\" continuation lines, "-" for a deletion). Anything
// else - a NUL, a lone CR (the editor takes it as a line break), an indented
// line that is no continuation (the editor takes an indented "[" as a section),
// a value before the first section, a control character or non-ASCII key name
// in 8-bit text whose meaning depends on the code page - makes the file
// unreadable: false, with the line and what is wrong in `error`. So every key an
// import could write is in `sections`.
//
// Each section's values are the bytes the import writes: a quoted string is its
// text in UTF-16LE with a terminating NUL (REG_SZ), dword: four bytes, hex(n):
// its bytes; in 8-bit files the quoted texts, non-ASCII names and hex(1),
// hex(2) and hex(7) data pass through `decoder` (without one only ASCII is sure).
bool ParseExportFile(const char* bytes, size_t size, ExportContents& contents,
                     std::string& error, const CodePageDecoder& decoder = nullptr);
bool ParseExportFile(const std::string& fileBytes, ExportContents& contents, std::string& error,
                     const CodePageDecoder& decoder = nullptr);
