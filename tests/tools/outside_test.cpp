// Each manager run modally and driven from another thread the way another process
// would drive it: found by its caption, clicked with posted messages, rows counted
// with LVM_GETITEMCOUNT, real message boxes answered by clicking their buttons.
// Only messages that carry no pointers are used.

#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "framework/prompt.h"
#include "manager_fixture.h"
#include "tools/manager_dialogs.h"

namespace {

constexpr int kMessageTextId = 0xFFFF;  // the text of a message box

// Polls for up to five seconds for a top-level dialog with the caption that is on
// screen: a modal dialog shows itself only once it is initialised, as a user sees it.
HWND FindDialog(const std::string& caption) {
  for (int i = 0; i < 200; ++i) {
    HWND hWnd = FindWindowA("#32770", caption.c_str());
    if (hWnd && IsWindowVisible(hWnd)) return hWnd;
    Sleep(25);
  }
  return nullptr;
}

bool WaitGone(const std::string& caption) {
  for (int i = 0; i < 200; ++i) {
    if (!FindWindowA("#32770", caption.c_str())) return true;
    Sleep(25);
  }
  return false;
}

void Click(HWND hDialog, int id) { PostMessageA(GetDlgItem(hDialog, id), BM_CLICK, 0, 0); }

int RowCount(HWND hDialog) {
  return static_cast<int>(SendMessageA(GetDlgItem(hDialog, kManagerList), LVM_GETITEMCOUNT, 0, 0));
}

void PressKey(HWND hWnd, UINT key) {
  PostMessageA(hWnd, WM_KEYDOWN, key, 1);
  PostMessageA(hWnd, WM_KEYUP, key, 0xC0000001);
}

// What the driver saw; checked on the test's thread.
struct Seen {
  std::vector<int> rowCounts;
  std::vector<std::string> boxes;
  std::string fileNameDetail;
  bool closed = false;
};

// Waits for the application's message box, reads its text and clicks OK.
bool AnswerBox(Seen& seen) {
  HWND hBox = FindDialog(ApplicationTitle());
  if (!hBox) return false;
  char text[512] = {};
  GetDlgItemTextA(hBox, kMessageTextId, text, sizeof(text));
  seen.boxes.push_back(text);
  Click(hBox, IDOK);
  return WaitGone(ApplicationTitle());
}

void Drive(const std::string& caption, Seen& seen) {
  HWND hDialog = FindDialog(caption);
  if (!hDialog) return;
  HWND hList = GetDlgItem(hDialog, kManagerList);
  seen.rowCounts.push_back(RowCount(hDialog));
  Click(hDialog, IDOK);  // nothing checked yet
  bool ok = AnswerBox(seen);
  PressKey(hList, VK_HOME);   // first row selected and focused
  PressKey(hList, VK_SPACE);  // and checked
  Click(hDialog, IDOK);
  ok = ok && AnswerBox(seen);
  char text[512] = {};
  GetDlgItemTextA(hDialog, kDetailsFileName, text, sizeof(text));
  seen.fileNameDetail = text;
  seen.rowCounts.push_back(RowCount(hDialog));
  if (ok) {
    Click(hDialog, IDCANCEL);
    seen.closed = WaitGone(caption);
  }
  // Whatever went wrong, the modal run must end: a box nobody answers would hang it.
  for (int i = 0; i < 100 && IsWindow(hDialog); ++i) {
    if (HWND hBox = FindWindowA("#32770", ApplicationTitle().c_str())) {
      PostMessageA(hBox, WM_COMMAND, IDOK, 0);
    }
    PostMessageA(hDialog, WM_COMMAND, IDCANCEL, 0);
    Sleep(50);
  }
}

class DrivenFromOutside : public SandboxWithEditor {};

TEST_F(DrivenFromOutside, EachManagerWorksWithPostedClicksAndRealMessageBoxes) {
  const struct {
    const char* caption;
    std::function<std::unique_ptr<ManagerDialog>()> make;
    size_t rows;
    const char* done;
    const char* detail;  // the first row's file name detail
  } cases[] = {
      {"Startup Programs Manager",
       [] { return std::make_unique<StartupManagerDialog>(nullptr); },
       SeedStartup(m_folder.Path()).size(), "Selected Registry Entries Deleted",
       "usinternal (Version : 1.2.3.4)"},
      {"Browser Helper Object Manager",
       [] { return std::make_unique<BhoManagerDialog>(nullptr); }, SeedBho(m_folder.Path()).size(),
       "Select BHOs Removed", "usinternal (Version : 1.2.3.4)"},
      {"Add Remove Programs Manager",
       [] { return std::make_unique<AddRemoveManagerDialog>(nullptr); }, SeedUninstall().size(),
       "Selected Registry Entries Removed", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.caption);
    std::unique_ptr<ManagerDialog> dialog = c.make();
    dialog->SetBackupFolder(m_folder / "Backup");
    Seen seen;
    std::thread driver(Drive, std::string(c.caption), std::ref(seen));
    const INT_PTR result = dialog->DoModal();
    driver.join();

    EXPECT_EQ(result, IDCANCEL);
    EXPECT_TRUE(seen.closed);
    EXPECT_EQ(seen.rowCounts, (std::vector<int>{static_cast<int>(c.rows), static_cast<int>(c.rows) - 1}));
    EXPECT_EQ(seen.boxes, (std::vector<std::string>{kSelectFirstMessage, c.done}));
    EXPECT_EQ(seen.fileNameDetail, c.detail);
  }
}

}  // namespace
