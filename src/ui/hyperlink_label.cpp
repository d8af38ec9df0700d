#include "ui/hyperlink_label.h"

#include <commctrl.h>
#include <shellapi.h>

#include <vector>

#include "framework/prompt.h"
#include "ui/hyperlink_text.h"
#include "ui/resource_ids.h"

namespace {

HyperlinkLabel::Opener g_opener = nullptr;

// The hand cursor in the Windows help viewer's resources (winhlp32.exe).
const int kHelpViewerHandCursor = 106;
// The system's hand (IDC_HAND, whose macro has the wide type in a Unicode build).
const int kSystemHandCursor = 32649;

std::string WindowText(HWND hWnd) {
  const int length = GetWindowTextLengthA(hWnd);
  if (length <= 0) return std::string();
  std::string text(static_cast<size_t>(length) + 1, '\0');
  const int got = GetWindowTextA(hWnd, &text[0], length + 1);
  text.resize(static_cast<size_t>(got > 0 ? got : 0));
  return text;
}

// The text as the static draws it: "&&" is one "&", a lone "&" marks the access key.
std::string ShownText(HWND hWnd) {
  const std::string text = WindowText(hWnd);
  if (GetWindowLongPtrA(hWnd, GWL_STYLE) & SS_NOPREFIX) return text;
  std::string shown;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '&' && i + 1 < text.size()) ++i;
    shown += text[i];
  }
  return shown;
}

// The default value of a key under HKEY_CLASSES_ROOT.
bool ReadClassesDefault(const std::string& key, std::string& value) {
  LONG size = 0;
  if (RegQueryValueA(HKEY_CLASSES_ROOT, key.c_str(), nullptr, &size) != ERROR_SUCCESS)
    return false;
  std::vector<char> buffer(static_cast<size_t>(size) + 1, '\0');
  size = static_cast<LONG>(buffer.size());
  if (RegQueryValueA(HKEY_CLASSES_ROOT, key.c_str(), buffer.data(), &size) != ERROR_SUCCESS)
    return false;
  value = buffer.data();
  return true;
}

SIZE TextExtent(HWND hWnd, HFONT font, const std::string& text) {
  SIZE size = {};
  const WindowDc dc(hWnd);
  if (!dc) return size;
  const SelectedObject selected(dc.Get(), font);
  GetTextExtentPoint32A(dc.Get(), text.c_str(), static_cast<int>(text.size()), &size);
  return size;
}

}  // namespace

HyperlinkLabel::HyperlinkLabel()
    : m_crLink(RGB(0, 0, 238)), m_crVisited(RGB(85, 26, 139)), m_crHover(RGB(255, 0, 0)) {}

HyperlinkLabel::~HyperlinkLabel() {
  Detach();
  ReleaseResources();
}

void HyperlinkLabel::SetOpener(Opener opener) { g_opener = opener; }

intptr_t HyperlinkLabel::GotoURL(const std::string& target, int showCommand) {
  const intptr_t result = reinterpret_cast<intptr_t>(
      ShellExecuteA(nullptr, "open", target.c_str(), nullptr, nullptr, showCommand));
  if (result > 32) return result;
  std::string type;
  std::string command;
  if (!ReadClassesDefault(".htm", type) ||
      !ReadClassesDefault(type + "\\shell\\open\\command", command))
    return result;
  const std::string line = HtmHandlerCommand(command, target);
  return static_cast<intptr_t>(WinExec(line.c_str(), static_cast<UINT>(showCommand)));
}

void HyperlinkLabel::SetURL(const std::string& target) {
  m_strURL = target;
  if (!m_hWnd) return;
  ResizeToText();
  if (m_hToolTip) {
    TOOLINFOA tool = {};
    tool.cbSize = sizeof(tool);
    tool.hwnd = m_hWnd;
    tool.uId = 1;
    tool.lpszText = const_cast<char*>(m_strURL.c_str());
    SendMessageA(m_hToolTip, TTM_UPDATETIPTEXTA, 0, reinterpret_cast<LPARAM>(&tool));
  }
}

void HyperlinkLabel::SetColours(COLORREF link, COLORREF visited, COLORREF hover) {
  m_crLink = link;
  m_crVisited = visited;
  m_crHover = hover == static_cast<COLORREF>(-1) ? GetSysColor(COLOR_HIGHLIGHT) : hover;
  if (m_hWnd) Repaint();
}

