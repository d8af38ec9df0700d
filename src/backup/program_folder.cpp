#include "backup/program_folder.h"

#include <windows.h>

std::string ProgramFolder() {
  char path[MAX_PATH * 4] = {};
  const DWORD length = GetModuleFileNameA(nullptr, path, sizeof(path));
  std::string folder(path, length < sizeof(path) ? length : 0);
  const size_t slash = folder.rfind('\\');
  folder.erase(slash == std::string::npos ? 0 : slash);
  return folder;
}
