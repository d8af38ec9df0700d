#include "support/registry_editor.h"

#include <windows.h>

#include "backup/file_utils.h"

std::string RegistryEditorPath() { return WindowsFolder() + "\\regedit.exe"; }

std::string BackupExportArguments(const std::string& stagingFolder, int exportNumber,
                                  const std::string& fullKeyName) {
  return "/e \"" + stagingFolder + "\\RegKeyBkup" + std::to_string(exportNumber) + ".reg\" \"" +
         fullKeyName + "\"";
}

std::string ImportArguments(const std::string& folder, const std::string& fileName) {
  return " /S \"" + folder + "\\" + fileName + "\"";
}

bool RunRegistryEditor(const std::string& arguments) {
  return RunProgramWaiting(RegistryEditorPath(), arguments) == RunOutcome::kFinished;
}

bool ExportKeyChecked(const std::string& arguments, const std::string& exportFile) {
  SetFileAttributesA(exportFile.c_str(), FILE_ATTRIBUTE_NORMAL);
  DeleteFileA(exportFile.c_str());
  if (FileExists(exportFile)) return false;
  if (RunRegistryEditor(arguments) && FileSize(exportFile) > 0) return true;
  // Still being written, or nothing useful: never let it pass for an export.
  DeleteFileA(exportFile.c_str());
  return false;
}
