#include "support/temp_folder.h"

#include <windows.h>

#include <atomic>
#include <cstdio>

#include "core/handles.h"

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
  StdFile file(std::fopen(path.c_str(), "wb"));
  if (!file) return false;
  const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), file.Get()) == bytes.size();
  return file.Close() && ok;
}

bool ReadFileBytes(const std::string& path, std::string& bytes) {
  const StdFile file(std::fopen(path.c_str(), "rb"));
  if (!file) return false;
  bytes.clear();
  char buffer[4096];
  size_t n;
  while ((n = std::fread(buffer, 1, sizeof(buffer), file.Get())) > 0) bytes.append(buffer, n);
  return true;
}

bool DeleteTree(const std::string& path) {
  WIN32_FIND_DATAA found;
  // Closed before the folder itself is removed.
  if (const FindHandle search{FindFirstFileA((path + "\\*").c_str(), &found)}) {
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
    } while (FindNextFileA(search.Get(), &found));
  }
  SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
  return RemoveDirectoryA(path.c_str()) != 0;
}
