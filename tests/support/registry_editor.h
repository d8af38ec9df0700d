#pragma once
// The system's registry editor, run as a child program. The program itself never
// runs it (backups, restores and the managers export and import keys in-process);
// tests and the transfer benchmark run it to compare with it. It is started by its
// full path in the Windows folder, never looked up through the search path.

#include <string>

// "<Windows folder>\regedit.exe".
std::string RegistryEditorPath();

// The argument texts of an archive's export and of a silent import.
// "/e \"%s\RegKeyBkup%d.reg\" \"%s\"": staging folder, export number, full key name.
std::string BackupExportArguments(const std::string& stagingFolder, int exportNumber,
                                  const std::string& fullKeyName);
// " /S \"%s\%s\"": folder, export file name (begins with a blank).
std::string ImportArguments(const std::string& folder, const std::string& fileName);

// Runs the editor with an argument text and waits for it, at most two minutes.
// True when it started and ended in time; its exit code says nothing (always 0).
bool RunRegistryEditor(const std::string& arguments);

// Exports a key with the editor: any earlier file of that name is removed first,
// and the export counts only when the editor ended in time and left a file that
// is not empty. On failure no file stays.
bool ExportKeyChecked(const std::string& arguments, const std::string& exportFile);
