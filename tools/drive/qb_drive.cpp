// qb-drive: drives a running program's windows from another process, as a user
// would: finds windows by caption, clicks navigation entries and buttons with
// posted messages, answers message boxes with their buttons and reads texts,
// list and combo counts, list cells and check boxes.
//
// Usage: qb-drive COMMAND [ARGS...] [+ COMMAND [ARGS...]]...
//   wait CAPTION [SECONDS]           a visible top-level window with that caption
//   gone CAPTION [SECONDS]           no such window any more
//   windows CAPTION                  prints how many top-level windows have it
//   click CAPTION ID                 posts WM_COMMAND (BN_CLICKED) for control ID
//   press CAPTION ID                 posts BM_CLICK to a button (toggles check boxes)
//   answer CAPTION BUTTON [SECONDS]  waits for a message box, prints its text and
//                                    clicks BUTTON (1 OK, 2 Cancel, 6 Yes, 7 No)
//   text CAPTION ID                  prints the control's text (WM_GETTEXT)
//   count CAPTION ID                 prints the rows of a list view, combo or list box
//   select CAPTION ID INDEX          selects a combo box entry
//   cell CAPTION ID ROW COLUMN       prints a list-view cell
//   checked CAPTION ID ROW           prints 1 when a list-view row's box is checked
//   find CAPTION ID TEXT             prints the first list-view row whose first cell
//                                    holds TEXT
//   check CAPTION ID ROW [0|1]       checks (or clears) a list-view row's box, as
//                                    the space bar on the row does
//   rowclick CAPTION ID ROW X Y      left click at (X, Y) from a list-view row's corner
//   visible CAPTION ID               prints 1 or 0
//   rect CAPTION                     prints the window's frame: left top right bottom
//   close CAPTION                    the close box
//   keys CAPTION KEY...              brings the window forward and types the keys
//                                    with SendInput, as a keyboard does: Tab, Enter,
//                                    Escape, Space, Up, Down, Left, Right, F4, a
//                                    letter or digit, each with Shift+, Ctrl+ or Alt+
//   focus CAPTION                    prints the id of the control that has the focus
//                                    in that window's thread (0: the window itself,
//                                    -1: no control of that window)
//   sleep MS
//   until SECONDS EXPECTED COMMAND...  repeats a reading COMMAND until it prints
//                                    EXPECTED (a posted click takes effect when the
//                                    program gets to it), then prints what it read
// CAPTION names the top-level window; ID 0 means the window itself. Exit code 0
// when every command did its part, 1 when one failed (it says which), 2 for usage.

#include <windows.h>
#include <commctrl.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "core/handles.h"

namespace {

// The static control that holds a message box's text.
const int kMessageBoxText = 0xFFFF;

using Args = std::vector<std::string>;

HWND FindVisible(const std::string& caption, const char* kind = nullptr) {
  HWND hWnd = nullptr;
  while ((hWnd = FindWindowExA(nullptr, hWnd, kind, caption.c_str())) != nullptr) {
    if (IsWindowVisible(hWnd)) return hWnd;
  }
  return nullptr;
}

HWND WaitFor(const std::string& caption, double seconds, const char* kind = nullptr) {
  const ULONGLONG end = GetTickCount64() + static_cast<ULONGLONG>(seconds * 1000);
  for (;;) {
    if (HWND hWnd = FindVisible(caption, kind)) return hWnd;
    if (GetTickCount64() > end) return nullptr;
    Sleep(50);
  }
}

int Number(const std::string& text) { return std::atoi(text.c_str()); }

std::string ClassOf(HWND hWnd) {
  char name[64] = {};
  GetClassNameA(hWnd, name, sizeof(name));
  return name;
}

std::string TextOf(HWND hWnd) {
  std::vector<char> text(4096);
  SendMessageTimeoutA(hWnd, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()),
                      SMTO_ABORTIFHUNG, 5000, nullptr);
  return text.data();
}

