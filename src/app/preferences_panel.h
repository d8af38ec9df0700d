#pragma once
// PreferencesPanel: the Advanced Controls panel's preferences (start at log-on,
// select all after a scan, automatic backup, log folder). Shown, it loads the
// stored values; nothing reaches the registry until Save Preferences.

#include <windows.h>

#include <functional>
#include <string>

#include "app/main_dialog_ids.h"

class PreferencesPanel {
 public:
  // The folder chooser of the "..." button; "" when cancelled.
  using FolderChooser = std::function<std::string(HWND owner)>;

  enum Control {
    kRunAtStartup = IDC_RUN_AT_STARTUP,
    kSelectAll = IDC_SELECT_ALL_ERRORS,
    kAutoBackup = IDC_AUTO_BACKUP,
    kLogFolder = IDC_LOG_FOLDER,
    kSave = IDC_SAVE_PREFERENCES,
    kBrowse = IDC_BROWSE_LOG_FOLDER,
  };

  PreferencesPanel();
  void SetDialog(HWND hDialog) { m_hDialog = hDialog; }
  void SetFolderChooser(FolderChooser chooser) { m_fnChoose = std::move(chooser); }

  // Shows or hides every control of the panel; showing loads the stored values.
  void Show(bool show);
  // "...": a chosen folder replaces the log folder text; the boxes keep their state.
  void Browse();
  // Save Preferences: the two messages of the panel.
  void SavePreferences();

 private:
  void Load();
  void ToControls();
  void FromControls();

  HWND m_hDialog = nullptr;
  FolderChooser m_fnChoose;
  bool m_bRunAtStartup = false;
  bool m_bSelectAll = false;
  bool m_bAutoBackup = false;
  std::string m_strLogFolder;
};
