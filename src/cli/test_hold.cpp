#include "cli/test_hold.h"

#include <windows.h>

#include <cstdlib>

#include "backup/file_utils.h"
#include "cli/console_interrupt.h"

std::string TestHoldFile(const char* variable) {
  char path[MAX_PATH * 4] = {};
  const DWORD length = GetEnvironmentVariableA(variable, path, sizeof(path));
  return length > 0 && length < sizeof(path) ? std::string(path, length) : std::string();
}

int TestHoldItem() {
  char number[16] = {};
  const DWORD length = GetEnvironmentVariableA("QUILLBANE_TEST_HOLD_AT", number, sizeof(number));
  return length > 0 && length < sizeof(number) ? std::atoi(number) : -1;
}

// Ctrl+C ends the hold as well: its handler runs on a thread of its own, and a
// test that deleted the file right after sending it could not know whether the
// handler had run before the program went on.
void HoldForTest(const std::string& file) {
  if (file.empty() || !AppendToFile(file, "holding", true)) return;
  for (int waited = 0; waited < 600000 && FileExists(file) && !ConsoleInterruptRequested();
       waited += 50) {
    Sleep(50);
  }
}
