#pragma once
// Shared pieces of the manager tests: the version test libraries, registry seeds
// with the rows they must list, and Startup folders of the test's own.

#include <windows.h>

#include <string>
#include <vector>

#include "core/startup_approved.h"
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

// The exports a manager wrote into a folder (full paths, sorted).
std::vector<std::string> ExportsIn(const std::string& folder);

// Sandboxed roots, and Startup folders (empty) below a folder of the test's own.
class ManagerTest : public SandboxedTest {
 protected:
  void SetUp() override;
  void TearDown() override { SetStartupFoldersForTest(nullptr); }
  TempFolder m_folder;
  StartupFolders m_startup;
};

Rows ListRows(HWND hList);
std::string ColumnHeader(HWND hList, int column);
void SetRowState(HWND hList, int index, UINT mask, UINT state);
std::string ItemText(HWND hDialog, int id);
