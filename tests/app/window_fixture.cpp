#include "window_fixture.h"

#include <commctrl.h>

#include "app/instance_checker.h"
#include "backup/removal_lock.h"
#include "core/product.h"
#include "core/section_catalogue.h"
#include "scan/section_registry.h"
#include "ui/hyperlink_label.h"

const char kFontsKey[] = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Fonts";
const char kAppPathsKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths";

namespace {

std::vector<std::string> g_opened;
intptr_t RecordOpen(const std::string& target, int) {
  g_opened.push_back(target);
  return 33;
}

struct ModalWatch {
  std::string caption;
  std::function<void(HWND)> inside;
  bool seen = false;
};
ModalWatch* g_pWatch = nullptr;

BOOL CALLBACK FindCaption(HWND hWnd, LPARAM found) {
  char caption[128] = {};
  GetWindowTextA(hWnd, caption, sizeof(caption));
  if (IsWindowVisible(hWnd) && g_pWatch && g_pWatch->caption == caption) {
    *reinterpret_cast<HWND*>(found) = hWnd;
    return FALSE;
  }
  return TRUE;
}

void CALLBACK OnWatchTimer(HWND, UINT, UINT_PTR id, DWORD) {
  if (!g_pWatch || g_pWatch->seen) return;
  HWND hFound = nullptr;
  EnumThreadWindows(GetCurrentThreadId(), FindCaption, reinterpret_cast<LPARAM>(&hFound));
  if (!hFound) return;
  KillTimer(nullptr, id);
  g_pWatch->seen = true;
  g_pWatch->inside(hFound);
  PostMessageA(hFound, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
}

}  // namespace

const std::vector<std::string>& OpenedTargets() { return g_opened; }

void MainWindowTest::SetUp() {
  SandboxedTest::SetUp();
  // The data protection API behind the archives' tag finds its providers here.
  ASSERT_TRUE(m_sandbox.CopyMachineSoftwareKey("Microsoft\\Cryptography"));
  // The suites run side by side as one user: each takes its own lock.
  SetRemovalLockScope("app_tests");
  g_opened.clear();
  HyperlinkLabel::SetOpener(RecordOpen);
}

void MainWindowTest::TearDown() {
  m_pDialog.reset();
  ReleaseInstanceSlot();
  HyperlinkLabel::SetOpener(nullptr);
}

void MainWindowTest::Open() {
  InitSettingsKey();
  const SectionCatalogue catalogue(RegisteredSections());
  for (const ScanSection& section : catalogue.Sections()) {
    const int id = section.sectionId;
    SaveSectionEnabled(id, id == 3 || id == 4 || id == 7 || id == 8 || id == 9);
  }
  ASSERT_TRUE(RegPutString(HKEY_CURRENT_USER, qb::kSettingsKeyPath, "LogFilePath", m_folder / "logs"));
  ASSERT_TRUE(RegPutString(HKEY_LOCAL_MACHINE, kFontsKey, "Qb Gone A", "C:\\qbgone\\a.ttf"));
  ASSERT_TRUE(RegPutString(HKEY_LOCAL_MACHINE, kFontsKey, "Qb Gone B", "C:\\qbgone\\b.ttf"));
  ASSERT_TRUE(RegPutString(HKEY_CURRENT_USER, "Control Panel\\Sounds", "QbSound", "C:\\qbgone\\s.wav"));
  ASSERT_TRUE(RegPutString(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\Help", "qbgone.hlp", "C:\\qbgone"));
  ASSERT_TRUE(RegPutDword(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs",
                          "C:\\qbgone\\shared.dll", 1));
  ASSERT_TRUE(RegPutString(HKEY_LOCAL_MACHINE, std::string(kAppPathsKey) + "\\qbgone.exe", "",
                           "C:\\qbgone\\qbgone.exe"));

  m_app.Info().osName = "Windows 7";
  m_app.Info().userName = "Ada";
  m_pDialog = std::make_unique<MainDialog>(m_app);
  m_pDialog->SetBackupFolder(m_folder / "Backup");
  m_pDialog->SetHelpOpener([this](const std::string& file) {
    m_vHelpOpened.push_back(file);
    return true;
  });
  ASSERT_TRUE(m_pDialog->Create());
  ShowWindow(Window(), SW_SHOW);
}

std::string MainWindowTest::Text(int id) const {
  char text[512] = {};
  GetWindowTextA(Item(id), text, sizeof(text));
  return text;
}

void MainWindowTest::Click(int id) {
  char kind[32] = {};
  GetClassNameA(Item(id), kind, sizeof(kind));
  if (std::string(kind) == "Button") SendMessageA(Item(id), BM_CLICK, 0, 0);
  else SendMessageA(Window(), WM_COMMAND, MAKEWPARAM(id, STN_CLICKED), reinterpret_cast<LPARAM>(Item(id)));
}

void MainWindowTest::ClickAt(HWND hControl, POINT point) {
  const LPARAM where = MAKELPARAM(point.x, point.y);
  // The list may wait for the button to come up before it goes on.
  PostMessageA(hControl, WM_LBUTTONUP, 0, where);
  SendMessageA(hControl, WM_LBUTTONDOWN, MK_LBUTTON, where);
  MSG msg;
  while (PeekMessageA(&msg, hControl, WM_LBUTTONUP, WM_LBUTTONUP, PM_REMOVE)) DispatchMessageA(&msg);
}

void MainWindowTest::RunScan() {
  Click(kNavScanNow);
  Click(kScanButton);
}

POINT MainWindowTest::RowPoint(HWND hList, int row, const RECT& part) const {
  RECT bounds = {};
  ListView_GetItemRect(hList, row, &bounds, LVIR_BOUNDS);
  return POINT{bounds.left + (part.left + part.right) / 2, bounds.top + (part.top + part.bottom) / 2};
}

bool MainWindowTest::WithModal(const std::string& caption, const std::function<void()>& open,
                               const std::function<void(HWND)>& inside) {
  ModalWatch watch{caption, inside};
  g_pWatch = &watch;
  const UINT_PTR timer = SetTimer(nullptr, 0, 20, OnWatchTimer);
  open();
  if (!watch.seen) KillTimer(nullptr, timer);
  g_pWatch = nullptr;
  return watch.seen;
}
