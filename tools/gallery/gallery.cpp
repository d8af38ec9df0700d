// A small program that shows every control in its states, for eyes and screenshots:
// the gallery page, and the main window's template over the Home background.
// Usage: gallery.exe [seconds]   (closes itself after the given seconds)

#include <windows.h>
#include <commctrl.h>
#include <ole2.h>

#include <cstdlib>
#include <string>

#include "app/main_dialog_ids.h"
#include "core/handles.h"
#include "framework/window.h"
#include "ui/gif_animator.h"
#include "ui/html_label.h"
#include "ui/html_text.h"
#include "ui/hyperlink_label.h"
#include "ui/resource_ids.h"

#include "gallery_ids.h"

namespace {

const UINT_PTR kCloseTimer = 1;

void PaintBitmap(HDC hdc, int id, int x, int y) {
  const BitmapHandle bitmap(LoadBitmapA(Dialog::ResourceModule(), MAKEINTRESOURCEA(id)));
  if (!bitmap) return;
  BITMAP info = {};
  GetObjectA(bitmap.Get(), sizeof(info), &info);
  const MemoryDc memory(CreateCompatibleDC(hdc));
  const SelectedObject picture(memory.Get(), bitmap.Get());
  BitBlt(hdc, x, y, info.bmWidth, info.bmHeight, memory.Get(), 0, 0, SRCCOPY);
}

// Never opens anything: the gallery only shows.
intptr_t NoOpen(const std::string&, int) { return 33; }

class GalleryPage : public Dialog {
 public:
  GalleryPage() : Dialog(IDD_GALLERY, nullptr) {}

 protected:
  BOOL OnInitDialog() override {
    m_normal.AttachItem(m_hWnd, IDC_GALLERY_LINK);
    m_visited.AttachItem(m_hWnd, IDC_GALLERY_VISITED_LINK);
    m_visited.SetVisited(true);
    m_hovered.AttachItem(m_hWnd, IDC_GALLERY_HOVERED_LINK);
    m_always.AttachItem(m_hWnd, IDC_GALLERY_UNDERLINED_LINK);
    m_always.SetUnderline(HyperlinkLabel::kUnderlineAlways);
    m_target.SetURL("http://www.example.com/support.php");
    m_target.AttachItem(m_hWnd, IDC_GALLERY_TARGET_LINK);

    SetDlgItemTextA(m_hWnd, IDC_GALLERY_HTML_FIRST,
                    "<b>Quillbane</b> safely and effectively scans Windows Registry and hard disk "
                    "drive for incorrect File and System References.<br><br>It instantly removes "
                    "all inconsistencies.");
    SetDlgItemTextA(m_hWnd, IDC_GALLERY_HTML_SECOND,
                    "<b>Section Name : Installed Fonts</b><br><font color=\"#FF0000\">Problems "
                    "Found : 4</font><br><font color=\"#0000FF\"><u>View Details</u></font>");
    SetDlgItemTextA(m_hWnd, IDC_GALLERY_HTML_THIRD,
                    "<font color=\"#0000FF\"<b>Manage Browser Helper Objects</b></font><br>BHO's "
                    "are attached to the Internet Explorer \t\t\t\t\tand are capable of creating a "
                    "great deal of menace.");
    SetDlgItemTextA(m_hWnd, IDC_GALLERY_HTML_FOURTH,
                    "<i>italic</i>, <u>underlined words</u>, x<sup>2</sup> and H<sub>2</sub>O, "
                    "<font color=\"#7B7B7B\">grey</font>, an unknown <tag> and Fonts&Paths."
                    "<p>A paragraph after the text.");
    for (int id : {IDC_GALLERY_HTML_FIRST, IDC_GALLERY_HTML_SECOND, IDC_GALLERY_HTML_THIRD,
                   IDC_GALLERY_HTML_FOURTH}) {
      m_html[id - IDC_GALLERY_HTML_FIRST].AttachItem(m_hWnd, id);
    }

    m_busy.AttachItem(m_hWnd, IDC_GALLERY_BUSY);
    if (m_busy.LoadFromResource(MAKEINTRESOURCEA(IDR_BUSY_GIF), "GIF")) m_busy.Draw();

    // The pictures are painted where this placeholder stands.
    ShowWindow(GetDlgItem(m_hWnd, IDC_GALLERY_PICTURES), SW_HIDE);
    return TRUE;
  }

