#pragma once
// The system's registry editor, run as a child program. The program itself no
// longer runs it (backups, restores and the managers export and import keys in
// this process: reg_key_transfer.h); tests and the transfer benchmark run it to
// compare with it, and tests install a stand-in that catches any other use. It
// is always started by its full path in the Windows folder, never looked up
// through the search path, so a "regedit.exe" planted in the current or program
// folder is never run.

#include <string>

// "<Windows folder>\regedit.exe".
std::string RegistryEditorPath();

// The argument texts the callers pass (fixed formats).
// "/e \"%s\RegKeyBkup%d.reg\" \"%s\"": staging folder, export number, full key name.
std::string BackupExportArguments(const std::string& stagingFolder, int exportNumber,
                                  const std::string& fullKeyName);
// "/e \"%s\" \"%s\%s\" ": export file, root name, key path (ends with a blank).
std::string ManagerExportArguments(const std::string& exportFile, const std::string& rootName,
                                   const std::string& keyPath);
// " /S \"%s\%s\"": staging folder, export file name (begins with a blank).
std::string ImportArguments(const std::string& stagingFolder, const std::string& fileName);

// Runs the registry editor. Tests put a stand-in in its place: child programs do
// not see a test's private registry roots.
class RegistryEditor {
 public:
  virtual ~RegistryEditor() = default;
  // Runs the editor with an argument text and waits for it, at most two minutes.
  // True when it started and ended in time; its exit code says nothing (it is
  // always 0), so callers check the files and keys themselves.
  virtual bool Run(const std::string& arguments);
};

// The process-wide editor (the real one unless a test installed another).
RegistryEditor& CurrentRegistryEditor();
// Installs an editor (null restores the real one); returns the previous one.
RegistryEditor* SetRegistryEditor(RegistryEditor* editor);

// Exports a key for a manager or an archive and checks the result: any earlier
// file of that name is removed first, and the export counts only when the editor
// ended in time and left a file that is not empty. On failure no file stays.
bool ExportKeyChecked(const std::string& arguments, const std::string& exportFile);
