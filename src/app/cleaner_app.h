#pragma once
// CleanerApp: the program's start-up and shut-down. It initialises OLE and COM,
// lets a running instance come forward and ends when there is one, gathers the
// system facts, writes the first-run settings, and runs the main window modally.
// There is no message loop besides the main window's modal one.

#include <functional>
#include <string>

#include "app/instance_checker.h"
#include "sysinfo/system_info.h"

class CleanerApp {
 public:
  // The application name: the executable's base name (the slot's suffix and the
  // caption of the message boxes).
  CleanerApp();
  CleanerApp(const CleanerApp&) = delete;
  CleanerApp& operator=(const CleanerApp&) = delete;

  // The whole start-up, the modal run and the release of COM and OLE; the exit code.
  int Run();
  // Always false: the program ends when the main window closes.
  bool InitInstance();
  int ExitInstance();

  const std::string& ApplicationName() const { return m_strName; }
  CInstanceChecker& InstanceChecker() { return m_checker; }
  // Set when the system's name says XP: statics then show the picture under them.
  int XpFlag() const { return m_nXpFlag; }
  void SetXpFlag(int flag) { m_nXpFlag = flag; }
  SystemInfo& Info() { return m_info; }

  // Asked for by the window when its user wants the scan run as administrator.
  // The program is started again only once the window has closed and this
  // instance's slot is gone: a new instance started earlier would find the slot,
  // bring this window forward and end.
  void RequestElevatedRestart() { m_bRestartElevated = true; }
  bool ElevatedRestartRequested() const { return m_bRestartElevated; }
  // After the window: releases the slot and starts the program again elevated
  // when that was asked for; true when it was started.
  bool RestartIfRequested();
  // How the program is started again elevated: the shell's "runas" verb on the
  // running executable, unless a test stands in.
  using Launcher = std::function<bool(const std::string& program)>;
  void SetElevatedLauncher(Launcher launcher) { m_fnLaunchElevated = std::move(launcher); }

 private:
  std::string m_strName;
  CInstanceChecker m_checker;
  int m_nXpFlag = 0;
  SystemInfo m_info;
  bool m_bOle = false;
  bool m_bCom = false;
  bool m_bRestartElevated = false;
  Launcher m_fnLaunchElevated;
};

// A scan that could not check some sections for lack of rights offers to start
// the program again as administrator, unless it runs so already.
bool OfferElevatedRestart(int deniedSections, bool elevated);

// 1 when the operating system's name contains "XP" (case-sensitive), else 0.
int XpFlagFromOsName(const std::string& osName);