 public:
  // Parks the cursor on the third link so its timer keeps it hovered.
  void HoverThirdLink() {
    RECT link = {};
    GetWindowRect(GetDlgItem(m_hWnd, IDC_GALLERY_HOVERED_LINK), &link);
    SetCursorPos((link.left + link.right) / 2, (link.top + link.bottom) / 2);
    SendMessageA(GetDlgItem(m_hWnd, IDC_GALLERY_HOVERED_LINK), WM_MOUSEMOVE, 0, MAKELPARAM(2, 2));
  }

 protected:

  bool OnMessage(UINT message, WPARAM, LPARAM, INT_PTR& result) override {
    if (message != WM_PAINT) return false;
    PAINTSTRUCT paint;
    HDC hdc = BeginPaint(m_hWnd, &paint);
    RECT area = {};
    GetWindowRect(GetDlgItem(m_hWnd, IDC_GALLERY_PICTURES), &area);
    MapWindowPoints(nullptr, m_hWnd, reinterpret_cast<POINT*>(&area), 2);
    int x = area.left;
    for (int id : {IDB_UNCHECKED, IDB_CHECKED}) {
      PaintBitmap(hdc, id, x, area.top);
      x += 24;
    }
    for (int id : {IDB_PROGRESS_WAITING, IDB_PROGRESS_SCANNING, IDB_PROGRESS_DONE}) {
      PaintBitmap(hdc, id, x, area.top);
      x += 28;
    }
    const SelectedObject font(hdc, reinterpret_cast<HFONT>(SendMessageA(m_hWnd, WM_GETFONT, 0, 0)));
    SetBkMode(hdc, TRANSPARENT);
    int y = area.top + 30;
    const struct {
      int id;
      const char* label;
    } bars[] = {{IDB_SEVERITY_MODERATE, "Moderate : "}, {IDB_SEVERITY_SEVERE, "Severe : "},
                {IDB_SEVERITY_CRITICAL, "Critical : "}};
    int column = area.left;
    for (const auto& bar : bars) {
      RECT label = {column, y, column + 60, y + 12};
      DrawHtmlText(hdc, bar.label, -1, label);
      PaintBitmap(hdc, bar.id, column + 62, y + 2);
      column += 140;
      if (column > area.right - 100) {
        column = area.left;
        y += 14;
      }
    }
    EndPaint(m_hWnd, &paint);
    result = TRUE;
    return true;
  }

  bool OnCommand(int id, int code, HWND hControl) override {
    if (id == IDCANCEL) PostQuitMessage(0);
    return Dialog::OnCommand(id, code, hControl);
  }

 private:
  HyperlinkLabel m_normal, m_visited, m_hovered, m_always, m_target;
  HtmlLabel m_html[4];
  GifAnimator m_busy;
};

// The main window's template over its background: the Home panel, or the Scan panel
// with the busy animation in its place.
class HomePreview : public Dialog {
 public:
  explicit HomePreview(bool scanPanel) : Dialog(IDD_MAIN, nullptr), m_bScan(scanPanel) {
    m_hBackground.Reset(LoadBitmapA(
        Dialog::ResourceModule(),
        MAKEINTRESOURCEA(scanPanel ? IDB_PLAIN_BACKGROUND : IDB_HOME_BACKGROUND)));
  }

