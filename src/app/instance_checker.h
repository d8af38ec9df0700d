#pragma once
// CInstanceChecker: keeps a second copy of the program from running beside the
// first. The first instance publishes its main window in a small named shared
// memory slot; a later start finds the slot, brings that window (or the dialog it
// has open in front) forward and ends.

#include <windows.h>

#include <string>

#include "core/handles.h"

class CInstanceChecker {
 public:
  // `applicationName` is the suffix of the slot's name (the program's base name).
  explicit CInstanceChecker(std::string applicationName);
  CInstanceChecker(const CInstanceChecker&) = delete;
  CInstanceChecker& operator=(const CInstanceChecker&) = delete;

  // Opens the slot by name and keeps the handle; true when it exists.
  bool IsAnotherInstanceRunning();
  // Creates the slot and stores `mainWindow` in it; false when another instance
  // owns the slot already. A slot that cannot be made is not reported: the
  // program runs on without one.
  bool RegisterAsFirstInstance(HWND mainWindow);
  // The other instance's window, restored when minimised and its last active
  // pop-up brought to the foreground; null when there is none.
  HWND BringOtherInstanceForward();
  // "CInstanceChecker_MMF_" + the application name.
  std::string SlotName() const;

 private:
  std::string m_strApplication;
  KernelHandle m_hMutex;
  KernelHandle m_hOpenedSlot;
};

// Closes the slot this process created (process exit, or a test).
void ReleaseInstanceSlot();
