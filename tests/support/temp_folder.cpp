#include "support/temp_folder.h"

#include <windows.h>

#include <atomic>
#include <cstdio>

namespace {

std::atomic<int> g_nFolders{0};

void CreateParents(const std::string& path) {
  for (size_t i = 3; i < path.size(); ++i)
    if (path[i] == '\\') CreateDirectoryA(path.substr(0, i).c_str(), nullptr);
}

}  // namespace

TempFolder::TempFolder() {
  m_strPath = "C:\\QuillbaneTests\\" + std::to_string(GetCurrentProcessId()) + "-" +
              std::to_string(GetTickCount()) + "-" + std::to_string(++g_nFolders);
  CreateParents(m_strPath + "\\");
}

TempFolder::~TempFolder() { DeleteTree(m_strPath); }

bool WriteFileBytes(const std::string& path, const std::string& bytes) {
  CreateParents(path);
  FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) return false;
  bool ok = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  return std::fclose(file) == 0 && ok;
}

bool ReadFileBytes(const std::string& path, std::string& bytes) {
  FILE* file = std::fopen(path.c_str(), "rb");
  if (!file) return false;
  bytes.clear();
  char buffer[4096];
  size_t n;
  while ((n = std::fread(buffer, 1, sizeof(buffer), file)) > 0) bytes.append(buffer, n);
  std::fclose(file);
  return true;
}

bool DeleteTree(const std::string& path) {
  WIN32_FIND_DATAA found;
  HANDLE hFind = FindFirstFileA((path + "\\*").c_str(), &found);
  if (hFind != INVALID_HANDLE_VALUE) {
    do {
      const std::string name = found.cFileName;
      if (name == "." || name == "..") continue;
      const std::string child = path + "\\" + name;
      if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
          !(found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
        DeleteTree(child);
      } else {
        SetFileAttributesA(child.c_str(), FILE_ATTRIBUTE_NORMAL);
        if (!DeleteFileA(child.c_str())) RemoveDirectoryA(child.c_str());
      }
    } while (FindNextFileA(hFind, &found));
    FindClose(hFind);
  }
  SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
  return RemoveDirectoryA(path.c_str()) != 0;
}
