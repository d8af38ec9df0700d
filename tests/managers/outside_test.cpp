// Each manager run modally and driven from another thread as another process would
// drive it: found by its caption once on screen, clicked with posted messages, rows
// counted with LVM_GETITEMCOUNT, checked with the keyboard, real message boxes
// answered by clicking their buttons. Only the list's texts are read in-process.

#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <thread>

#include "framework/prompt.h"
#include "manager_fixture.h"
#include "managers/manager_dialogs.h"

namespace {

// Waits for it (up to 30 s: a loaded machine may take long to show a window).
HWND FindDialog(const std::string& caption) {
  for (int i = 0; i < 1200; ++i, Sleep(25)) {
    HWND hWnd = FindWindowA("#32770", caption.c_str());
    if (hWnd && IsWindowVisible(hWnd)) return hWnd;
  }
  return nullptr;
}

void Click(HWND hDialog, int id) { PostMessageA(GetDlgItem(hDialog, id), BM_CLICK, 0, 0); }

// Answers the application's next message box with its button; logs its text.
void Answer(int button, std::vector<std::string>& log) {
  HWND hBox = FindDialog(ApplicationTitle());
  if (!hBox) return;
  log.push_back(ItemText(hBox, 0xFFFF));  // the box's text
  Click(hBox, button);
  for (int i = 0; i < 200 && IsWindow(hBox); ++i) Sleep(25);
}

void Drive(const std::string& caption, std::vector<std::string>& log) {
  HWND hDialog = FindDialog(caption);
  HWND hList = GetDlgItem(hDialog, kManagerList);
  auto count = [&] { return std::to_string(SendMessageA(hList, LVM_GETITEMCOUNT, 0, 0)); };
  log = {ItemText(hDialog, kManagerIntro), ColumnHeader(hList, 0), ColumnHeader(hList, 1),
         std::to_string(SendMessageA(hList, LVM_GETCOLUMNWIDTH, 0, 0)),
         std::to_string(SendMessageA(hList, LVM_GETCOLUMNWIDTH, 1, 0)),
         std::to_string(SendMessageA(hList, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0)), count()};
  for (const std::string& row : ListRows(hList)) log.push_back(row);
  Click(hDialog, IDOK);  // nothing checked yet
  Answer(IDOK, log);
  for (UINT key : {VK_HOME, VK_SPACE}) {  // the first row selected and focused, then checked
    PostMessageA(hList, WM_KEYDOWN, key, 1);
    PostMessageA(hList, WM_KEYUP, key, 0xC0000001);
  }
  // Asked first: No keeps it, Yes removes it.
  for (int answer : {IDNO, IDYES}) {
    Click(hDialog, IDOK);
    Answer(answer, log);
    log.push_back(count());
  }
  Answer(IDOK, log);
  for (const std::string& row : ListRows(hList)) log.push_back(row);
  log.push_back(ItemText(hDialog, kDetailsFileName));
  // Whatever went wrong, end the modal run: an unanswered box would hang it.
  for (int i = 0; i < 100 && IsWindow(hDialog); ++i, Sleep(50)) {
    if (HWND hBox = FindWindowA("#32770", ApplicationTitle().c_str()))
      for (int button : {IDNO, IDOK}) Click(hBox, button);
    Click(hDialog, IDCANCEL);
  }
}

TEST_F(ManagerTest, EachManagerWorksDrivenFromOutside) {
  const struct {
    const char* caption;
    std::function<std::unique_ptr<ManagerDialog>()> make;
    Rows rows;
    std::vector<std::string> texts;  // intro, first header, closing message, detail
    const char* fileWidth;  // the rest of the list beside the name (and state), less a scroll bar
    const char* exportFolder;  // where the first row's entry is saved before it goes
  } cases[] = {
      {"Startup Programs Manager", [] { return std::make_unique<StartupManagerDialog>(nullptr); },
       SeedStartup(m_folder.Path()),
       {kStartupIntroduction, "Program Name", "Selected Registry Entries Deleted",
        "usinternal (Version : 1.2.3.4)"}, "328", "StartupBackup"},
      {"Browser Helper Object Manager", [] { return std::make_unique<BhoManagerDialog>(nullptr); },
       SeedBho(m_folder.Path()),
       {kBhoIntroduction, "BHO Name", "Select BHOs Removed", "usinternal (Version : 1.2.3.4)"},
       "398", "BHOBackup"},
      {"Add Remove Programs Manager",
       [] { return std::make_unique<AddRemoveManagerDialog>(nullptr); }, SeedUninstall(),
       {kAddRemoveIntroduction, "Name", "Selected Registry Entries Removed", ""}, "398",
       "AddRemoveBackup"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.caption);
    std::unique_ptr<ManagerDialog> dialog = c.make();
    dialog->SetBackupFolder(m_folder / "Backup");
    std::vector<std::string> log;
    std::thread driver(Drive, std::string(c.caption), std::ref(log));
    EXPECT_EQ(dialog->DoModal(), IDCANCEL);
    driver.join();

    const std::string n = std::to_string(c.rows.size());
    const std::string less = std::to_string(c.rows.size() - 1);
    std::vector<std::string> expected = {c.texts[0], c.texts[1], "File Name", "130", c.fileWidth, "36", n};
    expected.insert(expected.end(), c.rows.begin(), c.rows.end());
    expected.insert(expected.end(), {kSelectFirstMessage, "Remove 1 checked entry?", n,
                                     "Remove 1 checked entry?", less, c.texts[2]});
    expected.insert(expected.end(), c.rows.begin() + 1, c.rows.end());  // read again
    expected.push_back(c.texts[3]);
    EXPECT_EQ(log, expected);
    EXPECT_EQ(ExportsIn(m_folder / "Backup\\" + c.exportFolder).size(), 1u) << "saved before it went";
  }
}

}  // namespace
