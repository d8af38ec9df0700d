#pragma once
// CleanerApp: the program's start-up and shut-down. It initialises OLE and COM,
// lets a running instance come forward and ends when there is one, gathers the
// system facts, writes the first-run settings, and runs the main window modally.
// There is no message loop besides the main window's modal one.

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

 private:
  std::string m_strName;
  CInstanceChecker m_checker;
  int m_nXpFlag = 0;
  SystemInfo m_info;
  bool m_bOle = false;
  bool m_bCom = false;
};

// 1 when the operating system's name contains "XP" (case-sensitive), else 0.
int XpFlagFromOsName(const std::string& osName);
