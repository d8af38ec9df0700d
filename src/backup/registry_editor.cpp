#include "backup/registry_editor.h"

#include <windows.h>

#include "backup/file_utils.h"

namespace {

RegistryEditor g_realEditor;
RegistryEditor* g_pEditor = nullptr;

}  // namespace

std::string RegistryEditorPath() { return WindowsFolder() + "\\regedit.exe"; }

std::string BackupExportArguments(const std::string& stagingFolder, int exportNumber,
                                  const std::string& fullKeyName) {
  return "/e \"" + stagingFolder + "\\RegKeyBkup" + std::to_string(exportNumber) + ".reg\" \"" +
         fullKeyName + "\"";
}

std::string ManagerExportArguments(const std::string& exportFile, const std::string& rootName,
                                   const std::string& keyPath) {
  return "/e \"" + exportFile + "\" \"" + rootName + "\\" + keyPath + "\" ";
}

std::string ImportArguments(const std::string& stagingFolder, const std::string& fileName) {
  return " /S \"" + stagingFolder + "\\" + fileName + "\"";
}

bool RegistryEditor::Run(const std::string& arguments) {
  return RunProgramWaiting(RegistryEditorPath(), arguments) == RunOutcome::kFinished;
}

RegistryEditor& CurrentRegistryEditor() { return g_pEditor ? *g_pEditor : g_realEditor; }

RegistryEditor* SetRegistryEditor(RegistryEditor* editor) {
  RegistryEditor* previous = g_pEditor;
  g_pEditor = editor;
  return previous;
}

bool ExportKeyChecked(const std::string& arguments, const std::string& exportFile) {
  SetFileAttributesA(exportFile.c_str(), FILE_ATTRIBUTE_NORMAL);
  DeleteFileA(exportFile.c_str());
  if (FileExists(exportFile)) return false;
  const bool finished = CurrentRegistryEditor().Run(arguments);
  if (finished && FileSize(exportFile) > 0) return true;
  // Still being written, or nothing useful: never let it pass for a backup.
  DeleteFileA(exportFile.c_str());
  return false;
}
