#pragma once
// Writing a key's export file the way the registry editor writes it, so that the
// editor (a double-click on the file, or an earlier version of this program)
// imports it, and so that our strict reader gives back exactly the key. Pure text
// work: the registry is read elsewhere (reg_key_transfer.h).
//
// The file: UTF-16LE with a byte-order mark, CR LF line ends, the header
// "Windows Registry Editor Version 5.00", then for each key a blank line, its
// "[full name]" and its values, and a blank line at the end. A value is
// "name"= (or @= for the default value) followed by
//   - "text" for a REG_SZ that is plain text ending in its one NUL, with "\" and
//     "\"" escaped;
//   - dword:0000000a for a REG_DWORD of four bytes;
//   - hex: (REG_BINARY) or hex(N): (every other type, N in lower-case hex) and
//     the bytes, wrapped with ",\" once a line reaches 77 characters and
//     continued after two blanks.
// Any REG_SZ the quoted form would not give back byte for byte (a line break, a
// NUL inside or none at the end, an odd length, no valid Unicode) is written as
// hex(1):, which every editor reads back exactly.

#include <string>
#include <vector>

#include "backup/reg_export_file.h"

// The export file of a key tree (the key, then its subkeys depth first). False,
// with the reason, for a tree the file cannot carry: a key or value name with a
// line break (the editors disagree on how to write one), or a key name with an
// empty component.
bool WriteExportFile(const std::vector<RegKeyContents>& keys, std::string& fileBytes,
                     std::string& refusal);
