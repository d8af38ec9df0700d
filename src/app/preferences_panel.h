#pragma once
// PreferencesPanel: the Advanced Controls panel's preferences (start at log-on,
// select all after a scan, automatic backup, log folder). Shown, it loads the
// stored values; nothing reaches the registry until Save Preferences.

#include <windows.h>

#include <functional>
#include <string>

class PreferencesPanel {
 public:
  // The folder chooser of the "..." button; "" when cancelled.
  using FolderChooser = std::function<std::string(HWND owner)>;

  enum Control {
    kRunAtStartup = 1026, kSelectAll = 1027, kAutoBackup = 1028, kLogFolder = 1036,
    kSave = 1037, kBrowse = 1038,
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
