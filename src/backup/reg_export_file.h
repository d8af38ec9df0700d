#pragma once
// Reading the registry editor's export files, and what may be handed to it. Pure
// text work, so it can be tested and fuzzed directly.
//
// An export file is UTF-16LE with a byte-order mark ("Windows Registry Editor
// Version 5.00") or 8-bit text ("REGEDIT4"); after the header come key sections,
// each a line "[<full key name>]" followed by its values.

#include <string>

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
