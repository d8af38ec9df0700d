#include "app/cleaner_app.h"

#include <windows.h>
#include <commctrl.h>
#include <ole2.h>
#include <shellapi.h>

#include <vector>

#include "app/main_dialog.h"
#include "app/settings_store.h"
#include "core/section_catalogue.h"
#include "core/wide_text.h"
#include "framework/prompt.h"

int XpFlagFromOsName(const std::string& osName) {
  return osName.find("XP") != std::string::npos ? 1 : 0;
}

namespace {

std::wstring RunningProgram() {
  std::vector<wchar_t> path(MAX_PATH);
  for (;;) {
    const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0) return L"";
    if (length < path.size()) return std::wstring(path.data(), length);
    path.resize(path.size() * 2);
  }
}

bool LaunchElevated(const std::wstring& program) {
  SHELLEXECUTEINFOW run = {};
  run.cbSize = sizeof(run);
  run.lpVerb = L"runas";
  run.lpFile = program.c_str();
  run.nShow = SW_SHOWNORMAL;
  return !program.empty() && ShellExecuteExW(&run);
}

}  // namespace

bool OfferElevatedRestart(int deniedSections, bool elevated) {
  return deniedSections > 0 && !elevated;
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

  {
    MainDialog dialog(*this);
    dialog.DoModal();
  }
  RestartIfRequested();
  return false;
}

bool CleanerApp::RestartIfRequested() {
  if (!m_bRestartElevated) return false;
  m_bRestartElevated = false;
  ReleaseInstanceSlot();
  const std::wstring program = RunningProgram();
  if (m_fnLaunchElevated) return m_fnLaunchElevated(NarrowText(program));
  return LaunchElevated(program);
}

int CleanerApp::ExitInstance() {
  if (m_bCom) CoUninitialize();
  if (m_bOle) OleUninitialize();
  m_bCom = m_bOle = false;
  return 0;
}
