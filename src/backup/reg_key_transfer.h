#pragma once
// Saving a registry key into an export file and putting an export back, in this
// process: what the registry editor did as a child program, with the same files
// (an export the editor imports, and exports the editor wrote read back), but
// with every failure reported, and names the editor's command line could not
// carry handled like any other.

#include <windows.h>

#include <string>
#include <vector>

#include "backup/reg_export_file.h"

// Reads root\keyPath and everything below it: the key, then each subkey depth
// first, values and subkeys in the registry's own order (the order the editor
// exports them in). A trailing backslash of the path names the same key. False,
// with the reason, when any part cannot be read - a subkey the user may not read
// is a failure, not a gap - or when a name is no valid Unicode text.
bool ReadKeyTree(HKEY root, const std::string& keyPath, std::vector<RegKeyContents>& keys,
                 std::string& error);

// The export file's bytes of root\keyPath (WriteExportFile), and the keys as
// they were read for it. False, with the reason, when the key cannot be read or
// carried.
bool ExportKeyBytes(HKEY root, const std::string& keyPath, std::vector<RegKeyContents>& keys,
                    std::string& bytes, std::string& error);

// Writes the export file of root\keyPath (WriteExportFile), replacing a file of
// that name. False, with the reason, when the key cannot be read or carried, or
// the file cannot be written; then no file of that name is left.
bool ExportKeyToFile(HKEY root, const std::string& keyPath, const std::string& exportFile,
                     std::string& error);

// "" when the export file, read back with the strict reader, holds exactly the
// key as it is now; otherwise why not. The check before a key is deleted; what
// was read back is left in `exported` for further checks.
std::string ExportedKeyDifference(const std::string& exportFile, HKEY root,
                                  const std::string& keyPath, ExportContents* exported = nullptr);
// The same for an export's bytes as read back from where they were written,
// against the keys as they were read for it.
std::string ExportBytesDifference(const std::string& bytes, const std::vector<RegKeyContents>& keys,
                                  ExportContents* exported = nullptr);

// 8-bit exports read in the system's code page, as the registry editor reads
// them (not this program's, which is UTF-8).
CodePageDecoder SystemCodePageDecoder();

// Imports an export silently: reads it with the strict reader and, only when the
// whole file is readable and ImportRefusal passes for `confinementKey`, creates
// each key and writes each value with exactly the bytes read. Nothing is
// deleted. False, with the reason: nothing was written when the file was refused;
// the keys and values before a failed write stay written, as with the editor.
bool ImportExportFile(const std::string& fileBytes, const std::string& confinementKey,
                      std::string& error, const CodePageDecoder& decoder = SystemCodePageDecoder());
// The same for an export already read with the strict reader: writes exactly
// what was read, and nothing when ImportRefusal refuses it.
bool ImportExportContents(const ExportContents& contents, const std::string& confinementKey,
                          std::string& error);

// Writes sections an import was already checked for (ImportRefusal or a rule of
// the caller's): creates each key and writes each value with exactly its bytes.
// False, with the reason, at the first write that fails.
bool WriteExportSections(const std::vector<ExportSection>& sections, std::string& error);