// Memory in the other process for the list-view messages that carry pointers.
class RemoteBuffer {
 public:
  RemoteBuffer(HWND hWnd, size_t size) : m_nSize(size) {
    DWORD pid = 0;
    GetWindowThreadProcessId(hWnd, &pid);
    m_hProcess.Reset(
        OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid));
    if (m_hProcess) {
      m_pRemote = VirtualAllocEx(m_hProcess.Get(), nullptr, size, MEM_COMMIT, PAGE_READWRITE);
    }
  }
  // The memory is given back while the process handle is still held.
  ~RemoteBuffer() {
    if (m_pRemote) VirtualFreeEx(m_hProcess.Get(), m_pRemote, 0, MEM_RELEASE);
  }
  RemoteBuffer(const RemoteBuffer&) = delete;
  RemoteBuffer& operator=(const RemoteBuffer&) = delete;
  bool Ok() const { return m_pRemote != nullptr; }
  char* At(size_t offset) const { return static_cast<char*>(m_pRemote) + offset; }
  bool Write(size_t offset, const void* data, size_t size) {
    return WriteProcessMemory(m_hProcess.Get(), At(offset), data, size, nullptr) != FALSE;
  }
  bool Read(size_t offset, void* data, size_t size) {
    return ReadProcessMemory(m_hProcess.Get(), At(offset), data, size, nullptr) != FALSE;
  }

 private:
  size_t m_nSize;
  KernelHandle m_hProcess;
  void* m_pRemote = nullptr;
};

bool RowRect(HWND hList, int row, RECT& rect) {
  RemoteBuffer buffer(hList, sizeof(RECT));
  rect = RECT{LVIR_BOUNDS, 0, 0, 0};
  if (!buffer.Ok() || !buffer.Write(0, &rect, sizeof(rect))) return false;
  if (!SendMessageA(hList, LVM_GETITEMRECT, row, reinterpret_cast<LPARAM>(buffer.At(0)))) return false;
  return buffer.Read(0, &rect, sizeof(rect));
}

bool Cell(HWND hList, int row, int column, std::string& text) {
  const size_t kText = 1024;
  RemoteBuffer buffer(hList, sizeof(LVITEMA) + kText);
  if (!buffer.Ok()) return false;
  LVITEMA item = {};
  item.iSubItem = column;
  item.pszText = buffer.At(sizeof(LVITEMA));
  item.cchTextMax = static_cast<int>(kText);
  if (!buffer.Write(0, &item, sizeof(item))) return false;
  SendMessageA(hList, LVM_GETITEMTEXTA, row, reinterpret_cast<LPARAM>(buffer.At(0)));
  std::vector<char> local(kText + 1);
  if (!buffer.Read(sizeof(LVITEMA), local.data(), kText)) return false;
  text = local.data();
  return true;
}

// A key name as `keys` takes it: its virtual-key code and modifiers; 0 when unknown.
WORD KeyCode(std::string name, std::vector<WORD>& modifiers) {
  for (;;) {
    const size_t plus = name.find('+');
    if (plus == std::string::npos || plus + 1 >= name.size()) break;
    const std::string modifier = name.substr(0, plus);
    if (modifier == "Shift") modifiers.push_back(VK_SHIFT);
    else if (modifier == "Ctrl") modifiers.push_back(VK_CONTROL);
    else if (modifier == "Alt") modifiers.push_back(VK_MENU);
    else return 0;
    name = name.substr(plus + 1);
  }
  const struct {
    const char* name;
    WORD code;
  } kNamed[] = {{"Tab", VK_TAB},   {"Enter", VK_RETURN}, {"Escape", VK_ESCAPE}, {"Space", VK_SPACE},
                {"Up", VK_UP},     {"Down", VK_DOWN},    {"Left", VK_LEFT},     {"Right", VK_RIGHT},
                {"F4", VK_F4}};
  for (const auto& key : kNamed) {
    if (name == key.name) return key.code;
  }
  if (name.size() == 1 && std::isalnum(static_cast<unsigned char>(name[0])))
    return static_cast<WORD>(std::toupper(static_cast<unsigned char>(name[0])));
  return 0;
}

INPUT KeyInput(WORD code, bool up) {
  INPUT input = {};
  input.type = INPUT_KEYBOARD;
  input.ki.wVk = code;
  input.ki.wScan = static_cast<WORD>(MapVirtualKeyA(code, 0 /* MAPVK_VK_TO_VSC */));
  input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
  return input;
}

bool Fail(const Args& command, const std::string& why) {
  std::fprintf(stderr, "qb-drive %s: %s\n", command[0].c_str(), why.c_str());
  return false;
}

