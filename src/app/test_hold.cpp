#include "app/test_hold.h"

#include <windows.h>

#include <cstdlib>

#include "backup/file_utils.h"

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

void HoldForTestWhile(const std::string& file, const std::function<bool()>& waitStep) {
  if (file.empty() || !AppendToFile(file, "holding", true)) return;
  const ULONGLONG start = GetTickCount64();
  while (GetTickCount64() - start < 600000 && FileExists(file) && waitStep()) {
  }
}
