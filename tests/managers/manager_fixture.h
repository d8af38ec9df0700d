#pragma once
// Shared pieces of the manager tests: the version test libraries, registry seeds
// with the rows they must list, and a stand-in registry editor (the real one is a
// child program and does not see the test's private registry roots).

#include <windows.h>

#include <string>
#include <vector>

#include "backup/registry_editor.h"
#include "support/registry_sandbox.h"
#include "support/temp_folder.h"

// List rows as "column 0|column 1".
using Rows = std::vector<std::string>;

// Full path of a version test library ("version_us.dll", ...) written out for the run.
std::string TestLibrary(const std::string& name);

// Entries for each manager and the rows they must list, in order. The Startup and
// BHO seeds name copies of version_us.dll in `folder`.
Rows SeedStartup(const std::string& folder);
Rows SeedBho(const std::string& folder);
Rows SeedUninstall();

// Writes an export of the key as regedit does. For a key that contains
// `lateKeysWith` it is still running when the wait runs out; for one that contains
// `wrongKeysWith` it exports another key.
class FakeEditor : public RegistryEditor {
 public:
  FakeEditor() : m_pPrevious(SetRegistryEditor(this)) {}
  ~FakeEditor() override { SetRegistryEditor(m_pPrevious); }
  bool Run(const std::string& arguments) override;
  std::vector<std::string> calls, files;  // argument texts; export files written
  std::string lateKeysWith = "\x01", wrongKeysWith = "\x01";

 private:
  RegistryEditor* m_pPrevious;
};

class ManagerTest : public SandboxedTest {
 protected:
  TempFolder m_folder;
  FakeEditor m_editor;
};

Rows ListRows(HWND hList);
std::string ColumnHeader(HWND hList, int column);
void SetRowState(HWND hList, int index, UINT mask, UINT state);
std::string ItemText(HWND hDialog, int id);
