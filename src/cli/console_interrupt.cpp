#include "cli/console_interrupt.h"

#include <windows.h>

#include <atomic>

namespace {

std::atomic<bool> g_bInterrupted{false};

BOOL WINAPI OnConsoleControl(DWORD event) {
  if (event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT) {
    g_bInterrupted = true;
    return TRUE;
  }
  return FALSE;
}

}  // namespace

ConsoleInterrupt::ConsoleInterrupt() { SetConsoleCtrlHandler(OnConsoleControl, TRUE); }

ConsoleInterrupt::~ConsoleInterrupt() { SetConsoleCtrlHandler(OnConsoleControl, FALSE); }

bool ConsoleInterruptRequested() { return g_bInterrupted; }

void RequestConsoleInterrupt() { g_bInterrupted = true; }

void ClearConsoleInterrupt() { g_bInterrupted = false; }
