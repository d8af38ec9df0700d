#include "app/preferences_panel.h"

#include <shlobj.h>

#include <vector>

#include "app/scan_log.h"
#include "app/settings_store.h"
#include "backup/file_utils.h"
#include "core/handles.h"
#include "framework/prompt.h"

namespace {

const int kPanelControls[] = {
    IDC_ADVANCED_CAPTION, IDC_ADVANCED_RULE, IDC_LOG_RULE, IDC_STARTUP_CAPTION, IDC_STARTUP_RULE,
    IDC_REMOVAL_RULE, IDC_RUN_AT_STARTUP, IDC_REMOVAL_CAPTION, IDC_SELECT_ALL_ERRORS,
    IDC_AUTO_BACKUP, IDC_LOG_CAPTION, IDC_LOG_FOLDER_LABEL, IDC_LOG_FOLDER, IDC_SAVE_PREFERENCES,
    IDC_BROWSE_LOG_FOLDER, IDC_ADD_REMOVE_MANAGER, IDC_BHO_MANAGER, IDC_STARTUP_MANAGER,
    IDC_IGNORED_ITEMS};

std::string ItemText(HWND hDialog, int id) {
  HWND hItem = GetDlgItem(hDialog, id);
  const int length = hItem ? GetWindowTextLengthA(hItem) : 0;
  std::vector<char> buffer(static_cast<size_t>(length) + 1);
  if (hItem) GetWindowTextA(hItem, buffer.data(), length + 1);
  return buffer.data();
}

// The shell's folder chooser for the log folder; "" when cancelled or unusable.
std::string BrowseForLogFolder(HWND hOwner) {
  BROWSEINFOA browse = {};
  browse.hwndOwner = hOwner;
  browse.lpszTitle = "Choose a Folder to store log files";
  browse.ulFlags = BIF_RETURNONLYFSDIRS;
  // The shell allocates the list it hands back with the task allocator.
  const CoTaskMemory<ITEMIDLIST> chosen(SHBrowseForFolderA(&browse));
  if (!chosen.Get()) return "";
  char path[MAX_PATH * 4] = {};
  if (!SHGetPathFromIDListA(chosen.Get(), path)) {
    ShowMessage("Cannot use this path for extraction");
    return "";
  }
  if (path[0] == '\0') {
    ShowMessage("Cannot use this path");
    return "";
  }
  return path;
}

}  // namespace

PreferencesPanel::PreferencesPanel() : m_fnChoose([](HWND owner) { return BrowseForLogFolder(owner); }) {}

void PreferencesPanel::Show(bool show) {
  for (int id : kPanelControls) ShowWindow(GetDlgItem(m_hDialog, id), show ? SW_SHOW : SW_HIDE);
  if (!show) return;
  Load();
  ToControls();
}

void PreferencesPanel::Load() {
  m_bAutoBackup = ReadAutoBackup();
  m_bRunAtStartup = ReadRunAtStartup();
  m_bSelectAll = ReadSelectAll();
  m_strLogFolder = ReadLogFolder();
}

void PreferencesPanel::ToControls() {
  CheckDlgButton(m_hDialog, kRunAtStartup, m_bRunAtStartup ? BST_CHECKED : BST_UNCHECKED);
  CheckDlgButton(m_hDialog, kSelectAll, m_bSelectAll ? BST_CHECKED : BST_UNCHECKED);
  CheckDlgButton(m_hDialog, kAutoBackup, m_bAutoBackup ? BST_CHECKED : BST_UNCHECKED);
  SetDlgItemTextA(m_hDialog, kLogFolder, m_strLogFolder.c_str());
}

void PreferencesPanel::FromControls() {
  m_bRunAtStartup = IsDlgButtonChecked(m_hDialog, kRunAtStartup) == BST_CHECKED;
  m_bSelectAll = IsDlgButtonChecked(m_hDialog, kSelectAll) == BST_CHECKED;
  m_bAutoBackup = IsDlgButtonChecked(m_hDialog, kAutoBackup) == BST_CHECKED;
  m_strLogFolder = ItemText(m_hDialog, kLogFolder);
}

void PreferencesPanel::Browse() {
  const std::string folder = m_fnChoose ? m_fnChoose(m_hDialog) : std::string();
  if (!folder.empty()) SetDlgItemTextA(m_hDialog, kLogFolder, folder.c_str());
}

void PreferencesPanel::SavePreferences() {
  FromControls();
  // An emptied box means the default folder, as it does in the settings.
  if (m_strLogFolder.empty()) m_strLogFolder = DefaultLogFolder();
  // A folder no log can be written to is refused before anything is saved: the
  // scans would otherwise go unlogged. One level is made, as always.
  const std::string problem = LogFolderProblem(m_strLogFolder);
  if (!problem.empty()) {
    ShowMessage(problem + "\r\n\r\nPreferences were not saved. Choose another folder.");
    return;
  }
  const bool runEntry = WriteRunAtStartup(m_bRunAtStartup);
  WriteSelectAll(m_bSelectAll);
  WriteAutoBackup(m_bAutoBackup);
  WriteLogFolder(m_strLogFolder);
  SetDlgItemTextA(m_hDialog, kLogFolder, m_strLogFolder.c_str());

  // The settings writes report nothing: read them back, so a settings key (or a
  // Run key) that cannot be written is not announced as saved.
  const bool stored = runEntry && ReadRunAtStartup() == m_bRunAtStartup && ReadSelectAll() == m_bSelectAll &&
                      ReadAutoBackup() == m_bAutoBackup && ReadLogFolder() == m_strLogFolder;
  if (!stored) {
    ShowMessage("Not all preferences could be saved: the registry refused a change.");
    return;
  }
  ShowMessage("Preferences Saved");
}
