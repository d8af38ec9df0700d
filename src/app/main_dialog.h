#pragma once
// MainDialog: the program's only top-level window. A fixed-size dialog drawn over
// a full-window picture, with four navigation entries on the left and one panel
// at a time on the right: Home, Scan, Results, Choose Sections, Restore Backup and
// Advanced Controls. It owns the section catalogue, the problem store, the scan
// machinery, the backup archive and the scan log, and shows the scan's events
// (main_dialog_scan.cpp).

#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/check_list_ctrl.h"
#include "app/main_dialog_ids.h"
#include "app/preferences_panel.h"
#include "app/progress_list_ctrl.h"
#include "app/proportional_layout.h"
#include "app/scan_log.h"
#include "app/status_text.h"
#include "backup/backup_archive.h"
#include "core/handles.h"
#include "core/problem_store.h"
#include "core/section_catalogue.h"
#include "framework/fixed_font_dialog.h"
#include "scan/scan_driver.h"
#include "scan/section_scanner.h"
#include "ui/gif_animator.h"
#include "ui/html_label.h"
#include "ui/hyperlink_label.h"

class CleanerApp;

// The controls the window's code acts on, by the template's ids
// (app/main_dialog_ids.h, which res/quillbane.rc includes).
enum MainControl {
  kNavScanNow = IDC_NAV_SCAN_NOW,
  kNavChooseSections = IDC_NAV_CHOOSE_SECTIONS,
  kNavRestoreBackup = IDC_NAV_RESTORE_BACKUP,
  kNavAdvancedControls = IDC_NAV_ADVANCED_CONTROLS,
  kOsLine = IDC_OS_LINE,
  kProfileLine = IDC_PROFILE_LINE,
  kMemoryLine = IDC_MEMORY_LINE,
  kDiskLine = IDC_DISK_LINE,
  kProgressList = IDC_PROGRESS_LIST,
  kScanButton = IDC_SCAN_BUTTON,
  kProgressBar = IDC_PROGRESS_BAR,
  kStatusLabel = IDC_STATUS_LABEL,
  kTotalLabel = IDC_TOTAL_LABEL,
  kAnimation = IDC_ANIMATION,
  kTotalsFrame = IDC_TOTALS_FRAME,
  kAffectedLabel = IDC_AFFECTED_LABEL,
  kResultsList = IDC_RESULTS_LIST,
  kRemoveButton = IDC_REMOVE_BUTTON,
  kSectionsList = IDC_SECTIONS_LIST,
  kSaveSections = IDC_SAVE_SECTIONS,
  kBackupDates = IDC_BACKUP_DATES,
  kRestoreButton = IDC_RESTORE_BUTTON,
  kRestoreText = IDC_RESTORE_TEXT,
  kHomeLink = IDC_HOME_LINK,
  kSupportLink = IDC_SUPPORT_LINK,
  kHelpLink = IDC_HELP_LINK,
  kDescription = IDC_DESCRIPTION,
  kResultsTotal = IDC_RESULTS_TOTAL,
  kStartupManager = IDC_STARTUP_MANAGER,
  kBhoManager = IDC_BHO_MANAGER,
  kAddRemoveManager = IDC_ADD_REMOVE_MANAGER,
  kIgnoredItems = IDC_IGNORED_ITEMS,
  kShowBackupItems = IDC_SHOW_BACKUP_ITEMS,
  kAbortRemoval = IDC_ABORT_REMOVAL,
};

constexpr const char* kHomePage = "https://www.orrelmoor.example/";
constexpr const char* kSupportPage = "https://www.orrelmoor.example/support.php";

class MainDialog : public FixedFontDialog {
 public:
  explicit MainDialog(CleanerApp& app);
  ~MainDialog() override;

  // Seams: where archives go (before the window opens), how the help file is
  // opened, which folder the "..." button picks.
  void SetBackupFolder(const std::string& folder) { m_strBackupFolder = folder; }
  using ProgramRunner = std::function<bool(const std::string& file)>;
  void SetHelpOpener(ProgramRunner runner) { m_fnOpenHelp = std::move(runner); }
  void SetFolderChooser(PreferencesPanel::FolderChooser chooser);

  // Panels.
  void HideAllPanels();
  void ShowScanPanel(bool show);
  void ShowResultsPanel(bool show);
  void ShowSectionsPanel(bool show);
  void ShowRestorePanel(bool show);
  void ShowHomePanel(bool show);
  void ShowSystemInfo(bool show);
  void SetBackgroundMode(int mode);
  int BackgroundMode() const { return m_nBackgroundMode; }

  // Navigation and buttons.
  void OnScanNow();
  void OnChooseSections();
  void OnRestoreBackupEntry();
  void OnAdvancedControls();
  void OnScanButton();
  void RemoveProblems();
  void SaveSectionSelection();
  void RestoreBackup();
  // "Show Items...": the chosen archive's items, to restore some of them.
  void ShowBackupItems();
  void OnHelpManual();
  void OnManagerButton(int id);
  void UpdateTitle();

