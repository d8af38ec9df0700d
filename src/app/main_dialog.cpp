#include "app/main_dialog.h"

#include <commctrl.h>

#include <algorithm>
#include <cstring>
#include <utility>

#include "app/cleaner_app.h"
#include "app/item_list_dialog.h"
#include "backup/file_utils.h"
#include "backup/program_folder.h"
#include "core/product.h"
#include "framework/prompt.h"
#include "scan/exclusion_list.h"
#include "scan/section_registry.h"
#include "managers/manager_dialogs.h"
#include "ui/resource_ids.h"

namespace {

const int kScanPanel[] = {kScanButton, kProgressList, kStatusLabel, kTotalLabel,
                          kAnimation, kTotalsFrame, kAffectedLabel};
const int kResultsPanel[] = {kResultsList, kRemoveButton, kResultsTotal};
const int kSectionsPanel[] = {kSaveSections, kSectionsList};
const int kRestorePanel[] = {kRestoreText, IDC_BACKUP_DATES_CAPTION, kBackupDates,
                             kRestoreButton, IDC_RESTORE_RULE, kShowBackupItems};
const int kHomePanel[] = {kHomeLink, kSupportLink, kDescription};
const int kSystemLines[] = {kDiskLine, kOsLine, kProfileLine, kMemoryLine};

const char kDescriptionText[] =
    "<b>Quillbane</b> safely and effectively scans Windows Registry and hard disk drive for "
    "incorrect File and System References.<br><br>It instantly removes all inconsistencies, "
    "cleans registry, optimizes your PC and provides an error free and fast system.";

std::string TrimTrailingBackslashes(std::string text) {
  while (!text.empty() && text.back() == '\\') text.pop_back();
  return text;
}

HBITMAP LoadBackground(int id) {
  return static_cast<HBITMAP>(
      LoadImageA(Dialog::ResourceModule(), MAKEINTRESOURCEA(id), IMAGE_BITMAP, 0, 0, 0));
}

}  // namespace

MainDialog::MainDialog(CleanerApp& app)
    : FixedFontDialog(IDD_MAIN, nullptr),
      m_app(app),
      m_hHomeBackground(LoadBackground(IDB_HOME_BACKGROUND)),
      m_hPlainBackground(LoadBackground(IDB_PLAIN_BACKGROUND)),
      m_hWhiteBrush(CreateSolidBrush(RGB(255, 255, 255))),
      m_log(app.Info().osName),
      m_strBackupFolder(TrimTrailingBackslashes(ProgramFolder()) + "\\Backup"),
      m_fnOpenHelp([](const std::string& file) { return RunProgram(file, "", false); }) {
  m_hIcon = static_cast<HICON>(LoadImageA(Dialog::ResourceModule(), MAKEINTRESOURCEA(IDI_QUILLBANE),
                                          IMAGE_ICON, 0, 0, LR_DEFAULTSIZE | LR_SHARED));
}

MainDialog::~MainDialog() {
  // The window and its controls go before the pictures, brush and font they use.
  DestroyWindow();
}

void MainDialog::SetFolderChooser(PreferencesPanel::FolderChooser chooser) {
  m_preferences.SetFolderChooser(std::move(chooser));
}

// The template's point size is chosen so that the text keeps its pixel size on any
// screen, but whole points cannot always hit it (Tahoma 7 at 120 dots per inch is
// a pixel taller than Tahoma 8 at 96), and the layout over the picture has no room
// to spare: the window and its controls get the font at the exact pixel height.
void MainDialog::PinFontHeight() {
  HFONT hFont = reinterpret_cast<HFONT>(SendMessageA(m_hWnd, WM_GETFONT, 0, 0));
  LOGFONTA description = {};
  if (!hFont || !GetObjectA(hFont, sizeof(description), &description)) return;
  const LONG designHeight = -MulDiv(8, 96, 72);
  if (description.lfHeight == designHeight) return;
  description.lfHeight = designHeight;
  description.lfWidth = 0;
  FontHandle font(CreateFontIndirectA(&description));
  if (!font) return;
  SendMessageA(m_hWnd, WM_SETFONT, reinterpret_cast<WPARAM>(font.Get()), FALSE);
  for (HWND hChild = GetWindow(m_hWnd, GW_CHILD); hChild; hChild = GetWindow(hChild, GW_HWNDNEXT))
    SendMessageA(hChild, WM_SETFONT, reinterpret_cast<WPARAM>(font.Get()), FALSE);
  // Any font pinned before is in use no longer.
  m_hFont = std::move(font);
}

