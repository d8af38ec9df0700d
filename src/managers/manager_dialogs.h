#pragma once
// The three registry entry managers the Advanced Controls panel opens. Each is
// built with its parent window and run with DoModal().

#include "managers/manager_dialog.h"

// Programs started at log-on: the current user's Run values, then the machine's,
// then the shortcuts of the Startup folders, each with its state as Windows
// reads it; they can be disabled and enabled again as Windows does it.
class StartupManagerDialog : public ManagerDialog {
 public:
  explicit StartupManagerDialog(HWND hParent);

 protected:
  void ReadRows(std::vector<ManagerRow>& rows) override;
  EntryRemoval RemoveRow(const ManagerRow& row) override;
  StateChange ChangeRow(const ManagerRow& row, bool enable, const FILETIME& now) override;
  std::string DetailsPath(const ManagerRow& row) const override;
};

// Internet Explorer's browser helper objects.
class BhoManagerDialog : public ManagerDialog {
 public:
  explicit BhoManagerDialog(HWND hParent);

 protected:
  void ReadRows(std::vector<ManagerRow>& rows) override;
};

// Entries of the installed-programs list.
class AddRemoveManagerDialog : public ManagerDialog {
 public:
  explicit AddRemoveManagerDialog(HWND hParent);

 protected:
  void ReadRows(std::vector<ManagerRow>& rows) override;
};

// The introduction texts, exactly as the labels show them.
extern const char* const kStartupIntroduction;
extern const char* const kBhoIntroduction;
extern const char* const kAddRemoveIntroduction;
