#include "app/cleaner_app.h"

#include <windows.h>
#include <commctrl.h>
#include <ole2.h>

#include "app/main_dialog.h"
#include "app/settings_store.h"
#include "core/section_catalogue.h"
#include "framework/prompt.h"

int XpFlagFromOsName(const std::string& osName) {
  return osName.find("XP") != std::string::npos ? 1 : 0;
}

CleanerApp::CleanerApp() : m_strName(ApplicationTitle()), m_checker(m_strName) {}

int CleanerApp::Run() {
  InitInstance();
  return ExitInstance();
}

bool CleanerApp::InitInstance() {
  // The list views, progress bar and tooltips of the window.
  INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_WIN95_CLASSES | ICC_PROGRESS_CLASS};
  InitCommonControlsEx(&controls);
  m_bOle = SUCCEEDED(OleInitialize(nullptr));
  m_bCom = SUCCEEDED(CoInitialize(nullptr));

  // A second start only brings the running window forward: it gathers nothing,
  // writes nothing and shows nothing.
  if (m_checker.IsAnotherInstanceRunning()) {
    m_checker.BringOtherInstanceForward();
    return false;
  }
  m_info.Collect();
  m_nXpFlag = XpFlagFromOsName(m_info.osName);
  if (SettingsKeyMissing()) InitSettingsKey();

  MainDialog dialog(*this);
  dialog.DoModal();
  return false;
}

int CleanerApp::ExitInstance() {
  if (m_bCom) CoUninitialize();
  if (m_bOle) OleUninitialize();
  m_bCom = m_bOle = false;
  return 0;
}
