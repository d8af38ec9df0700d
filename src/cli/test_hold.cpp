#include "cli/test_hold.h"

#include <windows.h>

#include "cli/console_interrupt.h"

// Ctrl+C ends the hold as well: its handler runs on a thread of its own, and a
// test that deleted the file right after sending it could not know whether the
// handler had run before the program went on.
void HoldForTest(const std::string& file) {
  HoldForTestWhile(file, [] {
    Sleep(50);
    return !ConsoleInterruptRequested();
  });
}