void HyperlinkLabel::SetVisited(bool visited) {
  m_bVisited = visited;
  if (m_hWnd) Repaint();
}

void HyperlinkLabel::SetUnderline(int mode) {
  if (mode == m_nUnderline) return;
  m_nUnderline = mode;
  if (!m_hWnd) return;
  ApplyFont(RestingFont());
  Repaint();
}

COLORREF HyperlinkLabel::TextColour() const {
  if (m_bOverControl) return m_crHover;
  return m_bVisited ? m_crVisited : m_crLink;
}

HFONT HyperlinkLabel::CurrentFont() const {
  return m_hWnd ? reinterpret_cast<HFONT>(SendMessageA(m_hWnd, WM_GETFONT, 0, 0)) : nullptr;
}

void HyperlinkLabel::OnAttached() {
  SetWindowLongPtrA(m_hWnd, GWL_STYLE, GetWindowLongPtrA(m_hWnd, GWL_STYLE) | SS_NOTIFY);

  const std::string text = WindowText(m_hWnd);
  if (m_strURL.empty()) m_strURL = ShownText(m_hWnd);
  if (text.empty()) SetWindowTextA(m_hWnd, m_strURL.c_str());

  HFONT base = reinterpret_cast<HFONT>(SendMessageA(m_hWnd, WM_GETFONT, 0, 0));
  if (!base) base = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
  if (!base) base = static_cast<HFONT>(GetStockObject(ANSI_VAR_FONT));
  LOGFONTA description = {};
  if (base && GetObjectA(base, sizeof(description), &description)) {
    m_hFont.Reset(CreateFontIndirectA(&description));
    description.lfUnderline = TRUE;
    m_hUnderlineFont.Reset(CreateFontIndirectA(&description));
  }

  ResizeToText();
  LoadHandCursor();
  ApplyFont(RestingFont());
  CreateToolTip();
}

void HyperlinkLabel::OnDetaching() {
  KillTimer(m_hWnd, kHoverTimer);
  m_bOverControl = false;
  if (m_hToolTip) {
    DestroyWindow(m_hToolTip);
    m_hToolTip = nullptr;
  }
  // The window must not keep a font we are about to delete.
  SendMessageA(m_hWnd, WM_SETFONT, 0, FALSE);
  ReleaseResources();
}

void HyperlinkLabel::ReleaseResources() {
  m_hFont.Reset();
  m_hUnderlineFont.Reset();
  m_hLinkCursor = nullptr;
  m_hOwnCursor.Reset();
}

// An always underlined link hides the underline of its access key: while the
// system shows access keys (the user has pressed Alt, or works at the
// keyboard), such a link drops its own underline so that its letter shows.
HFONT HyperlinkLabel::RestingFont() const {
  if (m_nUnderline != kUnderlineAlways) return m_hFont.Get();
  const bool keyboard = m_hWnd && (GetWindowLongPtrA(m_hWnd, GWL_STYLE) & WS_TABSTOP) != 0;
  const bool accessKeyShown =
      keyboard && WindowText(m_hWnd).find('&') != std::string::npos &&
      !(SendMessageA(m_hWnd, WM_QUERYUISTATE, 0, 0) & UISF_HIDEACCEL);
  return (accessKeyShown ? m_hFont : m_hUnderlineFont).Get();
}