bool Run(const Args& c, std::string& out) {
  const std::string& verb = c[0];
  auto need = [&](size_t n) { return c.size() >= n + 1; };
  if (verb == "until" && need(3)) {
    // A click is posted: the program handles it when it gets to it, so a read
    // right after may still see the state from before. Read again until the
    // answer is the expected one or the time is up; either way say what was read.
    const Args read(c.begin() + 3, c.end());
    const ULONGLONG end = GetTickCount64() + static_cast<ULONGLONG>(std::atof(c[1].c_str()) * 1000);
    for (;;) {
      out.clear();
      const bool ok = Run(read, out);
      if (ok && out == c[2] + "\n") return true;
      if (GetTickCount64() > end) return ok;
      Sleep(50);
    }
  }
  if (verb == "sleep" && need(1)) {
    Sleep(static_cast<DWORD>(Number(c[1])));
    return true;
  }
  if (!need(1)) return Fail(c, "missing arguments");
  if (verb == "wait") return WaitFor(c[1], need(2) ? std::atof(c[2].c_str()) : 10) ? true : Fail(c, "no window \"" + c[1] + "\"");
  if (verb == "gone") {
    const ULONGLONG end = GetTickCount64() + static_cast<ULONGLONG>((need(2) ? std::atof(c[2].c_str()) : 10) * 1000);
    while (FindWindowA(nullptr, c[1].c_str())) {
      if (GetTickCount64() > end) return Fail(c, "\"" + c[1] + "\" is still there");
      Sleep(50);
    }
    return true;
  }
  if (verb == "windows") {
    int count = 0;
    for (HWND h = nullptr; (h = FindWindowExA(nullptr, h, nullptr, c[1].c_str())) != nullptr;) ++count;
    out = std::to_string(count) + "\n";
    return true;
  }
  if (verb == "answer" && need(2)) {
    HWND hBox = WaitFor(c[1], need(3) ? std::atof(c[3].c_str()) : 30, "#32770");
    if (!hBox) return Fail(c, "no message box \"" + c[1] + "\"");
    std::string text = TextOf(GetDlgItem(hBox, kMessageBoxText));
    for (char& ch : text) {
      if (ch == '\r' || ch == '\n') ch = ' ';
    }
    out = text + "\n";
    const int button = Number(c[2]);
    HWND hButton = GetDlgItem(hBox, button);
    if (!hButton) return Fail(c, "the box has no button " + c[2]);
    PostMessageA(hBox, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), reinterpret_cast<LPARAM>(hButton));
    // Gone before the next command looks for a box of the same caption.
    for (int i = 0; i < 200 && IsWindow(hBox); ++i) Sleep(25);
    return true;
  }
  // A window that is switching panels may be hidden for a moment.
  HWND hTop = WaitFor(c[1], 5);
  if (!hTop) {
    HWND hAny = FindWindowA(nullptr, c[1].c_str());
    char style[32] = "none";
    if (hAny) std::snprintf(style, sizeof(style), "style %08lx", static_cast<unsigned long>(GetWindowLongA(hAny, GWL_STYLE)));
    return Fail(c, "no visible window \"" + c[1] + "\" (" + style + ")");
  }
  if (verb == "rect") {
    RECT frame = {};
    if (!GetWindowRect(hTop, &frame)) return Fail(c, "no frame");
    std::printf("%ld %ld %ld %ld\n", static_cast<long>(frame.left), static_cast<long>(frame.top),
                static_cast<long>(frame.right), static_cast<long>(frame.bottom));
    return true;
  }
  if (verb == "keys") {
    SetForegroundWindow(hTop);
    std::vector<INPUT> inputs;
    for (size_t i = 2; i < c.size(); ++i) {
      std::vector<WORD> modifiers;
      const WORD code = KeyCode(c[i], modifiers);
      if (code == 0) return Fail(c, "no key \"" + c[i] + "\"");
      for (WORD modifier : modifiers) inputs.push_back(KeyInput(modifier, false));
      inputs.push_back(KeyInput(code, false));
      inputs.push_back(KeyInput(code, true));
      for (auto m = modifiers.rbegin(); m != modifiers.rend(); ++m) inputs.push_back(KeyInput(*m, true));
    }
    const UINT sent = SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
    return sent == inputs.size() ? true : Fail(c, "SendInput took " + std::to_string(sent) + " of " + std::to_string(inputs.size()));
  }
  if (verb == "focus") {
    GUITHREADINFO info = {};
    info.cbSize = sizeof(info);
    if (!GetGUIThreadInfo(GetWindowThreadProcessId(hTop, nullptr), &info)) return Fail(c, "no thread information");
    const HWND hFocus = info.hwndFocus;
    const int id = hFocus == hTop ? 0 : hFocus && IsChild(hTop, hFocus) ? GetDlgCtrlID(hFocus) : -1;
    out = std::to_string(id) + "\n";
    return true;
  }
  if (verb == "close") {
    // As the close box does.
    return PostMessageA(hTop, WM_SYSCOMMAND, SC_CLOSE, 0) ? true : Fail(c, "post failed");
  }
  if (!need(2)) return Fail(c, "missing control id");
  const int id = Number(c[2]);
  HWND hItem = id == 0 ? hTop : GetDlgItem(hTop, id);
  if (!hItem) return Fail(c, "no control " + c[2]);
  if (verb == "click") {
    return PostMessageA(hTop, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(hItem)) ? true : Fail(c, "post failed");
  }
  if (verb == "press") return PostMessageA(hItem, BM_CLICK, 0, 0) ? true : Fail(c, "post failed");
  if (verb == "text") {
    out = TextOf(hItem) + "\n";
    return true;
  }
  if (verb == "visible") {
    out = IsWindowVisible(hItem) ? "1\n" : "0\n";
    return true;
  }
  if (verb == "count") {
    const std::string kind = ClassOf(hItem);
    UINT message = LVM_GETITEMCOUNT;
    if (kind == "ComboBox") message = CB_GETCOUNT;
    if (kind == "ListBox") message = LB_GETCOUNT;
    out = std::to_string(static_cast<int>(SendMessageA(hItem, message, 0, 0))) + "\n";
    return true;
  }
  if (verb == "select" && need(3)) {
    // Posted like the clicks before it, so it takes effect after them: a click
    // that refills the list would undo a selection sent ahead of it. Then read
    // back until it shows.
    const int index = Number(c[3]);
    if (!PostMessageA(hItem, CB_SETCURSEL, index, 0)) return Fail(c, "post failed");
    for (const ULONGLONG end = GetTickCount64() + 10000; SendMessageA(hItem, CB_GETCURSEL, 0, 0) != index;
         Sleep(20)) {
      if (GetTickCount64() > end) return Fail(c, "no entry " + c[3]);
    }
    return true;
  }
  if (verb == "cell" && need(4)) {
    std::string text;
    if (!Cell(hItem, Number(c[3]), Number(c[4]), text)) return Fail(c, "cannot read the cell");
    out = text + "\n";
    return true;
  }
  if (verb == "checked" && need(3)) {
    const UINT state = static_cast<UINT>(SendMessageA(hItem, LVM_GETITEMSTATE, Number(c[3]), LVIS_STATEIMAGEMASK));
    out = (state >> 12) == 2 ? "1\n" : "0\n";
    return true;
  }
  if (verb == "find" && need(3)) {
    const int rows = static_cast<int>(SendMessageA(hItem, LVM_GETITEMCOUNT, 0, 0));
    for (int row = 0; row < rows; ++row) {
      std::string text;
      if (Cell(hItem, row, 0, text) && text.find(c[3]) != std::string::npos) {
        out = std::to_string(row) + "\n";
        return true;
      }
    }
    return Fail(c, "no row holds \"" + c[3] + "\"");
  }
  if (verb == "check" && need(3)) {
    RemoteBuffer buffer(hItem, sizeof(LVITEMA));
    LVITEMA item = {};
    item.stateMask = LVIS_STATEIMAGEMASK;
    item.state = INDEXTOSTATEIMAGEMASK(need(4) && Number(c[4]) == 0 ? 1 : 2);
    if (!buffer.Ok() || !buffer.Write(0, &item, sizeof(item))) return Fail(c, "cannot reach the list");
    return SendMessageA(hItem, LVM_SETITEMSTATE, Number(c[3]), reinterpret_cast<LPARAM>(buffer.At(0)))
               ? true
               : Fail(c, "no row " + c[3]);
  }
  if (verb == "rowclick" && need(5)) {
    RECT row = {};
    if (!RowRect(hItem, Number(c[3]), row)) return Fail(c, "no row " + c[3]);
    const LPARAM where = MAKELPARAM(row.left + Number(c[4]), row.top + Number(c[5]));
    PostMessageA(hItem, WM_LBUTTONDOWN, MK_LBUTTON, where);
    PostMessageA(hItem, WM_LBUTTONUP, 0, where);
    return true;
  }
  return Fail(c, "unknown command or missing arguments");
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<Args> commands(1);
  for (int i = 1; i < argc; ++i) {
    if (std::string(argv[i]) == "+") {
      commands.emplace_back();
    } else {
      commands.back().push_back(argv[i]);
    }
  }
  if (commands.front().empty()) {
    std::fprintf(stderr, "usage: qb-drive COMMAND [ARGS...] [+ COMMAND [ARGS...]]...\n");
    return 2;
  }
  for (const Args& command : commands) {
    if (command.empty()) return 2;
    std::string out;
    if (!Run(command, out)) return 1;
    std::fputs(out.c_str(), stdout);
    std::fflush(stdout);
  }
  return 0;
}
