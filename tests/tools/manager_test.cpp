// The managers in-process under the null graphics driver: modeless, driven with
// SendMessage on the test's own thread, message boxes answered by a script.

#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>
#include <shlwapi.h>

#include <functional>
#include <memory>
#include <regex>
#include <set>

#include "backup/file_utils.h"
#include "manager_fixture.h"
#include "tools/manager_dialogs.h"

namespace {

struct DialogCase {
  const char* title;
  std::function<std::unique_ptr<ManagerDialog>()> make;
  std::function<Rows(const std::string&)> seed;
  const char* nameHeader;
  const char* introduction;
  int checkRow;               // the row the removal case checks
  const char* doneMessage;
  const char* exportFolder;   // "" when nothing is exported
  std::string removedKey;     // the key or value the removal deletes
};

std::vector<DialogCase> Cases() {
  return {
      {"Startup", [] { return std::make_unique<StartupManagerDialog>(nullptr); }, SeedStartup,
       "Program Name", kStartupIntroduction, 3, "Selected Registry Entries Deleted", "",
       "Machine"},
      {"BHO", [] { return std::make_unique<BhoManagerDialog>(nullptr); }, SeedBho, "BHO Name",
       kBhoIntroduction, 1, "Select BHOs Removed", "BHOBackup",
       std::string(kBhoKeyPath) + "\\{B2}"},
      {"AddRemove", [] { return std::make_unique<AddRemoveManagerDialog>(nullptr); },
       [](const std::string&) { return SeedUninstall(); }, "Name", kAddRemoveIntroduction, 1,
       "Selected Registry Entries Removed", "AddRemoveBackup",
       std::string(kUninstallKeyPath) + "\\OnlyUninstall"},
  };
}

std::string ColumnHeader(HWND hList, int column) {
  char text[128] = {};
  LVCOLUMNA info = {};
  info.mask = LVCF_TEXT;
  info.pszText = text;
  info.cchTextMax = sizeof(text);
  SendMessageA(hList, LVM_GETCOLUMNA, column, reinterpret_cast<LPARAM>(&info));
  return text;
}

bool Present(const DialogCase& c) {
  if (c.exportFolder[0] == '\0') {
    DWORD type = 0;
    std::string bytes;
    return RegGetRaw(HKEY_LOCAL_MACHINE, kRunKeyPath, c.removedKey, type, bytes);
  }
  return RegKeyExists(HKEY_LOCAL_MACHINE, c.removedKey);
}

TEST_F(ManagerTest, EachDialogListsItsEntriesAndRemovesTheCheckedOne) {
  for (const DialogCase& c : Cases()) {
    SCOPED_TRACE(c.title);
    const size_t shown = m_prompts.Texts().size();
    Rows expected = c.seed(m_folder.Path());
    std::unique_ptr<ManagerDialog> dialog = c.make();
    dialog->SetBackupFolder(m_folder / "Backup");
    ASSERT_TRUE(dialog->Create());
    HWND hList = dialog->Item(kManagerList);

    EXPECT_EQ(ItemText(dialog->Handle(), kManagerIntro), c.introduction);
    EXPECT_EQ(ColumnHeader(hList, 0), c.nameHeader);
    EXPECT_EQ(ColumnHeader(hList, 1), "File Name");
    EXPECT_EQ(SendMessageA(hList, LVM_GETCOLUMNWIDTH, 0, 0), 130);
    EXPECT_EQ(SendMessageA(hList, LVM_GETCOLUMNWIDTH, 1, 0), 400);
    EXPECT_EQ(SendMessageA(hList, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0), 36);
    EXPECT_EQ(ListRows(hList), expected);

    SendMessageA(dialog->Item(IDOK), BM_CLICK, 0, 0);  // nothing checked
    EXPECT_EQ(ListRows(hList), expected);

    ASSERT_TRUE(Present(c));
    CheckRow(hList, c.checkRow);
    SendMessageA(dialog->Item(IDOK), BM_CLICK, 0, 0);
    EXPECT_FALSE(Present(c));
    expected.erase(expected.begin() + c.checkRow);
    EXPECT_EQ(ListRows(hList), expected) << "the list is read again";
    const std::vector<std::string> texts = m_prompts.Texts();
    EXPECT_EQ(std::vector<std::string>(texts.begin() + shown, texts.end()),
              (std::vector<std::string>{kSelectFirstMessage, c.doneMessage}));
    if (c.exportFolder[0] == '\0') {
      EXPECT_TRUE(m_editor.calls.empty()) << "a Run value is deleted without an export";
    } else {
      ASSERT_EQ(m_editor.files.size(), 1u);
      EXPECT_EQ(m_editor.calls[0], ManagerExportArguments(m_editor.files[0], "HKEY_LOCAL_MACHINE",
                                                          c.removedKey));
      EXPECT_EQ(m_editor.files[0].rfind(m_folder / "Backup\\" + c.exportFolder + "\\", 0), 0u);
    }
    dialog->DestroyWindow();
    m_editor.calls.clear();
    m_editor.files.clear();
  }
}

TEST_F(ManagerTest, ThreeCheckedEntriesAreExportedAndDeletedInListOrder) {
  SeedUninstall();
  AddRemoveManagerDialog dialog(nullptr);
  dialog.SetBackupFolder(m_folder / "Backup");
  ASSERT_TRUE(dialog.Create());
  HWND hList = dialog.Item(kManagerList);
  for (int row : {0, 1, 3}) CheckRow(hList, row);
  SendMessageA(dialog.Item(IDOK), BM_CLICK, 0, 0);

  const std::string base = std::string(kUninstallKeyPath) + "\\";
  ASSERT_EQ(m_editor.calls.size(), 3u);
  const char* const keys[] = {"App1", "OnlyUninstall", "Zed"};
  const std::regex dated(R"(\d+,\d+,\d{4}_\d+,\d+,\d+(_\d+)?\.reg)");
  for (size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(m_editor.calls[i],
              ManagerExportArguments(m_editor.files[i], "HKEY_LOCAL_MACHINE", base + keys[i]));
    EXPECT_FALSE(RegKeyExists(HKEY_LOCAL_MACHINE, base + keys[i]));
    const std::string name = m_editor.files[i].substr(m_editor.files[i].rfind('\\') + 1);
    EXPECT_TRUE(std::regex_match(name, dated)) << name;
    EXPECT_TRUE(FileExists(m_editor.files[i])) << "no export replaced another";
  }
  EXPECT_EQ(std::set<std::string>(m_editor.files.begin(), m_editor.files.end()).size(), 3u);
  EXPECT_EQ(ListRows(hList), (Rows{{"Text Flag", ""}}));

  // An export that fails keeps its key, and the closing message says so.
  m_editor.failKeysWith = "TextFlag";
  CheckRow(hList, 0);
  SendMessageA(dialog.Item(IDOK), BM_CLICK, 0, 0);
  EXPECT_TRUE(RegKeyExists(HKEY_LOCAL_MACHINE, base + "TextFlag"));
  EXPECT_EQ(ListRows(hList), (Rows{{"Text Flag", ""}}));
  EXPECT_EQ(m_prompts.Texts(),
            (std::vector<std::string>{"Selected Registry Entries Removed",
                                      "Selected Registry Entries Removed\r\n\r\n1 entry could not "
                                      "be backed up and was kept in place."}));

  // No rows at all.
  dialog.DestroyWindow();
  SHDeleteKeyA(HKEY_LOCAL_MACHINE, kUninstallKeyPath);
  AddRemoveManagerDialog empty(nullptr);
  ASSERT_TRUE(empty.Create());
  ASSERT_EQ(SendMessageA(empty.Item(kManagerList), LVM_GETITEMCOUNT, 0, 0), 0);
  SendMessageA(empty.Item(IDOK), BM_CLICK, 0, 0);
  EXPECT_EQ(m_prompts.Texts().back(), kSelectFirstMessage);
}

TEST_F(ManagerTest, DetailsFollowTheRowThatBecomesSelectedAndFocused) {
  SeedStartup(m_folder.Path());
  StartupManagerDialog dialog(nullptr);
  ASSERT_TRUE(dialog.Create());
  HWND hList = dialog.Item(kManagerList);
  const int ids[] = {kDetailsCompany, kDetailsDescription, kDetailsFileName, kDetailsProductName};
  auto details = [&] {
    std::vector<std::string> texts;
    for (int id : ids) texts.push_back(ItemText(dialog.Handle(), id));
    return texts;
  };
  const std::vector<std::string> none(4);
  const std::vector<std::string> tool = {"Company 040904B0", "Description",
                                         "usinternal (Version : 1.2.3.4)",
                                         "US Product (Version : 5.6)"};
  EXPECT_EQ(details(), none);

  SetRowState(hList, 0, LVIS_SELECTED);  // selected, not focused
  EXPECT_EQ(details(), none);
  SetRowState(hList, 0, LVIS_SELECTED | LVIS_FOCUSED);  // the quoted .EXE with a switch
  EXPECT_EQ(details(), tool);
  CheckRow(hList, 0);  // the check box image changes the state, not the selection
  EXPECT_EQ(details(), tool);
  SetRowState(hList, 0, 0);
  EXPECT_EQ(details(), tool) << "deselection leaves the details";
  SetRowState(hList, 2, LVIS_SELECTED | LVIS_FOCUSED);  // binary value, no file
  EXPECT_EQ(details(), none);
  dialog.DestroyWindow();

  // The BHO manager looks its file up unchanged.
  SeedBho(m_folder.Path());
  BhoManagerDialog bho(nullptr);
  ASSERT_TRUE(bho.Create());
  SetRowState(bho.Item(kManagerList), 0, LVIS_SELECTED | LVIS_FOCUSED);
  EXPECT_EQ(ItemText(bho.Handle(), kDetailsFileName), "usinternal (Version : 1.2.3.4)");
}

TEST(ManagerExport, NamesCountUpWithinOneSecond) {
  const SYSTEMTIME time = {2009, 3, 0, 7, 9, 5, 0, 0};
  EXPECT_EQ(ManagerExportPath("C:\\B", time, 1), "C:\\B\\3,7,2009_9,5,0.reg");
  EXPECT_EQ(ManagerExportPath("C:\\B", time, 2), "C:\\B\\3,7,2009_9,5,0_2.reg");
}

// The real registry editor on real keys (it does not see the sandbox): the export
// a manager writes brings the key back, and nothing unsafe is deleted.
TEST(ManagerExport, RealEditorExportRestoresTheDeletedKey) {
  const std::string key = "Software\\QuillbaneTests\\managers-" +
                          std::to_string(GetCurrentProcessId()) + "-" +
                          std::to_string(GetTickCount());
  ASSERT_TRUE(RegPutString(HKEY_CURRENT_USER, key + "\\Entry\\Sub", "DisplayName", "Kept"));
  TempFolder folder;
  const ManagerRow row = {"", "", HKEY_CURRENT_USER, key + "\\Entry", ""};
  ASSERT_EQ(ExportAndDeleteKey(row, folder.Path()), EntryRemoval::kRemoved);
  EXPECT_FALSE(RegKeyExists(HKEY_CURRENT_USER, key + "\\Entry"));
  EXPECT_EQ(ExportAndDeleteKey(row, folder.Path()), EntryRemoval::kAlreadyGone);

  WIN32_FIND_DATAA found;
  HANDLE hFind = FindFirstFileA((folder / "*.reg").c_str(), &found);
  ASSERT_NE(hFind, INVALID_HANDLE_VALUE);
  FindClose(hFind);
  ASSERT_TRUE(CurrentRegistryEditor().Run(ImportArguments(folder.Path(), found.cFileName)));
  DWORD type = 0;
  std::string bytes;
  ASSERT_TRUE(RegGetRaw(HKEY_CURRENT_USER, key + "\\Entry\\Sub", "DisplayName", type, bytes));
  EXPECT_EQ(bytes, std::string("Kept", 5));

  // A path that names no subkey would take its parent along.
  const ManagerRow parent = {"", "", HKEY_CURRENT_USER, key + "\\", ""};
  EXPECT_EQ(ExportAndDeleteKey(parent, folder.Path()), EntryRemoval::kDeletionFailed);
  EXPECT_TRUE(RegKeyExists(HKEY_CURRENT_USER, key + "\\Entry"));
  SHDeleteKeyA(HKEY_CURRENT_USER, key.c_str());
}

}  // namespace
