#pragma once
// Ctrl+C (and Ctrl+Break) for the console commands: while a ConsoleInterrupt
// lives, the keys do not end the program; they set a flag that the scan and the
// removal look at before their next item, so a run always ends tidily (the scan
// with what it found, the removal with its archive finished).

class ConsoleInterrupt {
 public:
  ConsoleInterrupt();
  ~ConsoleInterrupt();
  ConsoleInterrupt(const ConsoleInterrupt&) = delete;
  ConsoleInterrupt& operator=(const ConsoleInterrupt&) = delete;
};

// True once Ctrl+C was pressed (or a test stood in for it).
bool ConsoleInterruptRequested();
void RequestConsoleInterrupt();
void ClearConsoleInterrupt();