BOOL MainDialog::OnInitDialog() {
  PinFontHeight();
  m_description.AttachItem(m_hWnd, kDescription);
  m_restoreText.AttachItem(m_hWnd, kRestoreText);
  m_help.AttachItem(m_hWnd, kHelpLink);
  m_home.AttachItem(m_hWnd, kHomeLink);
  m_support.AttachItem(m_hWnd, kSupportLink);
  for (int i = 0; i < 4; ++i) m_nav[i].AttachItem(m_hWnd, kNavScanNow + i);
  m_results.AttachItem(m_hWnd, kResultsList);
  m_sections.AttachItem(m_hWnd, kSectionsList);
  m_progress.AttachItem(m_hWnd, kProgressList);
  m_animation.AttachItem(m_hWnd, kAnimation);
  m_preferences.SetDialog(m_hWnd);
  SetPromptOwner(m_hWnd);

  m_app.InstanceChecker().RegisterAsFirstInstance(m_hWnd);
  SendMessageA(m_hWnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_hIcon));
  SendMessageA(m_hWnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_hIcon));
  m_layout.CaptureChildren(m_hWnd);
  SetDlgItemTextA(m_hWnd, kDescription, kDescriptionText);
  UpdateTitle();
  if (m_animation.LoadFromResource(MAKEINTRESOURCEA(IDR_BUSY_GIF), "GIF")) m_animation.Draw();

  m_status.SetLabel(Item(kStatusLabel));
  SendMessageA(Item(kProgressBar), PBM_SETRANGE, 0, MAKELPARAM(0, 10000));
  SizeToPicture();
  SetUpLinks();
  SetUpSystemLines();

  m_progress.SetUp();
  m_results.SetUp(55, LVS_EX_CHECKBOXES);
  m_results.SetCheckPictures(IDB_CHECKED, IDB_UNCHECKED);
  m_results.SetLinkText("<font color=\"#0000FF\"><u>View Details</u></font>");
  m_sections.SetUp(60, LVS_EX_CHECKBOXES);
  m_sections.SetCheckPictures(IDB_CHECKED, IDB_UNCHECKED);

  m_pCatalogue = std::make_unique<SectionCatalogue>(RegisteredSections());
  SetUpScan();

  HideAllPanels();
  SetBackgroundMode(0);
  ShowHomePanel(true);

  m_archive.SetBackupFolder(m_strBackupFolder);
  CreateDirectoryA(m_strBackupFolder.c_str(), nullptr);
  return TRUE;
}

