// Drives the window for the manual's screenshots, as a user would from outside:
//   shot_driver PROGRAM [STEP...]
// starts PROGRAM, waits for its main window (caption "Quillbane v..."), then runs the
// steps in order and exits, leaving the window open for the picture:
//   ID        click the control or navigation entry ID (a posted WM_COMMAND)
//   ok        wait for the program's message box and press its OK button
//   details   click "View Details" of the first results row
//   wait:MS   pause

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

struct Search {
  DWORD processId;
  const char* captionStart;
  const char* className;
  HWND except;
  HWND found;
};

BOOL CALLBACK MatchWindow(HWND hWnd, LPARAM lParam) {
  Search& search = *reinterpret_cast<Search*>(lParam);
  DWORD owner = 0;
  GetWindowThreadProcessId(hWnd, &owner);
  char caption[256] = {}, className[64] = {};
  GetWindowTextA(hWnd, caption, sizeof(caption));
  GetClassNameA(hWnd, className, sizeof(className));
  if (hWnd != search.except && owner == search.processId && IsWindowVisible(hWnd) &&
      std::strncmp(caption, search.captionStart, std::strlen(search.captionStart)) == 0 &&
      (search.className == nullptr || std::strcmp(className, search.className) == 0)) {
    search.found = hWnd;
    return FALSE;
  }
  return TRUE;
}

HWND WaitForWindow(DWORD processId, const char* captionStart, const char* className,
                   HWND except) {
  for (int tries = 0; tries < 300; ++tries) {
    Search search{processId, captionStart, className, except, nullptr};
    EnumWindows(MatchWindow, reinterpret_cast<LPARAM>(&search));
    if (search.found) return search.found;
    Sleep(100);
  }
  return nullptr;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: shot_driver PROGRAM [STEP...]\n");
    return 2;
  }
  STARTUPINFOA startup = {};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process = {};
  std::string command = std::string("\"") + argv[1] + "\"";
  if (!CreateProcessA(argv[1], &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &process)) {
    std::fprintf(stderr, "shot_driver: cannot start %s\n", argv[1]);
    return 1;
  }
  WaitForInputIdle(process.hProcess, 10000);
  HWND main = WaitForWindow(process.dwProcessId, "Quillbane v", "#32770", nullptr);
  if (!main) {
    std::fprintf(stderr, "shot_driver: no main window\n");
    return 1;
  }
  for (int i = 2; i < argc; ++i) {
    const std::string step = argv[i];
    if (step == "ok") {
      // The message box carries the program's name as its caption.
      HWND box = WaitForWindow(process.dwProcessId, "Quillbane", "#32770", main);
      if (!box) return 1;
      HWND button = GetDlgItem(box, IDOK);
      if (!button) button = GetDlgItem(box, IDCANCEL);
      PostMessageA(button, BM_CLICK, 0, 0);
    } else if (step == "details") {
      // The link lies under the first row's title, right of its check box.
      HWND list = GetDlgItem(main, 1018);
      PostMessageA(list, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(48, 42));
      PostMessageA(list, WM_LBUTTONUP, 0, MAKELPARAM(48, 42));
    } else if (step.compare(0, 5, "wait:") == 0) {
      Sleep(static_cast<DWORD>(std::atoi(step.c_str() + 5)));
    } else {
      const int id = std::atoi(step.c_str());
      PostMessageA(main, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                   reinterpret_cast<LPARAM>(GetDlgItem(main, id)));
    }
    Sleep(300);
  }
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return 0;
}
