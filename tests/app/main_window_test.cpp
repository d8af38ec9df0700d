// The main window driven with messages, as a user (or another program) drives it.

#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include "app/details_dialog.h"
#include "app/instance_checker.h"
#include "app/settings_store.h"
#include "core/product.h"
#include "core/registry.h"
#include "core/section_catalogue.h"
#include "window_fixture.h"

namespace {

const int kOtherPanels[] = {
    IDC_PROGRESS_LIST,    IDC_SCAN_BUTTON,          IDC_STATUS_LABEL,       IDC_TOTAL_LABEL,
    IDC_ANIMATION,        IDC_TOTALS_FRAME,         IDC_AFFECTED_LABEL,     IDC_RESULTS_LIST,
    IDC_REMOVE_BUTTON,    IDC_RESULTS_TOTAL,        IDC_SECTIONS_LIST,      IDC_SAVE_SECTIONS,
    IDC_RESTORE_TEXT,     IDC_BACKUP_DATES_CAPTION, IDC_BACKUP_DATES,       IDC_RESTORE_BUTTON,
    IDC_RESTORE_RULE,     IDC_ADVANCED_CAPTION,     IDC_RUN_AT_STARTUP,     IDC_SELECT_ALL_ERRORS,
    IDC_AUTO_BACKUP,      IDC_LOG_FOLDER,           IDC_SAVE_PREFERENCES,   IDC_BROWSE_LOG_FOLDER,
    IDC_STARTUP_MANAGER,  IDC_BHO_MANAGER,          IDC_ADD_REMOVE_MANAGER, IDC_IGNORED_ITEMS,
    IDC_SHOW_BACKUP_ITEMS};

int Rows(HWND hList) { return static_cast<int>(SendMessageA(hList, LVM_GETITEMCOUNT, 0, 0)); }

// Posts an Abort click (or a click on the close box) when the progress row `row`
// starts "Scanning".
struct AbortAtRow {
  static LRESULT CALLBACK Watch(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                DWORD_PTR data) {
    auto* self = reinterpret_cast<AbortAtRow*>(data);
    const LVITEMA* item = reinterpret_cast<const LVITEMA*>(lParam);
    if (message == LVM_SETITEMTEXTA && static_cast<int>(wParam) == self->row && item &&
        item->iSubItem == 2 && std::string(item->pszText) == "Scanning") {
      if (self->close)
        PostMessageA(GetParent(self->button), WM_CLOSE, 0, 0);
      else
        PostMessageA(self->button, BM_CLICK, 0, 0);
    }
    return DefSubclassProc(hWnd, message, wParam, lParam);
  }
  int row;
  HWND button;
  bool close;
};

TEST_F(MainWindowTest, OpensOnHomeAtThePictureSizeAndEachPanelShowsOnlyItsControls) {
  Open();
  RECT client = {};
  GetClientRect(Window(), &client);
  EXPECT_EQ(650, client.right);
  EXPECT_EQ(360, client.bottom);
  EXPECT_EQ("OS : Windows 7", Text(kOsLine));
  EXPECT_EQ("Profile : Ada", Text(kProfileLine));
  EXPECT_EQ(0u, Text(kMemoryLine).find("Available Memory : "));
  EXPECT_EQ(0u, Text(kDiskLine).find("Free Disk Space : "));
  // Home first, then each panel its navigation entry opens: only its own controls
  // show, and the system lines and Home texts only on Home.
  const struct {
    int entry;  // 0: as opened
    std::vector<int> shown;
  } kPanels[] = {
      {0, {}},
      {kNavScanNow,
       {IDC_PROGRESS_LIST, IDC_SCAN_BUTTON, IDC_STATUS_LABEL, IDC_TOTAL_LABEL, IDC_TOTALS_FRAME,
        IDC_AFFECTED_LABEL}},
      {kNavChooseSections, {IDC_SECTIONS_LIST, IDC_SAVE_SECTIONS}},
      {kNavRestoreBackup,
       {IDC_BACKUP_DATES, IDC_RESTORE_BUTTON, IDC_RESTORE_TEXT, IDC_RESTORE_RULE,
        IDC_BACKUP_DATES_CAPTION, IDC_SHOW_BACKUP_ITEMS}},
      {kNavAdvancedControls,
       {IDC_RUN_AT_STARTUP, IDC_SELECT_ALL_ERRORS, IDC_AUTO_BACKUP, IDC_LOG_FOLDER,
        IDC_SAVE_PREFERENCES, IDC_BROWSE_LOG_FOLDER, IDC_STARTUP_MANAGER, IDC_BHO_MANAGER,
        IDC_ADD_REMOVE_MANAGER, IDC_ADVANCED_CAPTION, IDC_IGNORED_ITEMS}},
  };
  for (const auto& panel : kPanels) {
    if (panel.entry) Click(panel.entry);
    EXPECT_EQ(panel.entry ? 1 : 0, m_pDialog->BackgroundMode()) << panel.entry;
    for (int id : kOtherPanels) {
      const bool wanted = std::find(panel.shown.begin(), panel.shown.end(), id) != panel.shown.end();
      EXPECT_EQ(wanted, Visible(id)) << "entry " << panel.entry << ", control " << id;
    }
    for (int id : {IDC_OS_LINE, IDC_PROFILE_LINE, IDC_MEMORY_LINE, IDC_DISK_LINE, IDC_HOME_LINK,
                   IDC_SUPPORT_LINK, IDC_DESCRIPTION})
      EXPECT_EQ(panel.entry == 0, Visible(id)) << panel.entry << ", control " << id;
    for (int id : {IDC_HELP_LINK, IDC_NAV_SCAN_NOW, IDC_NAV_CHOOSE_SECTIONS, IDC_NAV_RESTORE_BACKUP,
                   IDC_NAV_ADVANCED_CONTROLS})
      EXPECT_TRUE(Visible(id)) << id;
  }
}

TEST_F(MainWindowTest, AFullScanEndsOnTheResults) {
  Open();
  RunScan();
  EXPECT_EQ(std::vector<std::string>{"Scan Complete"}, m_prompts.Texts());
  EXPECT_EQ("Scan Complete", Text(kStatusLabel));
  const char* kCounts[] = {"2", "1", "1", "1", "1"};
  for (int row = 0; row < 5; ++row) {
    EXPECT_EQ(kCounts[row], ProgressCell(row, 1)) << row;
    EXPECT_EQ("Finished", ProgressCell(row, 2)) << row;
  }
  EXPECT_EQ("Total Problems : 6", Text(kTotalLabel));
  EXPECT_EQ("Affected Sections : 5", Text(kAffectedLabel));
  EXPECT_TRUE(Visible(kResultsList) && Visible(kRemoveButton) && !Visible(kProgressList));
  EXPECT_EQ(5, Rows(Item(kResultsList)));
  EXPECT_EQ("Total Problems : 6", Text(kResultsTotal));
  // The totals are red on the picture; other statics let the picture through.
  const MemoryDc dc(CreateCompatibleDC(nullptr));
  const HDC hdc = dc.Get();
  for (int id : {kTotalLabel, kAffectedLabel, kResultsTotal, kOsLine}) {
    SetTextColor(hdc, RGB(0, 0, 0));
    SendMessageA(Window(), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(hdc),
                 reinterpret_cast<LPARAM>(Item(id)));
    EXPECT_EQ(id == kOsLine ? RGB(0, 0, 0) : RGB(255, 0, 0), GetTextColor(hdc)) << id;
    EXPECT_EQ(TRANSPARENT, GetBkMode(hdc)) << id;
  }
}

TEST_F(MainWindowTest, AbortStopsAtTheNextItemEvenDuringTheStartAndClosingAborts) {
  Open();
  const struct {
    int abortRow;  // -1: the click arrives while the scan is starting
    bool close;    // the close box instead of Abort (last: the window goes)
    const char* statuses[5];
  } kCases[] = {
      {1, false, {"Finished", "Aborted", "Ready", "Ready", "Ready"}},
      {-1, false, {"Aborted", "Ready", "Ready", "Ready", "Ready"}},
      {2, true, {}},
  };
  for (const auto& test : kCases) {
    AbortAtRow watch{test.abortRow, Item(kScanButton), test.close};
    SetWindowSubclass(Item(kProgressList), AbortAtRow::Watch, 1, reinterpret_cast<DWORD_PTR>(&watch));
    Click(kNavScanNow);
    if (test.abortRow < 0) PostMessageA(Item(kScanButton), BM_CLICK, 0, 0);
    HWND hProgress = Item(kProgressList);
    Click(kScanButton);
    EXPECT_EQ("Scan Aborted", m_prompts.Texts().back());
    if (test.close) {
      EXPECT_FALSE(IsWindow(hProgress));
      break;
    }
    RemoveWindowSubclass(hProgress, AbortAtRow::Watch, 1);
    for (int row = 0; row < 5; ++row) EXPECT_EQ(test.statuses[row], ProgressCell(row, 2)) << row;
    EXPECT_EQ("Scan Aborted", Text(kStatusLabel));
    EXPECT_TRUE(Visible(kResultsList));
  }
}

TEST_F(MainWindowTest, ResultRowChecksReachTheProblemsAndDetailsOpenAtAnyScroll) {
  Open();
  RunScan();
  HWND hList = Item(kResultsList);
  auto* results = static_cast<CheckListCtrl*>(Control::FromHandle(hList));
  ASSERT_NE(nullptr, results);
  ScanSection* fonts = m_pDialog->Catalogue().Find(kInstalledFonts);
  const RECT check = {8, 15, 24, 31};
  for (int expected : {1, 0}) {
    ClickAt(hList, RowPoint(hList, 0, check));
    EXPECT_EQ(expected, fonts->selected);
    for (const auto& problem : fonts->problems) EXPECT_EQ(expected, problem->checked);
  }

  // Every row's "View Details" opens that row's section, scrolled or not; the
  // row's name elsewhere does not.
  const RECT link = results->LinkRect();
  ASSERT_FALSE(IsRectEmpty(&link));
  for (int row : {0, 4}) {
    SendMessageA(hList, LVM_ENSUREVISIBLE, row, FALSE);
    auto* section = reinterpret_cast<ScanSection*>(results->RowData(row));
    std::string heading;
    int rows = -1;
    EXPECT_TRUE(WithModal("Details", [&] { ClickAt(hList, RowPoint(hList, row, link)); }, [&](HWND hDetails) {
      char text[512] = {};
      GetDlgItemTextA(hDetails, IDC_DETAILS_HEADING, text, sizeof(text));
      heading = text;
      rows = Rows(GetDlgItem(hDetails, IDC_DETAILS_LIST));
    })) << row;
    EXPECT_EQ(0u, heading.find("<b>Group Name : " + section->name + "</b>")) << row;
    EXPECT_EQ(section->problemCount(), rows);
    const RECT name = {link.right + 60, 12, link.right + 80, 14};
    EXPECT_FALSE(WithModal("Details", [&] { ClickAt(hList, RowPoint(hList, row, name)); }, [](HWND) {})) << row;
  }
  EXPECT_GT(SendMessageA(hList, LVM_GETTOPINDEX, 0, 0), 0);

  // Ignoring every problem of a section takes its row away.
  ASSERT_TRUE(WithModal(
      "Details", [&] { ClickAt(hList, RowPoint(hList, 4, link)); },
      [](HWND hDetails) {
        for (int button : {IDC_DETAILS_SELECT_ALL, kIgnoreCheckedButton})
          SendMessageA(GetDlgItem(hDetails, button), BM_CLICK, 0, 0);
      }));
  EXPECT_EQ(4, Rows(hList));
}

TEST_F(MainWindowTest, DetailsRowTexts) {
  ProblemRecord value;
  value.rootKey = HKEY_LOCAL_MACHINE;
  value.keyPath = "SOFTWARE\\A";
  value.valueData = "x.dll";
  value.message = "gone";
  EXPECT_EQ("<b>Key</b> : HKEY_LOCAL_MACHINE \\SOFTWARE \\A<br><b>ValueName</b> : (Default)<br>"
            "<b>Value</b> : x.dll<br><font color=\"#FF0000\">gone</font>",
            ProblemRowText(value));
}

TEST_F(MainWindowTest, RemovalTakesOnlyCheckedStaleProblems) {
  ASSERT_TRUE(RegPutDword(HKEY_CURRENT_USER, qb::kSettingsKeyPath, "Select All", 1));
  Open();
  ASSERT_TRUE(RegPutDword(HKEY_CURRENT_USER, qb::kSettingsKeyPath, "Select All", 1));
  RunScan();
  HWND hList = Item(kResultsList);
  auto* results = static_cast<CheckListCtrl*>(Control::FromHandle(hList));
  ASSERT_TRUE(results->Checked(0));
  ScanSection* fonts = m_pDialog->Catalogue().Find(kInstalledFonts);
  const RECT link = results->LinkRect();
  ASSERT_TRUE(WithModal(
      "Details", [&] { ClickAt(hList, RowPoint(hList, 0, link)); },
      [&](HWND hDetails) {
        for (int button : {IDC_DETAILS_DESELECT_ALL, IDC_DETAILS_SELECT_ALL}) {
          SendMessageA(GetDlgItem(hDetails, button), BM_CLICK, 0, 0);
          for (const auto& problem : fonts->problems)
            EXPECT_EQ(button == IDC_DETAILS_SELECT_ALL, problem->checked != 0) << button;
        }
        HWND hRows = GetDlgItem(hDetails, IDC_DETAILS_LIST);
        ClickAt(hRows, RowPoint(hRows, 0, RECT{8, 15, 24, 31}));
      }));
  EXPECT_EQ(0, fonts->problems[0]->checked);
  EXPECT_EQ(1, fonts->problems[1]->checked);

  // The program comes back while the results wait: its application path is valid
  // again and must survive the removal.
  ASSERT_TRUE(WriteFileBytes("C:\\qbgone\\qbgone.exe", "MZ"));
  m_prompts.Answer(true);  // with a backup
  Click(kRemoveButton);
  DeleteTree("C:\\qbgone");
  EXPECT_EQ("Selected Items Removed\r\n\r\n1 item was kept in place: 1 changed since the scan.",
            m_prompts.Texts().back());
  EXPECT_TRUE(HasValue(HKEY_LOCAL_MACHINE, kFontsKey, fonts->problems[0]->valueName));
  EXPECT_FALSE(HasValue(HKEY_LOCAL_MACHINE, kFontsKey, fonts->problems[1]->valueName));
  EXPECT_TRUE(RegKeyExists(HKEY_LOCAL_MACHINE, std::string(kAppPathsKey) + "\\qbgone.exe"));
  EXPECT_TRUE(Visible(kDescription) && Visible(kOsLine) && !Visible(kResultsList));
  EXPECT_EQ(0, m_pDialog->BackgroundMode());
}

TEST_F(MainWindowTest, RemovalNeedsACheckedRowAndRestoreNeedsADate) {
  Open();
  RunScan();
  Click(kRemoveButton);  // Select All is off: nothing is checked
  EXPECT_EQ("No Sections Checked", m_prompts.Texts().back());
  EXPECT_TRUE(Visible(kResultsList));
  Click(kNavRestoreBackup);
  for (int button : {kShowBackupItems, kRestoreButton}) {
    Click(button);
    EXPECT_EQ("Please Select a backup Date", m_prompts.Texts().back()) << button;
  }
  EXPECT_EQ(Item(kBackupDates), GetFocus());
}

TEST_F(MainWindowTest, ChoosingSectionsSavesThemAndOpensTheScanPanel) {
  Open();
  Click(kNavChooseSections);
  HWND hList = Item(kSectionsList);
  ASSERT_EQ(13, Rows(hList));
  ClickAt(hList, RowPoint(hList, 2, RECT{8, 15, 24, 31}));  // Installed Fonts off
  Click(kSaveSections);
  EXPECT_EQ("Section Information Saved", m_prompts.Texts().back());
  EXPECT_EQ(0u, LoadSectionEnabled(kInstalledFonts));
  EXPECT_EQ(1u, LoadSectionEnabled(kSoundFiles));
  EXPECT_TRUE(Visible(kProgressList));
  EXPECT_EQ(4, Rows(Item(kProgressList)));
  EXPECT_EQ("Start Scan", Text(kScanButton));
}

TEST_F(MainWindowTest, PreferencesRoundTrip) {
  const char kRun[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
  Open();
  const std::string logs = m_folder / "chosen";
  m_pDialog->SetFolderChooser([&](HWND) { return logs; });
  Click(kNavAdvancedControls);
  EXPECT_EQ(m_folder / "logs", Text(IDC_LOG_FOLDER));
  for (int id : {IDC_RUN_AT_STARTUP, IDC_SELECT_ALL_ERRORS, IDC_AUTO_BACKUP})
    EXPECT_EQ(BST_UNCHECKED, IsDlgButtonChecked(Window(), id)) << id;

  // Saving with no Run key to start from at log-on cannot do as asked.
  for (int id : {IDC_RUN_AT_STARTUP, IDC_AUTO_BACKUP, IDC_BROWSE_LOG_FOLDER, IDC_SAVE_PREFERENCES})
    Click(id);
  EXPECT_EQ("Not all preferences could be saved: the registry refused a change.",
            m_prompts.Texts().back());
  ASSERT_TRUE(RegPutString(HKEY_CURRENT_USER, kRun, "Other", "x.exe"));
  EXPECT_EQ(logs, Text(IDC_LOG_FOLDER));
  Click(IDC_SAVE_PREFERENCES);
  EXPECT_EQ("Preferences Saved", m_prompts.Texts().back());
  EXPECT_TRUE(ReadRunAtStartup() && ReadAutoBackup() && !ReadSelectAll());
  EXPECT_EQ(logs, ReadLogFolder());
  EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(logs.c_str()));
  DWORD type = 0;
  std::string command;
  ASSERT_TRUE(RegGetRaw(HKEY_CURRENT_USER, kRun, "Tarnwick", type, command));
  char program[MAX_PATH * 4] = {};
  GetModuleFileNameA(nullptr, program, sizeof(program));
  EXPECT_EQ("\"" + std::string(program) + "\"", command.c_str());

  for (int id : {kNavScanNow, kNavAdvancedControls}) Click(id);
  EXPECT_EQ(BST_CHECKED, IsDlgButtonChecked(Window(), IDC_RUN_AT_STARTUP));
  EXPECT_EQ(logs, Text(IDC_LOG_FOLDER));
  for (int id : {IDC_RUN_AT_STARTUP, IDC_SAVE_PREFERENCES}) Click(id);
  EXPECT_FALSE(HasValue(HKEY_CURRENT_USER, kRun, "Tarnwick"));

  // A folder no log can go to is refused, and nothing is saved; an emptied box
  // stands for the default folder (saved, or refused by that name where the test
  // program's folder cannot hold one).
  for (const std::string& folder : {m_folder / "missing\\parent", std::string()}) {
    SetDlgItemTextA(Window(), IDC_LOG_FOLDER, folder.c_str());
    Click(IDC_SAVE_PREFERENCES);
    const std::string said = m_prompts.Texts().back();
    const std::string named = folder.empty() ? DefaultLogFolder() : folder;
    if (said == "Preferences Saved") {
      EXPECT_TRUE(folder.empty());
      EXPECT_EQ(named, ReadLogFolder());
    } else {
      EXPECT_NE(std::string::npos, said.find(named)) << said;
      EXPECT_EQ(logs, ReadLogFolder());
    }
  }
}

TEST_F(MainWindowTest, HelpManualOpensTheSupportPageAndTheHelpFile) {
  Open();
  Click(kHelpLink);
  EXPECT_EQ(std::vector<std::string>{kSupportPage}, OpenedTargets());
  ASSERT_EQ(1u, m_vHelpOpened.size());
  const std::string& file = m_vHelpOpened[0];
  EXPECT_EQ("\\Skelda.chm", file.substr(file.size() - 11));
  EXPECT_EQ(std::string::npos, file.find("\\\\Skelda"));
}

TEST_F(MainWindowTest, ASecondStartBringsTheFirstForward) {
  Open();
  ShowWindow(Window(), SW_MINIMIZE);
  ASSERT_TRUE(IsIconic(Window()));
  CInstanceChecker second(m_app.ApplicationName());
  EXPECT_EQ("CInstanceChecker_MMF_" + m_app.ApplicationName(), second.SlotName());
  ASSERT_TRUE(second.IsAnotherInstanceRunning());
  EXPECT_EQ(Window(), second.BringOtherInstanceForward());
  EXPECT_FALSE(IsIconic(Window()));
  EXPECT_FALSE(second.RegisterAsFirstInstance(nullptr));
  CInstanceChecker renamed("Quillbane-copy");
  EXPECT_FALSE(renamed.IsAnotherInstanceRunning());
}

}  // namespace