  SectionCatalogue& Catalogue() { return *m_pCatalogue; }
  ProblemStore& Store() { return *m_pStore; }
  SectionScanner& Scanner() { return m_scanner; }
  bool Scanning() const { return m_bScanning; }
  bool Removing() const { return m_bRemoving; }
  const std::string& BackupFolder() const { return m_strBackupFolder; }

 protected:
  BOOL OnInitDialog() override;
  bool OnCommand(int id, int code, HWND hControl) override;
  bool OnNotify(NMHDR* header, LRESULT& result) override;
  HBRUSH OnCtlColor(HDC hdc, HWND hControl, UINT message) override;
  void OnDestroy() override;
  bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) override;

 private:
  void ShowControls(const int* ids, size_t count, bool show);
  void PinFontHeight();
  void FitCaptions();
  void SizeToPicture();
  void SetUpLinks();
  void SetUpSystemLines();
  void Paint();
  void CopyBackgroundUnder(HDC hdc, HWND hControl);
  HBITMAP CurrentBackground() const;
  void OnResultsItemChanged(const NMLISTVIEW& change);
  LRESULT OnOpenSectionDetails(ScanSection* section);
  void RefreshResultRows();
  std::string SelectedBackupPath() const;
  // The scan (main_dialog_scan.cpp): its events shown in the rows, labels and
  // status line.
  class ScanView : public ScanEvents {
   public:
    explicit ScanView(MainDialog& dialog) : m_dialog(dialog) {}
    void SectionStarted(const ScanSection& section) override;
    void SectionEnded(const ScanSection& section, SectionStatus status) override;
    void ProblemFiled(const ScanSection& section, const ProblemRecord& problem,
                      const ScanTotals& totals) override;
    void Progress(const std::string& text) override;
    bool ProgressWanted() override;
    bool StopRequested() override;
    void EntryFailed() override;

   private:
    MainDialog& m_dialog;
  };
  void SetUpScan();
  void PrepareScan();
  void FillReadyRows();
  void ShowScanTotals(int problems, int affectedSections);
  void ShowSectionCount(const ScanSection& section);
  void ShowStatusText(const std::string& text);
  void ShowScanEnd();
  // During a removal: Abort; every other command waits. Closing asks first.
  bool OnRemovalCommand(int id);
  void OnRemovalClose();
  void ShowRemovalRunning(bool running);
  // The Home panel, where a removal ends.
  void ShowStartPanel();
  void ShowRecovery(const RecoveryOutcome& recovery);
  // Panel switches repaint once, at the end, not once per control.
  void BeginPanelSwitch();
  void EndPanelSwitch();
  // The keyboard (main_dialog_keys.cpp): Enter and Escape never close the window;
  // the close box and Alt+F4 do.
  void OnEnterKey();
  void OnCloseBox();
  // Focus left on a control a panel switch hid goes to the shown panel.
  void KeepFocusInside();
  HWND m_hFocusBeforeSwitch = nullptr;

  CleanerApp& m_app;
  ProportionalLayout m_layout;
  // Declared before the controls, which let go of their windows first.
  BitmapHandle m_hHomeBackground;
  BitmapHandle m_hPlainBackground;
  std::string m_strProfileLine, m_strOsLine, m_strMemoryLine, m_strDiskLine;
  std::unique_ptr<SectionCatalogue> m_pCatalogue;
  SectionScanner m_scanner;
  std::unique_ptr<ProblemStore> m_pStore;
  std::unique_ptr<ScanView> m_pScanView;
  std::unique_ptr<ScanDriver> m_pDriver;
  BrushHandle m_hWhiteBrush;
  ScanLog m_log;
  BackupArchive m_archive;
  int m_nBackgroundMode = 0;
  HICON m_hIcon = nullptr;
  FontHandle m_hFont;

  HtmlLabel m_description, m_restoreText;
  HyperlinkLabel m_help, m_home, m_support, m_nav[4];
  CheckListCtrl m_results, m_sections;
  ProgressListCtrl m_progress;
  GifAnimator m_animation;
  StatusLine m_status;
  PreferencesPanel m_preferences;

  std::string m_strBackupFolder;
  std::vector<std::string> m_vBackupPaths;
  ProgramRunner m_fnOpenHelp;
  bool m_bScanning = false;
  bool m_bScanStarting = false;
  bool m_bStopScan = false;
  bool m_bCloseAfterScan = false;
  bool m_bRemoving = false;
  bool m_bStopRemoval = false;
  bool m_bCloseAfterRemoval = false;
  bool m_bRestoring = false;
  bool m_bCloseAfterRestore = false;
  RECT m_rcStatusLabel = {};
  int m_nSwitchDepth = 0;
  bool m_bFrozen = false;
};
