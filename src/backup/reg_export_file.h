#pragma once
// Reading the registry editor's export files, and what may be handed to it. Pure
// text work, so it can be tested and fuzzed directly.
//
// An export file is UTF-16LE with a byte-order mark ("Windows Registry Editor
// Version 5.00") or 8-bit text ("REGEDIT4"); after the header come key sections,
// each a line "[<full key name>]" followed by its values.

#include <cstddef>
#include <string>
#include <vector>

// The file's text as UTF-8 (UTF-16 with its BOM converted, a UTF-8 BOM dropped,
// 8-bit text as it is); false for UTF-16 that is cut or holds a lone surrogate.
bool ExportFileText(const std::string& fileBytes, std::string& text);

// The key name of the first key section ("[...]" line), without the brackets;
// false when the file has none.
bool FirstExportedKey(const std::string& fileBytes, std::string& keyName);

// True when the export is of exactly this key: its first key section names it
// (letter case of ASCII letters ignored, as the registry does). An export of
// another key, of a parent or of a key with a longer name is not.
bool ExportHoldsKey(const std::string& fileBytes, const std::string& fullKeyName);

// True when a full key name can be passed to the registry editor on its command
// line between double quotes and come out as the same name: no double quote (it
// would end the argument), no control character, no trailing backslash (it would
// escape the closing quote), and not empty.
bool KeyNameSafeForEditor(const std::string& fullKeyName);

// One key section of an export, in file order.
struct ExportSection {
  std::string keyName;  // between the brackets (UTF-8), without a deletion's "-"
  bool deletes = false; // "[-...]": the import would delete the key
  size_t line = 0;      // 1-based
};

struct ExportContents {
  std::vector<ExportSection> sections;
  size_t valueDeletionLine = 0;  // first "name"=- line (the import deletes the value); 0 none
};

// Reads an export as the editor's import mode would, but strictly: the header
// line, then only blank lines, ";" comments, key sections starting their line,
// and value lines in the forms exports are written in (a quoted string, dword:,
// hex: or hex(n): with "\" continuation lines, "-" for a deletion). Anything
// else - a NUL, a lone CR (the editor takes it as a line break), an indented
// line that is no continuation (the editor takes an indented "[" as a section),
// a value before the first section, a non-ASCII key name in 8-bit text whose
// meaning depends on the code page - makes the file unreadable: false, with the
// line and what is wrong in `error`. So every key an import could write is in
// `sections`.
bool ParseExportFile(const char* bytes, size_t size, ExportContents& contents,
                     std::string& error);
bool ParseExportFile(const std::string& fileBytes, ExportContents& contents, std::string& error);
