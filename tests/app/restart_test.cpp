// A scan that could not check sections for lack of rights: the window's end
// message offers to start the program again as administrator, and the program
// is started again only once its window has closed and its slot is gone.

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "app/instance_checker.h"
#include "app/settings_store.h"
#include "core/elevation.h"
#include "core/product.h"
#include "core/section_catalogue.h"
#include "window_fixture.h"

namespace {

const std::string kDenied =
    "Scan Complete\r\n\r\n1 section could not be checked: access to its keys was denied.";
const std::string kAdvice = " Running Quillbane as administrator checks it.";
const std::string kOffer = "\r\n\r\nRestart Quillbane as administrator now?";

class ElevationAs {
 public:
  explicit ElevationAs(int elevated) { SetElevationForTest(elevated); }
  ~ElevationAs() { SetElevationForTest(-1); }
};

}  // namespace

TEST_F(MainWindowTest, AnUncheckedSectionOffersARestartAsAdministratorWhenNotElevated) {
  Open();
  ReadOnlyKey readOnly(HKEY_LOCAL_MACHINE, kFontsKey);
  ASSERT_TRUE(readOnly.Applied());
  const struct {
    int elevated;
    bool answer;
    std::string shown;
    bool question;
  } cases[] = {
      {1, false, kDenied, false},                   // already elevated: nothing to offer
      {0, false, kDenied + kAdvice + kOffer, true},  // declined: the window stays
      {0, true, kDenied + kAdvice + kOffer, true},
  };
  for (const auto& c : cases) {
    ElevationAs elevation(c.elevated);
    if (c.question) m_prompts.Answer(c.answer);
    RunScan();
    if (!c.answer) {
      EXPECT_EQ("Access Denied", ProgressCell(0, 2));  // Installed Fonts, the first row
    }
    ASSERT_FALSE(m_prompts.Seen().empty());
    EXPECT_EQ(c.shown, m_prompts.Seen().back().text);
    EXPECT_EQ(c.question, m_prompts.Seen().back().question);
    EXPECT_EQ(c.answer, m_app.ElevatedRestartRequested());
    EXPECT_NE(c.answer, IsWindowVisible(Window()) != FALSE);
  }
}

namespace {

// The whole program run in-process: start-up, the modal window driven from
// another thread as a user's tool would, and what happens after it.
class ProgramRun : public SandboxedTest {
 protected:
  TempFolder m_folder;
  ScriptedPrompts m_prompts;
};

struct Driver {
  DWORD uiThread;
  std::atomic<HWND> window{nullptr};
};

BOOL CALLBACK FindMainWindow(HWND hWnd, LPARAM found) {
  char kind[16] = {};
  GetClassNameA(hWnd, kind, sizeof(kind));
  if (IsWindowVisible(hWnd) && std::string(kind) == "#32770" && GetDlgItem(hWnd, kScanButton)) {
    *reinterpret_cast<HWND*>(found) = hWnd;
    return FALSE;
  }
  return TRUE;
}

}  // namespace

TEST_F(ProgramRun, TheElevatedRestartStartsOnlyAfterTheWindowAndItsSlotAreGone) {
  InitSettingsKey();
  const SectionCatalogue catalogue;
  for (const ScanSection& section : catalogue.Sections()) {
    SaveSectionEnabled(section.sectionId, section.sectionId == kInstalledFonts);
  }
  ASSERT_TRUE(RegPutString(HKEY_CURRENT_USER, qb::kSettingsKeyPath, "LogFilePath", m_folder / "logs"));
  ASSERT_TRUE(RegPutString(HKEY_LOCAL_MACHINE, kFontsKey, "Qb Gone", "C:\\qbgone\\a.ttf"));
  ReadOnlyKey readOnly(HKEY_LOCAL_MACHINE, kFontsKey);
  ASSERT_TRUE(readOnly.Applied());
  ElevationAs elevation(0);
  m_prompts.Answer(true);

  CleanerApp app;
  int launches = 0;
  bool windowGone = false, slotGone = false;
  std::string program;
  HWND hMain = nullptr;
  app.SetElevatedLauncher([&](const std::string& path) {
    ++launches;
    program = path;
    windowGone = hMain != nullptr && !IsWindow(hMain);
    HANDLE hSlot = OpenFileMappingA(FILE_MAP_READ, FALSE, app.InstanceChecker().SlotName().c_str());
    slotGone = hSlot == nullptr;
    if (hSlot) CloseHandle(hSlot);
    return true;
  });

  const DWORD uiThread = GetCurrentThreadId();
  std::thread user([&] {
    HWND hFound = nullptr;
    for (int i = 0; i < 1000 && !hFound; ++i, Sleep(10)) {
      EnumThreadWindows(uiThread, FindMainWindow, reinterpret_cast<LPARAM>(&hFound));
    }
    if (!hFound) return;
    hMain = hFound;
    PostMessageA(hFound, WM_COMMAND, MAKEWPARAM(kNavScanNow, 0),
                 reinterpret_cast<LPARAM>(GetDlgItem(hFound, kNavScanNow)));
    PostMessageA(hFound, WM_COMMAND, MAKEWPARAM(kScanButton, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(hFound, kScanButton)));
    // Should the window not close itself, it must not hang the suite.
    for (int i = 0; i < 3000 && IsWindow(hFound); ++i) Sleep(10);
    if (IsWindow(hFound)) PostMessageA(hFound, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
  });
  app.Run();
  user.join();
  ReleaseInstanceSlot();

  ASSERT_NE(nullptr, hMain);
  EXPECT_EQ(1, launches);
  EXPECT_TRUE(windowGone);
  EXPECT_TRUE(slotGone);
  EXPECT_NE(std::string::npos, program.find("window_tests.exe"));
  EXPECT_EQ(kDenied + kAdvice + kOffer, m_prompts.Seen().back().text);
}
