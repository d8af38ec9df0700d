#pragma once
// Shared pieces of the manager tests: the version test libraries, a stand-in
// registry editor (the real one is a child program and would not see the test's
// private registry roots), and a fixture with its own backup folder.

#include <windows.h>

#include <string>
#include <utility>
#include <vector>

#include "backup/registry_editor.h"
#include "support/registry_sandbox.h"
#include "support/scripted_prompts.h"
#include "support/temp_folder.h"

// Full path of a version test library ("version_us.dll", ...) beside the tests.
std::string TestLibrary(const std::string& name);

// Writes "export of <key>" into the export file, unless the key contains
// `failKeysWith`: then it runs and writes nothing, as a failing regedit does.
class FakeEditor : public RegistryEditor {
 public:
  FakeEditor();
  ~FakeEditor() override;
  bool Run(const std::string& arguments) override;

  std::vector<std::string> calls;
  std::vector<std::string> files;  // export files written, in order
  std::string failKeysWith = "\x01";

 private:
  RegistryEditor* m_pPrevious;
};

using Rows = std::vector<std::pair<std::string, std::string>>;

// Registry entries for each manager, with the rows they must list, in order. The
// Startup and BHO seeds name copies of version_us.dll in `folder`.
Rows SeedStartup(const std::string& folder);
Rows SeedBho(const std::string& folder);
Rows SeedUninstall();

// A sandboxed registry, a stand-in registry editor and a folder for backups.
class SandboxWithEditor : public SandboxedTest {
 protected:
  TempFolder m_folder;
  FakeEditor m_editor;
};

// The same with the message boxes answered by a script.
class ManagerTest : public SandboxWithEditor {
 protected:
  ScriptedPrompts m_prompts;
};

// The rows of a list control as (column 0, column 1) texts.
Rows ListRows(HWND hList);
void CheckRow(HWND hList, int index);
void SetRowState(HWND hList, int index, UINT state);
std::string ItemText(HWND hDialog, int id);