 protected:
  BOOL OnInitDialog() override {
    const int hidden[] = {
        IDC_PROGRESS_LIST, IDC_SCAN_BUTTON, IDC_PROGRESS_BAR, IDC_STATUS_LABEL, IDC_TOTAL_LABEL,
        IDC_ANIMATION, IDC_TOTALS_FRAME, IDC_AFFECTED_LABEL, IDC_RESULTS_LIST, IDC_REMOVE_BUTTON,
        IDC_RESULTS_TOTAL, IDC_SECTIONS_LIST, IDC_SAVE_SECTIONS, IDC_RESTORE_TEXT,
        IDC_BACKUP_DATES_CAPTION, IDC_BACKUP_DATES, IDC_RESTORE_BUTTON, IDC_RESTORE_RULE,
        IDC_ADVANCED_CAPTION, IDC_ADVANCED_RULE, IDC_LOG_RULE, IDC_STARTUP_CAPTION,
        IDC_STARTUP_RULE, IDC_REMOVAL_CAPTION, IDC_REMOVAL_RULE, IDC_LOG_CAPTION,
        IDC_LOG_FOLDER_LABEL, IDC_RUN_AT_STARTUP, IDC_SELECT_ALL_ERRORS, IDC_AUTO_BACKUP,
        IDC_LOG_FOLDER, IDC_SAVE_PREFERENCES, IDC_BROWSE_LOG_FOLDER, IDC_STARTUP_MANAGER,
        IDC_BHO_MANAGER, IDC_ADD_REMOVE_MANAGER};
    for (int id : hidden) ShowWindow(GetDlgItem(m_hWnd, id), SW_HIDE);
    if (m_bScan) {
      for (int id : {IDC_OS_LINE, IDC_PROFILE_LINE, IDC_MEMORY_LINE, IDC_DISK_LINE, IDC_HOME_LINK,
                     IDC_SUPPORT_LINK, IDC_DESCRIPTION})
        ShowWindow(GetDlgItem(m_hWnd, id), SW_HIDE);
      for (int id : {IDC_PROGRESS_LIST, IDC_SCAN_BUTTON, IDC_STATUS_LABEL, IDC_TOTAL_LABEL,
                     IDC_ANIMATION, IDC_TOTALS_FRAME, IDC_AFFECTED_LABEL})
        ShowWindow(GetDlgItem(m_hWnd, id), SW_SHOW);
      HWND list = GetDlgItem(m_hWnd, IDC_PROGRESS_LIST);
      const char* titles[] = {"Section", "Problems", "Status"};
      const int widths[] = {200, 100, 100};
      for (int i = 0; i < 3; ++i) {
        LVCOLUMNA column = {};
        column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT;
        column.fmt = LVCFMT_CENTER;
        column.cx = widths[i];
        column.pszText = const_cast<char*>(titles[i]);
        SendMessageA(list, LVM_INSERTCOLUMNA, i, reinterpret_cast<LPARAM>(&column));
      }
      SetDlgItemTextA(m_hWnd, IDC_STATUS_LABEL, "Scanning Installed Fonts ...");
      SetDlgItemTextA(m_hWnd, IDC_TOTAL_LABEL, "Total Problems : 4");
      SetDlgItemTextA(m_hWnd, IDC_AFFECTED_LABEL, "Affected Sections : 1");
      m_busy.AttachItem(m_hWnd, IDC_ANIMATION);
      if (m_busy.LoadFromResource(MAKEINTRESOURCEA(IDR_BUSY_GIF), "GIF")) m_busy.Draw();
    }
    SetWindowTextA(m_hWnd, "Quillbane v2.1 ");
    HICON icon = LoadIconA(Dialog::ResourceModule(), MAKEINTRESOURCEA(IDI_QUILLBANE));
    SendMessageA(m_hWnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
    SendMessageA(m_hWnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
    SetDlgItemTextA(m_hWnd, IDC_DESCRIPTION,
                    "<b>Quillbane</b> safely and effectively scans Windows Registry and hard disk "
                    "drive for incorrect File and System References.<br><br>It instantly removes "
                    "all inconsistencies, cleans registry, optimizes your PC and provides an "
                    "error free and fast system.");
    SetDlgItemTextA(m_hWnd, IDC_OS_LINE, "OS : Windows 7 Service Pack 1");
    SetDlgItemTextA(m_hWnd, IDC_PROFILE_LINE, "Profile : Ada");
    SetDlgItemTextA(m_hWnd, IDC_MEMORY_LINE, "Available Memory : 2780 MB of 4096 MB");
    SetDlgItemTextA(m_hWnd, IDC_DISK_LINE, "Free Disk Space : 41 GB of 120 GB");
    m_description.AttachItem(m_hWnd, IDC_DESCRIPTION);
    const int links[] = {IDC_NAV_SCAN_NOW, IDC_NAV_CHOOSE_SECTIONS, IDC_NAV_RESTORE_BACKUP,
                         IDC_NAV_ADVANCED_CONTROLS};
    for (int i = 0; i < 4; ++i) {
      m_nav[i].AttachItem(m_hWnd, links[i]);
      m_nav[i].SetNavigationOff(true);
      m_nav[i].SetUnderline(HyperlinkLabel::kUnderlineAlways);
    }
    m_help.AttachItem(m_hWnd, IDC_HELP_LINK);
    m_help.SetColours(RGB(255, 255, 255), RGB(255, 255, 255), static_cast<COLORREF>(-1));
    m_home.AttachItem(m_hWnd, IDC_HOME_LINK);
    m_home.SetUnderline(HyperlinkLabel::kUnderlineAlways);
    m_support.AttachItem(m_hWnd, IDC_SUPPORT_LINK);
    m_support.SetUnderline(HyperlinkLabel::kUnderlineAlways);

    // Client area the size of the picture, and the controls moved in proportion, as
    // the main window does: the template's font decides its pixel size, the picture not.
    RECT window = {}, client = {};
    GetWindowRect(m_hWnd, &window);
    GetClientRect(m_hWnd, &client);
    const int width = 650 + (window.right - window.left) - client.right;
    const int height = 360 + (window.bottom - window.top) - client.bottom;
    for (HWND child = GetWindow(m_hWnd, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
      RECT rect = {};
      GetWindowRect(child, &rect);
      MapWindowPoints(nullptr, m_hWnd, reinterpret_cast<POINT*>(&rect), 2);
      const int left = MulDiv(rect.left, 650, client.right);
      const int top = MulDiv(rect.top, 360, client.bottom);
      SetWindowPos(child, nullptr, left, top, MulDiv(rect.right, 650, client.right) - left,
                   MulDiv(rect.bottom, 360, client.bottom) - top, SWP_NOZORDER | SWP_NOACTIVATE);
    }
    SetWindowPos(m_hWnd, nullptr, 600, m_bScan ? 410 : 20, width, height, SWP_NOZORDER);
    return TRUE;
  }

  HBRUSH OnCtlColor(HDC hdc, HWND, UINT message) override {
    if (message != WM_CTLCOLORSTATIC) return nullptr;
    SetBkMode(hdc, TRANSPARENT);
    return static_cast<HBRUSH>(GetStockObject(NULL_BRUSH));
  }

  bool OnMessage(UINT message, WPARAM, LPARAM, INT_PTR& result) override {
    if (message == WM_ERASEBKGND) {
      result = TRUE;
      return true;
    }
    if (message != WM_PAINT) return false;
    PAINTSTRUCT paint;
    HDC hdc = BeginPaint(m_hWnd, &paint);
    if (m_hBackground) {
      const MemoryDc memory(CreateCompatibleDC(hdc));
      const SelectedObject picture(memory.Get(), m_hBackground.Get());
      BitBlt(hdc, 0, 0, 650, 360, memory.Get(), 0, 0, SRCCOPY);
    }
    EndPaint(m_hWnd, &paint);
    result = TRUE;
    return true;
  }

  bool OnCommand(int id, int code, HWND hControl) override {
    if (id == IDCANCEL) PostQuitMessage(0);
    return Dialog::OnCommand(id, code, hControl);
  }

 private:
  bool m_bScan;
  BitmapHandle m_hBackground;
  GifAnimator m_busy;
  HtmlLabel m_description;
  HyperlinkLabel m_nav[4], m_help, m_home, m_support;
};

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR commandLine, int) {
  OleInitialize(nullptr);
  INITCOMMONCONTROLSEX init = {sizeof(init), ICC_WIN95_CLASSES | ICC_PROGRESS_CLASS};
  InitCommonControlsEx(&init);
  HyperlinkLabel::SetOpener(NoOpen);
  const int seconds = commandLine ? std::atoi(commandLine) : 0;
  {
    GalleryPage page;
    HomePreview home(false);
    HomePreview scan(true);
    if (!page.Create() || !home.Create() || !scan.Create()) return 1;
    ShowWindow(scan.Handle(), SW_SHOW);
    SetWindowPos(page.Handle(), nullptr, 10, 20, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    ShowWindow(page.Handle(), SW_SHOW);
    ShowWindow(home.Handle(), SW_SHOW);
    page.HoverThirdLink();
    if (seconds > 0) SetTimer(nullptr, kCloseTimer, static_cast<UINT>(seconds) * 1000, nullptr);
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
      if (msg.message == WM_TIMER && msg.hwnd == nullptr) break;
      if (IsDialogMessageA(page.Handle(), &msg) || IsDialogMessageA(home.Handle(), &msg) ||
          IsDialogMessageA(scan.Handle(), &msg))
        continue;
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
  }
  OleUninitialize();
  return 0;
}
