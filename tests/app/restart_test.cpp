// A scan that could not check sections for lack of rights: the window's end
// message offers to start the program again as administrator, and the program
// is started again only once its window has closed and its slot is gone.

#include <gtest/gtest.h>

#include <thread>

#include "app/instance_checker.h"
#include "app/settings_store.h"
#include "core/elevation.h"
#include "core/product.h"
#include "scan/section_registry.h"
#include "window_fixture.h"

namespace {

const std::string kDenied =
    "Scan Complete\r\n\r\n1 section could not be checked: access to its keys was denied.";
const std::string kOffer = kDenied + " Running Quillbane as administrator checks it.\r\n\r\n"
                                     "Restart Quillbane as administrator now?";

struct ElevationAs {
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
    bool answer;  // to the offer, when it comes
  } cases[] = {{1, false}, {0, false}, {0, true}};
  for (const auto& c : cases) {
    ElevationAs elevation(c.elevated);
    if (!c.elevated) m_prompts.Answer(c.answer);
    RunScan();
    EXPECT_EQ(c.elevated ? kDenied : kOffer, m_prompts.Seen().back().text);
    EXPECT_EQ(!c.elevated, m_prompts.Seen().back().question);
    EXPECT_EQ(c.answer, m_app.ElevatedRestartRequested());
    EXPECT_NE(c.answer, IsWindowVisible(Window()) != FALSE);  // Yes closes the window
    if (!c.answer) {
      EXPECT_EQ("Access Denied", ProgressCell(0, 2));  // Installed Fonts
    }
  }
}

namespace {

BOOL CALLBACK FindMainWindow(HWND hWnd, LPARAM found) {
  if (!IsWindowVisible(hWnd) || !GetDlgItem(hWnd, kScanButton)) return TRUE;
  *reinterpret_cast<HWND*>(found) = hWnd;
  return FALSE;
}

}  // namespace

// The whole program in-process: start-up, the modal window driven from another
// thread as a user's tool would (posted clicks, the offer answered Yes), and what
// happens after the window.
TEST_F(MainWindowTest, TheElevatedRestartStartsOnlyAfterTheWindowAndItsSlotAreGone) {
  InitSettingsKey();
  const SectionCatalogue catalogue(RegisteredSections());
  for (const ScanSection& s : catalogue.Sections()) SaveSectionEnabled(s.sectionId, s.sectionId == 3);
  ASSERT_TRUE(RegPutString(HKEY_CURRENT_USER, qb::kSettingsKeyPath, "LogFilePath", m_folder / "logs"));
  ASSERT_TRUE(RegPutString(HKEY_LOCAL_MACHINE, kFontsKey, "Qb Gone", "C:\\qbgone\\a.ttf"));
  ReadOnlyKey readOnly(HKEY_LOCAL_MACHINE, kFontsKey);
  ElevationAs elevation(0);
  m_prompts.Answer(true);

  CleanerApp app;
  HWND hMain = nullptr;
  std::vector<std::string> launched;  // program, then what was left of this instance
  app.SetElevatedLauncher([&](const std::string& program) {
    const KernelHandle slot(OpenFileMappingA(FILE_MAP_READ, FALSE, app.InstanceChecker().SlotName().c_str()));
    launched = {program, IsWindow(hMain) ? "window" : "", slot ? "slot" : ""};
    return true;
  });
  const DWORD uiThread = GetCurrentThreadId();
  std::thread user([&] {
    HWND hFound = nullptr;
    for (int i = 0; i < 1000 && !hFound; ++i, Sleep(10)) {
      EnumThreadWindows(uiThread, FindMainWindow, reinterpret_cast<LPARAM>(&hFound));
    }
    hMain = hFound;
    for (const int id : {kNavScanNow, kScanButton}) {
      PostMessageA(hFound, WM_COMMAND, MAKEWPARAM(id, 0), reinterpret_cast<LPARAM>(GetDlgItem(hFound, id)));
    }
    // Should the window not close itself, it must not hang the suite.
    for (int i = 0; i < 3000 && IsWindow(hFound); ++i) Sleep(10);
    PostMessageA(hFound, WM_CLOSE, 0, 0);
  });
  app.Run();
  user.join();
  ASSERT_EQ(3u, launched.size());
  EXPECT_NE(std::string::npos, launched[0].find("window_tests.exe"));
  EXPECT_EQ("", launched[1]);
  EXPECT_EQ("", launched[2]);
  EXPECT_EQ(kOffer, m_prompts.Seen().back().text);
}