namespace {

RECT ChildRect(HWND hChild) {
  RECT rect = {};
  GetWindowRect(hChild, &rect);
  MapWindowPoints(nullptr, GetParent(hChild), reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

void MoveChild(HWND hChild, const RECT& rect) {
  MoveWindow(hChild, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, FALSE);
}

}  // namespace

// The panel captions are sized for one font's widths; with another (Wine's
// Tahoma, a larger screen setting) a caption that wraps loses its last words.
// Each one grows to its text, and the control after it on the same line (a
// separator, the log folder box, the date list) starts that much later.
void MainDialog::FitCaptions() {
  const WindowDc dc(m_hWnd);
  if (!dc) return;
  const HDC hdc = dc.Get();
  const SelectedObject font(hdc, reinterpret_cast<HFONT>(SendMessageA(m_hWnd, WM_GETFONT, 0, 0)));
  const struct {
    int caption;
    int next;  // the control to its right
  } kCaptions[] = {{IDC_ADVANCED_CAPTION, IDC_ADVANCED_RULE},
                   {IDC_STARTUP_CAPTION, IDC_STARTUP_RULE},
                   {IDC_REMOVAL_CAPTION, IDC_REMOVAL_RULE},
                   {IDC_LOG_CAPTION, IDC_LOG_RULE},
                   {IDC_LOG_FOLDER_LABEL, IDC_LOG_FOLDER},
                   {IDC_BACKUP_DATES_CAPTION, kBackupDates}};
  for (const auto& entry : kCaptions) {
    HWND hCaption = Item(entry.caption);
    char text[128] = {};
    GetWindowTextA(hCaption, text, sizeof(text));
    SIZE size = {};
    GetTextExtentPoint32A(hdc, text, static_cast<int>(strlen(text)), &size);
    RECT rect = ChildRect(hCaption);
    if (size.cx + 2 <= rect.right - rect.left) continue;
    rect.right = rect.left + size.cx + 2;
    RECT next = ChildRect(Item(entry.next));
    next.left = std::max(next.left, rect.right + 4);
    MoveChild(Item(entry.next), next);
    MoveChild(hCaption, rect);
  }
  // The restore explanation may take the room down to the date list.
  RECT text = ChildRect(Item(kRestoreText));
  text.bottom = std::max(text.bottom, ChildRect(Item(kBackupDates)).top - 6);
  MoveChild(Item(kRestoreText), text);
}

void MainDialog::SizeToPicture() {
  BITMAP picture = {};
  if (!m_hHomeBackground || !GetObjectA(m_hHomeBackground.Get(), sizeof(picture), &picture)) {
    return;
  }
  RECT window = {}, client = {};
  GetWindowRect(m_hWnd, &window);
  GetClientRect(m_hWnd, &client);
  const int width = picture.bmWidth + (window.right - window.left) - (client.right - client.left);
  const int height = picture.bmHeight + (window.bottom - window.top) - (client.bottom - client.top);
  MoveWindow(m_hWnd, 0, 0, width, height, TRUE);
  // Centred in the work area of the screen the window is on.
  MONITORINFO monitor = {};
  monitor.cbSize = sizeof(monitor);
  if (GetMonitorInfoA(MonitorFromWindow(m_hWnd, MONITOR_DEFAULTTOPRIMARY), &monitor)) {
    const RECT& area = monitor.rcWork;
    const int left = area.left + ((area.right - area.left) - width) / 2;
    const int top = area.top + ((area.bottom - area.top) - height) / 2;
    SetWindowPos(m_hWnd, nullptr, left > area.left ? left : area.left,
                 top > area.top ? top : area.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
}

void MainDialog::SetUpLinks() {
  for (HyperlinkLabel& entry : m_nav) {
    entry.SetNavigationOff(true);
    entry.SetUnderline(HyperlinkLabel::kUnderlineAlways);
  }
  for (HyperlinkLabel* link : {&m_nav[0], &m_nav[1], &m_nav[2], &m_nav[3], &m_home, &m_support, &m_help})
    link->SetKeyboardAccess(true);
  m_help.SetURL(kSupportPage);
  m_help.SetColours(RGB(255, 255, 255), RGB(255, 255, 255), static_cast<COLORREF>(-1));
  m_home.SetURL(kHomePage);
  m_home.SetUnderline(HyperlinkLabel::kUnderlineAlways);
  m_support.SetURL(kSupportPage);
  m_support.SetUnderline(HyperlinkLabel::kUnderlineAlways);
}

void MainDialog::SetUpSystemLines() {
  const SystemInfo& info = m_app.Info();
  m_strProfileLine = "Profile : " + info.userName;
  m_strOsLine = "OS : " + info.osName;
  m_strMemoryLine = info.MemoryText();
  m_strDiskLine = info.FreeDiskSpaceText();
  SetDlgItemTextA(m_hWnd, kDiskLine, m_strDiskLine.c_str());
  SetDlgItemTextA(m_hWnd, kOsLine, m_strOsLine.c_str());
  SetDlgItemTextA(m_hWnd, kProfileLine, m_strProfileLine.c_str());
  SetDlgItemTextA(m_hWnd, kMemoryLine, m_strMemoryLine.c_str());
}

void MainDialog::UpdateTitle() {
  const std::string title = std::string(qb::kProductName) + " " + qb::kProductVersion + " ";
  SetWindowTextA(m_hWnd, title.c_str());
}

// ---------------------------------------------------------------- panels

void MainDialog::ShowControls(const int* ids, size_t count, bool show) {
  for (size_t i = 0; i < count; ++i) ShowWindow(Item(ids[i]), show ? SW_SHOW : SW_HIDE);
}

void MainDialog::ShowScanPanel(bool show) { ShowControls(kScanPanel, std::size(kScanPanel), show); }
void MainDialog::ShowHomePanel(bool show) { ShowControls(kHomePanel, std::size(kHomePanel), show); }
void MainDialog::ShowSystemInfo(bool show) {
  ShowControls(kSystemLines, std::size(kSystemLines), show);
}

void MainDialog::HideAllPanels() {
  BeginPanelSwitch();
  ShowScanPanel(false);
  ShowResultsPanel(false);
  ShowSectionsPanel(false);
  m_preferences.Show(false);
  ShowRestorePanel(false);
  ShowHomePanel(false);
  EndPanelSwitch();
}

void MainDialog::SetBackgroundMode(int mode) {
  m_nBackgroundMode = mode;
  ShowSystemInfo(mode == 0);
  RedrawWindow(m_hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN);
}

void MainDialog::BeginPanelSwitch() {
  if (m_nSwitchDepth == 0) m_hFocusBeforeSwitch = GetFocus();
  if (m_nSwitchDepth++ > 0 || !IsWindowVisible(m_hWnd)) return;
  SendMessageA(m_hWnd, WM_SETREDRAW, FALSE, 0);
  m_bFrozen = true;
}

void MainDialog::EndPanelSwitch() {
  if (--m_nSwitchDepth > 0) return;
  m_nSwitchDepth = 0;
  if (m_bFrozen) {
    m_bFrozen = false;
    SendMessageA(m_hWnd, WM_SETREDRAW, TRUE, 0);
    RedrawWindow(m_hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN);
  }
  // Only now: while redrawing is off the window counts as hidden.
  KeepFocusInside();
}

void MainDialog::OnScanNow() {
  BeginPanelSwitch();
  HideAllPanels();
  PrepareScan();
  SetBackgroundMode(1);
  ShowScanPanel(true);
  ShowWindow(Item(kAnimation), SW_HIDE);
  ShowStatusText("Press Start to begin system scan");
  SetDlgItemTextA(m_hWnd, kScanButton, "Start Scan");
  EndPanelSwitch();
}

void MainDialog::OnChooseSections() {
  BeginPanelSwitch();
  SetBackgroundMode(1);
  HideAllPanels();
  ShowSectionsPanel(true);
  EndPanelSwitch();
}

void MainDialog::OnRestoreBackupEntry() {
  BeginPanelSwitch();
  HideAllPanels();
  SetBackgroundMode(1);
  ShowRestorePanel(true);
  EndPanelSwitch();
}

void MainDialog::OnAdvancedControls() {
  BeginPanelSwitch();
  HideAllPanels();
  SetBackgroundMode(1);
  m_preferences.Show(true);
  EndPanelSwitch();
}

// ---------------------------------------------------------------- tools and help

void MainDialog::OnHelpManual() {
  if (m_fnOpenHelp) m_fnOpenHelp(TrimTrailingBackslashes(ProgramFolder()) + "\\Skelda.chm");
}

void MainDialog::OnManagerButton(int id) {
  // Each manager lives for one modal run. It is owned by this window, so the window
  // stays disabled while it is open and no scan can free what it shows.
  if (id == kStartupManager) {
    StartupManagerDialog(m_hWnd).DoModal();
  } else if (id == kBhoManager) {
    BhoManagerDialog(m_hWnd).DoModal();
  } else if (id == kAddRemoveManager) {
    AddRemoveManagerDialog(m_hWnd).DoModal();
  }
}

// ---------------------------------------------------------------- messages

bool MainDialog::OnCommand(int id, int code, HWND hControl) {
  if (m_bRemoving) return OnRemovalCommand(code == BN_CLICKED ? id : 0);
  // A restore's questions and messages let posted clicks through: none starts
  // other work meanwhile (closing waits for its end, OnCloseBox).
  if (m_bRestoring) return true;
  if (code != BN_CLICKED) return Dialog::OnCommand(id, code, hControl);
  if (m_bScanning) {
    // The scan runs inside the Start Scan click: only Abort is taken while it
    // runs (closing comes as WM_CLOSE), so no panel is rebuilt under it.
    if (id == kScanButton) OnScanButton();
    return true;
  }
  switch (id) {
    case kNavScanNow: OnScanNow(); return true;
    case kNavChooseSections: OnChooseSections(); return true;
    case kNavRestoreBackup: OnRestoreBackupEntry(); return true;
    case kNavAdvancedControls: OnAdvancedControls(); return true;
    case kScanButton: OnScanButton(); return true;
    case kRemoveButton: RemoveProblems(); return true;
    case kSaveSections: SaveSectionSelection(); return true;
    case PreferencesPanel::kSave: m_preferences.SavePreferences(); return true;
    case PreferencesPanel::kBrowse: m_preferences.Browse(); return true;
    case kRestoreButton: RestoreBackup(); return true;
    case kHelpLink: OnHelpManual(); return true;
    case kStartupManager:
    case kBhoManager:
    case kAddRemoveManager: OnManagerButton(id); return true;
    case kIgnoredItems: IgnoredItemsDialog(m_hWnd).DoModal(); return true;
    case kShowBackupItems: ShowBackupItems(); return true;
    // The dialog manager's Enter and Escape: never the end of the window.
    case IDOK: OnEnterKey(); return true;
    case IDCANCEL: return true;
    default: return Dialog::OnCommand(id, code, hControl);
  }
}

bool MainDialog::OnNotify(NMHDR* header, LRESULT& result) {
  // The removal reads the check boxes as it goes: they stay as they were.
  if (header->idFrom == kResultsList && header->code == LVN_ITEMCHANGED && !m_bRemoving) {
    OnResultsItemChanged(*reinterpret_cast<const NMLISTVIEW*>(header));
    result = 0;
    return true;
  }
  return false;
}

HBITMAP MainDialog::CurrentBackground() const {
  if (m_nBackgroundMode == 0) return m_hHomeBackground.Get();
  if (m_nBackgroundMode == 1) return m_hPlainBackground.Get();
  return nullptr;
}

void MainDialog::CopyBackgroundUnder(HDC hdc, HWND hControl) {
  HBITMAP hBackground = CurrentBackground();
  if (!hBackground) return;
  RECT area = {};
  GetWindowRect(hControl, &area);
  MapWindowPoints(nullptr, m_hWnd, reinterpret_cast<POINT*>(&area), 2);
  const MemoryDc memory(CreateCompatibleDC(hdc));
  if (!memory) return;
  const SelectedObject picture(memory.Get(), hBackground);
  BitBlt(hdc, 0, 0, area.right - area.left, area.bottom - area.top, memory.Get(), area.left,
         area.top, SRCCOPY);
}

HBRUSH MainDialog::OnCtlColor(HDC hdc, HWND hControl, UINT message) {
  switch (GetDlgCtrlID(hControl)) {
    case kStatusLabel:
    case kTotalsFrame:
    case PreferencesPanel::kSelectAll:
    case PreferencesPanel::kAutoBackup:
    case PreferencesPanel::kLogFolder:
      SetBkMode(hdc, TRANSPARENT);
      return m_hWhiteBrush.Get();
    case kTotalLabel:
    case kAffectedLabel:
    case kResultsTotal:
      SetTextColor(hdc, RGB(255, 0, 0));
      SetBkMode(hdc, TRANSPARENT);
      return m_hWhiteBrush.Get();
    default:
      break;
  }
  if (message != WM_CTLCOLORSTATIC) return nullptr;
  SetBkMode(hdc, TRANSPARENT);
  if (m_app.XpFlag()) CopyBackgroundUnder(hdc, hControl);
  return static_cast<HBRUSH>(GetStockObject(NULL_BRUSH));
}

void MainDialog::Paint() {
  PAINTSTRUCT paint;
  HDC hdc = BeginPaint(m_hWnd, &paint);
  RECT client = {};
  GetClientRect(m_hWnd, &client);
  if (IsIconic(m_hWnd)) {
    const int x = (client.right - GetSystemMetrics(SM_CXICON) + 1) / 2;
    const int y = (client.bottom - GetSystemMetrics(SM_CYICON) + 1) / 2;
    DrawIcon(hdc, x, y, m_hIcon);
  } else if (HBITMAP hBackground = CurrentBackground()) {
    const MemoryDc memory(CreateCompatibleDC(hdc));
    const SelectedObject picture(memory.Get(), hBackground);
    if (memory) BitBlt(hdc, 0, 0, client.right, client.bottom, memory.Get(), 0, 0, SRCCOPY);
  }
  EndPaint(m_hWnd, &paint);
}

bool MainDialog::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) {
  switch (message) {
    case WM_PAINT:
      Paint();
      result = TRUE;
      return true;
    case WM_ERASEBKGND:
      // The paint handler covers the whole client area with the picture.
      SetWindowLongPtrA(m_hWnd, DWLP_MSGRESULT, 0);
      result = TRUE;
      return true;
    case WM_CLOSE:
      OnCloseBox();
      result = TRUE;
      return true;
    case WM_QUERYDRAGICON:
      result = reinterpret_cast<INT_PTR>(m_hIcon);
      return true;
    case WM_SIZE:
      // A minimised window's size says nothing about where the controls belong.
      if (wParam != SIZE_MINIMIZED) {
        m_layout.ScaleChildren();
        FitCaptions();
      }
      return false;
    case kOpenSectionDetailsMessage:
      // Not during a removal: the details may take problems off the list it walks.
      SetWindowLongPtrA(m_hWnd, DWLP_MSGRESULT,
                        m_bRemoving ? 0 : OnOpenSectionDetails(reinterpret_cast<ScanSection*>(wParam)));
      result = TRUE;
      return true;
    default:
      (void)lParam;
      return false;
  }
}

void MainDialog::OnDestroy() {
  m_animation.Stop();
  SetPromptOwner(nullptr);
}
