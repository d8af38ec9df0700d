#pragma once
// The main window opened in-process over a sandboxed registry seeded with one
// stale entry or two in five sections, with its own backup and log folders, its
// message boxes scripted and nothing opened in a browser.

#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/cleaner_app.h"
#include "app/main_dialog.h"
#include "framework/list_view.h"
#include "support/registry_sandbox.h"
#include "support/scripted_prompts.h"
#include "support/temp_folder.h"

extern const char kFontsKey[];
extern const char kAppPathsKey[];

// What the links handed to the browser.
const std::vector<std::string>& OpenedTargets();

class MainWindowTest : public SandboxedTest {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Seeds the registry, enables sections 3, 4, 7, 8 and 9, and opens the window.
  void Open();
  HWND Window() const { return m_pDialog->Handle(); }
  HWND Item(int id) const { return GetDlgItem(Window(), id); }
  std::string Text(int id) const;
  bool Visible(int id) const { return IsWindowVisible(Item(id)) != FALSE; }
  // A navigation entry or button as a user clicks it.
  void Click(int id);
  // A left click at a point of a control's client area.
  void ClickAt(HWND hControl, POINT point);
  void RunScan();
  std::string ProgressCell(int row, int column) const { return ListCellText(Item(kProgressList), row, column); }
  // The client-area point of a results row's link or check picture.
  POINT RowPoint(HWND hList, int row, const RECT& part) const;

  // Runs `open`; when a modal window with `caption` comes up during it, `inside`
  // runs on it and the window is closed. False when none came up.
  bool WithModal(const std::string& caption, const std::function<void()>& open,
                 const std::function<void(HWND)>& inside);

  TempFolder m_folder;
  ScriptedPrompts m_prompts;
  CleanerApp m_app;
  std::unique_ptr<MainDialog> m_pDialog;
  std::vector<std::string> m_vHelpOpened;
};
