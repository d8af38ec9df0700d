// The managers in-process and modeless under the null graphics driver, driven with
// SendMessage, message boxes answered by a script; and the real registry editor.

#include <windows.h>
#include <commctrl.h>
#include <shlwapi.h>

#include <gtest/gtest.h>

#include <regex>
#include <set>

#include "backup/file_utils.h"
#include "core/handles.h"
#include "support/scripted_prompts.h"
#include "core/registry_view.h"
#include "backup/reg_export_file.h"
#include "support/registry_editor.h"
#include "managers/manager_dialogs.h"
#include "manager_fixture.h"

namespace {

// Each checked key is exported by our exporter, read back, and only then
// deleted; a key its export cannot carry (a value name with a line break) stays.
TEST_F(ManagerTest, CheckedKeysAreExportedThenDeletedUnlessTheExportFails) {
  ScriptedPrompts prompts;
  SeedUninstall();
  const std::string base = std::string(kUninstallKeyPath) + "\\";
  ASSERT_TRUE(RegPutString(HKEY_LOCAL_MACHINE, base + "OnlyUninstall", "two\nlines", "x"));
  AddRemoveManagerDialog dialog(nullptr);
  dialog.SetBackupFolder(m_folder / "Backup");
  ASSERT_TRUE(dialog.Create());
  HWND hList = dialog.Item(kManagerList);
  for (int row : {0, 1, 3}) SetRowState(hList, row, LVIS_STATEIMAGEMASK, INDEXTOSTATEIMAGEMASK(2));
  prompts.Answer(true);
  SendMessageA(dialog.Item(IDOK), BM_CLICK, 0, 0);

  const char* const keys[] = {"App1", "OnlyUninstall", "Zed"};
  for (size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(RegKeyExists(HKEY_LOCAL_MACHINE, base + keys[i]), i == 1) << keys[i];
  }
  // Two exports in the same second: the second gets "_2" instead of replacing the first.
  const std::vector<std::string> files = ExportsIn(m_folder / "Backup\\AddRemoveBackup");
  ASSERT_EQ(files.size(), 2u);
  const std::regex dated(R"(.*\\AddRemoveBackup\\\d+,\d+,\d{4}_\d+,\d+,\d+(_\d+)?\.reg)");
  std::set<std::string> exported;
  for (const std::string& file : files) {
    EXPECT_TRUE(std::regex_match(file, dated)) << file;
    std::string bytes, error;
    ExportContents contents;
    ASSERT_TRUE(ReadFileBytes(file, bytes) && ParseExportFile(bytes, contents, error)) << error;
    exported.insert(contents.sections.at(0).keyName);
  }
  EXPECT_EQ(exported, (std::set<std::string>{"HKEY_LOCAL_MACHINE\\" + base + "App1",
                                             "HKEY_LOCAL_MACHINE\\" + base + "Zed"}));
  EXPECT_EQ(ListRows(hList), (Rows{"|u4.exe", "Text Flag|"}));
  EXPECT_EQ(prompts.Texts(), (std::vector<std::string>{"Remove 3 checked entries?",
                                                       "Selected Registry Entries Removed\r\n\r\n1 "
                                                       "entry could not be backed up and was kept in "
                                                       "place."}));
  dialog.DestroyWindow();
}

TEST_F(ManagerTest, DetailsChangeOnlyForARowThatBecomesSelectedAndFocused) {
  SeedStartup(m_folder.Path());
  StartupManagerDialog dialog(nullptr);
  ASSERT_TRUE(dialog.Create());
  HWND hList = dialog.Item(kManagerList);
  const UINT both = LVIS_SELECTED | LVIS_FOCUSED;
  auto company = [&] { return ItemText(dialog.Handle(), kDetailsCompany); };
  SetRowState(hList, 0, both, LVIS_SELECTED);
  EXPECT_EQ(company(), "") << "selected without focus";
  SetRowState(hList, 0, both, both);
  EXPECT_EQ(company(), "Company 040904B0");
  SetRowState(hList, 0, both, 0);
  EXPECT_EQ(company(), "Company 040904B0") << "deselection leaves the details";
  SetRowState(hList, 2, both, both);  // a binary value: no file, no version
  EXPECT_EQ(company(), "");
}

// A 32-bit program's entries (below Wow6432Node) are listed after the others with
// "(32-bit)" after their name, and their files are looked for where that program
// finds them: here only in SysWOW64, named through System32.
TEST_F(ManagerTest, ThirtyTwoBitEntriesAreListedAndTheirFilesFoundWhereTheirProgramLooks) {
  const std::string tag = std::to_string(GetCurrentProcessId());
  char windows[MAX_PATH] = {};
  GetWindowsDirectoryA(windows, MAX_PATH);
  const std::string named = std::string(windows) + "\\system32\\qbwow-" + tag;
  const std::string there = std::string(windows) + "\\syswow64\\qbwow-" + tag;
  struct Cleanup {
    std::string path;
    ~Cleanup() { DeleteFileA((path + ".exe").c_str()); DeleteFileA((path + ".dll").c_str()); }
  } cleanup{there};
  for (const char* extension : {".exe", ".dll"})
    ASSERT_TRUE(CopyFileA(TestLibrary("version_us.dll").c_str(), (there + extension).c_str(), FALSE));
  const std::string run32 = "SOFTWARE\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\Run";
  const std::string bho32 = Wow64KeyPath(kBhoKeyPath, false) + "\\{B32}";
  const std::string uninstall32 = Wow64KeyPath(kUninstallKeyPath, false);
  RegPutString(HKEY_LOCAL_MACHINE, kRunKeyPath, "Native", "C:\\n.exe");
  RegPutString(HKEY_LOCAL_MACHINE, run32, "Wow", "\"" + named + ".exe\" /tray");
  RegPutString(HKEY_LOCAL_MACHINE, bho32, "x", "");
  RegPutString(HKEY_CLASSES_ROOT, "Wow6432Node\\CLSID\\{B32}", "", "Wow Helper");
  RegPutString(HKEY_CLASSES_ROOT, "Wow6432Node\\CLSID\\{B32}\\InProcServer32", "", named + ".dll");
  RegPutString(HKEY_LOCAL_MACHINE, uninstall32 + "\\Wow", "DisplayName", "Wow App");
  RegPutString(HKEY_LOCAL_MACHINE, uninstall32 + "\\Bare", "UninstallString", "u.exe");

  StartupManagerDialog startup(nullptr);
  BhoManagerDialog bho(nullptr);
  AddRemoveManagerDialog addRemove(nullptr);
  ASSERT_TRUE(startup.Create() && bho.Create() && addRemove.Create());
  const Rows uninstallRows = ListRows(addRemove.Item(kManagerList));
  EXPECT_EQ(std::set<std::string>(uninstallRows.begin(), uninstallRows.end()),
            (std::set<std::string>{"Wow App (32-bit)|", "(32-bit)|u.exe"}));
  EXPECT_EQ(ListRows(startup.Item(kManagerList)),
            (Rows{"Native|C:\\n.exe", "Wow (32-bit)|\"" + named + ".exe\" /tray"}));
  EXPECT_EQ(ListRows(bho.Item(kManagerList)), (Rows{"Wow Helper (32-bit)|" + named + ".dll"}));
  const UINT both = LVIS_SELECTED | LVIS_FOCUSED;
  SetRowState(startup.Item(kManagerList), 1, both, both);
  SetRowState(bho.Item(kManagerList), 0, both, both);
  EXPECT_EQ(ItemText(startup.Handle(), kDetailsCompany), "Company 040904B0");
  EXPECT_EQ(ItemText(bho.Handle(), kDetailsCompany), "Company 040904B0");
  ManagerDialog* const dialogs[] = {&startup, &bho, &addRemove};
  for (ManagerDialog* dialog : dialogs) dialog->DestroyWindow();
}

// The real registry editor on real keys (it does not see the sandbox): the export
// a manager writes brings the deleted key back, and nothing unsafe is deleted.
TEST(ManagerExport, RealEditorExportRestoresTheDeletedKey) {
  const std::string key = "Software\\QuillbaneTests\\managers-" + std::to_string(GetCurrentProcessId()) + "-" +
                          std::to_string(GetTickCount());
  ASSERT_TRUE(RegPutString(HKEY_CURRENT_USER, key + "\\Entry\\Sub", "DisplayName", "Kept"));
  TempFolder folder;
  const ManagerRow row = {"", "", HKEY_CURRENT_USER, key + "\\Entry", ""};
  ASSERT_EQ(ExportAndDeleteKey(row, folder.Path()), EntryRemoval::kRemoved);
  EXPECT_FALSE(RegKeyExists(HKEY_CURRENT_USER, key + "\\Entry"));
  EXPECT_EQ(ExportAndDeleteKey(row, folder.Path()), EntryRemoval::kAlreadyGone);

  WIN32_FIND_DATAA found;
  ASSERT_TRUE(FindHandle(FindFirstFileA((folder / "*.reg").c_str(), &found)));
  ASSERT_TRUE(RunRegistryEditor(ImportArguments(folder.Path(), found.cFileName)));
  EXPECT_TRUE(RegKeyExists(HKEY_CURRENT_USER, key + "\\Entry\\Sub"));

  // A path that names no subkey would take its parent along.
  const ManagerRow parent = {"", "", HKEY_CURRENT_USER, key + "\\", ""};
  EXPECT_EQ(ExportAndDeleteKey(parent, folder.Path()), EntryRemoval::kDeletionFailed);
  EXPECT_TRUE(RegKeyExists(HKEY_CURRENT_USER, key + "\\Entry"));
  SHDeleteKeyA(HKEY_CURRENT_USER, key.c_str());
}

}  // namespace