void HyperlinkLabel::ApplyFont(HFONT font) {
  if (font) SendMessageA(m_hWnd, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
}

void HyperlinkLabel::Repaint() { RedrawUnder(m_hWnd); }

void HyperlinkLabel::ResizeToText() {
  if (!m_bAdjustToFit || !m_hWnd) return;
  const SIZE extent = TextExtent(m_hWnd, m_hUnderlineFont.Get(), ShownText(m_hWnd));
  RECT window = {};
  RECT client = {};
  GetWindowRect(m_hWnd, &window);
  GetClientRect(m_hWnd, &client);
  HWND hParent = GetParent(m_hWnd);
  MapWindowPoints(nullptr, hParent, reinterpret_cast<POINT*>(&window), 2);
  const int borderX = (window.right - window.left) - client.right;
  const int borderY = (window.bottom - window.top) - client.bottom;
  const int width = extent.cx + borderX;
  const int height = extent.cy + borderY;
  const LONG_PTR style = GetWindowLongPtrA(m_hWnd, GWL_STYLE);

  int top = window.top;
  if (style & SS_CENTERIMAGE) top = (window.top + window.bottom) / 2 - height / 2;
  int left = window.left;
  const LONG_PTR align = style & SS_TYPEMASK;
  if (align == SS_CENTER)
    left = (window.left + window.right) / 2 - width / 2;
  else if (align == SS_RIGHT)
    left = window.right - width;
  m_bSizing = true;
  SetWindowPos(m_hWnd, nullptr, left, top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
  m_bSizing = false;
}

void HyperlinkLabel::SizeToSingleLine() {
  if (!m_bAdjustToFit || m_bSizing) return;
  const SIZE extent = TextExtent(m_hWnd, CurrentFont(), ShownText(m_hWnd));
  RECT window = {};
  RECT client = {};
  GetWindowRect(m_hWnd, &window);
  GetClientRect(m_hWnd, &client);
  const int width = extent.cx + (window.right - window.left) - client.right;
  const int height = extent.cy + (window.bottom - window.top) - client.bottom;
  if (width == window.right - window.left && height == window.bottom - window.top) return;
  m_bSizing = true;
  SetWindowPos(m_hWnd, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  m_bSizing = false;
}

void HyperlinkLabel::LoadHandCursor() {
  char folder[MAX_PATH] = {};
  const UINT length = GetWindowsDirectoryA(folder, MAX_PATH);
  if (length > 0 && length < MAX_PATH) {
    const std::string viewer = std::string(folder) + "\\winhlp32.exe";
    // Copied while the file is loaded: its cursor goes with it.
    const ModuleHandle file(LoadLibraryExA(viewer.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
    const HCURSOR hand =
        file ? LoadCursorA(file.Get(), MAKEINTRESOURCEA(kHelpViewerHandCursor)) : nullptr;
    if (hand) {
      m_hOwnCursor.Reset(CopyCursor(hand));
      m_hLinkCursor = m_hOwnCursor.Get();
    }
  }
  // Any hand serves: our own, then the system's.
  if (!m_hLinkCursor)
    m_hLinkCursor = LoadCursorA(Dialog::ResourceModule(), MAKEINTRESOURCEA(IDC_LINK_HAND));
  if (!m_hLinkCursor) m_hLinkCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(kSystemHandCursor));
}

void HyperlinkLabel::CreateToolTip() {
  INITCOMMONCONTROLSEX init = {sizeof(init), ICC_WIN95_CLASSES};
  InitCommonControlsEx(&init);
  m_hToolTip = CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP,
                               CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, m_hWnd,
                               nullptr, nullptr, nullptr);
  if (!m_hToolTip) return;
  TOOLINFOA tool = {};
  tool.cbSize = sizeof(tool);
  tool.uFlags = TTF_SUBCLASS;  // the tooltip sees the control's mouse messages itself
  tool.hwnd = m_hWnd;
  tool.uId = 1;
  GetClientRect(m_hWnd, &tool.rect);
  tool.lpszText = const_cast<char*>(m_strURL.c_str());
  SendMessageA(m_hToolTip, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool));
}

void HyperlinkLabel::SetKeyboardAccess(bool on) {
  if (!m_hWnd) return;
  const LONG_PTR style = GetWindowLongPtrA(m_hWnd, GWL_STYLE);
  SetWindowLongPtrA(m_hWnd, GWL_STYLE, on ? style | WS_TABSTOP : style & ~WS_TABSTOP);
  ApplyFont(RestingFont());
  Repaint();
}

void HyperlinkLabel::Activate() {
  HWND hParent = GetParent(m_hWnd);
  if (!hParent) return;
  // The same notification a click gives: the parent's dialog reflects it here
  // first (the link opens), then acts on it itself.
  SendMessageA(hParent, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(m_hWnd), STN_CLICKED),
               reinterpret_cast<LPARAM>(m_hWnd));
}

// Drawn over the text the static has just painted, in the text's colour, as
// buttons draw theirs; not while the system hides focus cues (the user has not
// used the keyboard yet). Not XOR: a second paint must not take it away again.
void HyperlinkLabel::DrawFocus() {
  if (GetFocus() != m_hWnd) return;
  if (SendMessageA(m_hWnd, WM_QUERYUISTATE, 0, 0) & UISF_HIDEFOCUS) return;
  const WindowDc dc(m_hWnd);
  if (!dc) return;
  RECT client = {};
  GetClientRect(m_hWnd, &client);
  LOGBRUSH brush = {BS_SOLID, TextColour(), 0};
  const PenHandle dots(ExtCreatePen(PS_COSMETIC | PS_ALTERNATE, 1, &brush, 0, nullptr));
  if (!dots) return;
  const SelectedObject pen(dc.Get(), dots.Get());
  const SelectedObject hollow(dc.Get(), GetStockObject(NULL_BRUSH));
  Rectangle(dc.Get(), client.left, client.top, client.right, client.bottom);
}

void HyperlinkLabel::OnClick() {
  if (m_bNavigationOff) return;
  m_bOverControl = false;
  const intptr_t result =
      g_opener ? g_opener(m_strURL, SW_SHOW) : GotoURL(m_strURL, SW_SHOW);
  if (result > 32) {
    SetVisited(true);
    return;
  }
  MessageBeep(MB_ICONEXCLAMATION);
  ShowWarning(HyperlinkErrorText(static_cast<int>(result)));
}

bool HyperlinkLabel::OnReflected(UINT message, WPARAM wParam, LPARAM, LRESULT& result) {
  if (message == WM_CTLCOLORSTATIC) {
    HDC hdc = reinterpret_cast<HDC>(wParam);
    SetTextColor(hdc, TextColour());
    SetBkMode(hdc, TRANSPARENT);
    result = reinterpret_cast<LRESULT>(GetStockObject(NULL_BRUSH));
    return true;
  }
  if (message == WM_COMMAND && HIWORD(wParam) == STN_CLICKED) {
    OnClick();
    return false;  // the parent acts on the click too
  }
  return false;
}

LRESULT HyperlinkLabel::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  const bool keyboard = (GetWindowLongPtrA(m_hWnd, GWL_STYLE) & WS_TABSTOP) != 0;
  switch (message) {
    case WM_GETDLGCODE: {
      if (!keyboard) break;
      // A button to the dialog manager, so its access key clicks it; Enter is
      // taken here rather than becoming the dialog's default command.
      const MSG* pending = reinterpret_cast<const MSG*>(lParam);
      const bool enter = pending && pending->message == WM_KEYDOWN && pending->wParam == VK_RETURN;
      return DLGC_BUTTON | (enter ? DLGC_WANTMESSAGE : 0);
    }
    case WM_KEYDOWN:
      if (keyboard && (wParam == VK_RETURN || wParam == VK_SPACE) && !(lParam & (1 << 30))) {
        Activate();
        return 0;
      }
      break;
    case BM_CLICK:
      Activate();
      return 0;
    case WM_UPDATEUISTATE: {
      const LRESULT result = Default(message, wParam, lParam);
      if (!m_bOverControl) ApplyFont(RestingFont());
      Repaint();
      return result;
    }
    case WM_SETFOCUS:
    case WM_KILLFOCUS: {
      const LRESULT result = Default(message, wParam, lParam);
      Repaint();
      return result;
    }
    case WM_PAINT: {
      const LRESULT result = Default(message, wParam, lParam);
      DrawFocus();
      return result;
    }
    case WM_MOUSEMOVE:
      if (!m_bOverControl) {
        m_bOverControl = true;
        if (m_nUnderline == kUnderlineHover) ApplyFont(m_hUnderlineFont.Get());
        Repaint();
        SetTimer(m_hWnd, kHoverTimer, 100, nullptr);
      }
      break;
    case WM_TIMER:
      if (wParam == kHoverTimer) {
        const DWORD position = GetMessagePos();
        POINT point = {static_cast<short>(LOWORD(position)), static_cast<short>(HIWORD(position))};
        ScreenToClient(m_hWnd, &point);
        RECT client = {};
        GetClientRect(m_hWnd, &client);
        if (!PtInRect(&client, point)) {
          m_bOverControl = false;
          KillTimer(m_hWnd, kHoverTimer);
          ApplyFont(RestingFont());
          Repaint();
        }
        return 0;
      }
      break;
    case WM_SETCURSOR:
      if (m_hLinkCursor) {
        SetCursor(m_hLinkCursor);
        return TRUE;
      }
      break;
    case WM_ERASEBKGND:
      return TRUE;
    case WM_SIZE: {
      LRESULT result = Default(message, wParam, lParam);
      SizeToSingleLine();
      return result;
    }
    default:
      break;
  }
  return Default(message, wParam, lParam);
}
