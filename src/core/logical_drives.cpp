#include "core/logical_drives.h"

#include <windows.h>

#include <cstring>

std::vector<std::string> LogicalDriveRoots() {
  std::vector<std::string> roots;
  std::vector<char> buffer(501, '\0');
  DWORD length = GetLogicalDriveStringsA(500, buffer.data());
  if (length > 500) {
    buffer.assign(length + 2, '\0');
    length = GetLogicalDriveStringsA(length + 1, buffer.data());
    if (length >= buffer.size()) return roots;
  }
  for (const char* root = buffer.data(); *root != '\0'; root += std::strlen(root) + 1) {
    roots.emplace_back(root);
  }
  return roots;
}
