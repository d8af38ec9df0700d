#include "bare_walks.h"

#include <objbase.h>
#include <shlobj.h>

#include <cstring>
#include <vector>

long BareRegistryWalk(HKEY hKey) {
  DWORD subKeys = 0, values = 0;
  RegQueryInfoKeyA(hKey, nullptr, nullptr, nullptr, &subKeys, nullptr, nullptr, &values, nullptr,
                   nullptr, nullptr, nullptr);
  long read = 0;
  for (DWORD i = 0; i < subKeys; ++i) {
    char name[256];
    DWORD length = 255;
    if (RegEnumKeyExA(hKey, i, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) {
      continue;
    }
    // Class registrations are not walked by the scan either.
    char lower[256];
    for (DWORD c = 0; c <= length; ++c) {
      lower[c] = name[c] >= 'A' && name[c] <= 'Z' ? static_cast<char>(name[c] + 32) : name[c];
    }
    if (std::strstr(lower, "classes") != nullptr) continue;
    HKEY hSub = nullptr;
    if (RegOpenKeyExA(hKey, name, 0, KEY_ALL_ACCESS, &hSub) != ERROR_SUCCESS) continue;
    read += BareRegistryWalk(hSub);
    RegCloseKey(hSub);
  }
  // The data buffer of the scan; a longer text is read again whole, as the scan must.
  static std::vector<char> valueName(16384), data(1025);
  for (DWORD i = 0; i < values; ++i) {
    DWORD nameLength = 16383, size = 1024, type = 0;
    LONG rc = RegEnumValueA(hKey, i, valueName.data(), &nameLength, nullptr, &type,
                            reinterpret_cast<BYTE*>(data.data()), &size);
    if (rc == ERROR_MORE_DATA && type == REG_SZ) {
      std::vector<char> whole(size + 2);
      nameLength = 16383;
      size = static_cast<DWORD>(whole.size() - 1);
      rc = RegEnumValueA(hKey, i, valueName.data(), &nameLength, nullptr, &type,
                         reinterpret_cast<BYTE*>(whole.data()), &size);
    }
    if (rc == ERROR_SUCCESS) ++read;
  }
  return read;
}

long BareShortcutWalk(const std::wstring& folder) {
  WIN32_FIND_DATAW entry;
  HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &entry);
  if (search == INVALID_HANDLE_VALUE) return 0;
  long links = 0;
  do {
    const std::wstring name = entry.cFileName;
    if (name == L"." || name == L"..") continue;
    const std::wstring full = folder + L"\\" + name;
    if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      links += BareShortcutWalk(full);
      continue;
    }
    if (entry.nFileSizeHigh != 0 || entry.nFileSizeLow >= 1024 || full.size() < 4 ||
        full.compare(full.size() - 4, 4, L".lnk") != 0) {
      continue;
    }
    IShellLinkW* link = nullptr;
    IPersistFile* file = nullptr;
    if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                   reinterpret_cast<void**>(&link))) &&
        SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
      wchar_t target[MAX_PATH];
      if (SUCCEEDED(file->Load(full.c_str(), STGM_READ)) &&
          SUCCEEDED(link->Resolve(nullptr, SLR_NO_UI | SLR_ANY_MATCH | SLR_UPDATE | SLR_NOUPDATE |
                                               SLR_NOSEARCH)) &&
          SUCCEEDED(link->GetPath(target, MAX_PATH, nullptr, 0))) {
        ++links;
      }
    }
    if (file) file->Release();
    if (link) link->Release();
  } while (FindNextFileW(search, &entry));
  FindClose(search);
  return links;
}

namespace {

bool MakeShortcut(const std::string& linkPath, const std::string& target) {
  IShellLinkA* link = nullptr;
  if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                              reinterpret_cast<void**>(&link)))) {
    return false;
  }
  IPersistFile* file = nullptr;
  wchar_t wide[MAX_PATH] = {};
  MultiByteToWideChar(CP_ACP, 0, linkPath.c_str(), -1, wide, MAX_PATH);
  const bool ok = SUCCEEDED(link->SetPath(target.c_str())) &&
                  SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file))) &&
                  SUCCEEDED(file->Save(wide, TRUE));
  if (file) file->Release();
  link->Release();
  return ok;
}

}  // namespace

long BuildShortcutTree(const std::string& root, int folders) {
  CreateDirectoryA(root.c_str(), nullptr);
  // The programs the links start: a few hundred, as on a real machine.
  const std::string programs = root + "\\Programs";
  CreateDirectoryA(programs.c_str(), nullptr);
  std::vector<std::string> targets;
  for (int p = 0; p < 400; ++p) {
    const std::string folder = programs + "\\App " + std::to_string(p);
    CreateDirectoryA(folder.c_str(), nullptr);
    targets.push_back(folder + (p % 8 == 0 ? "" : "\\app.exe"));  // some links name a folder
    if (p % 8 != 0) {
      CloseHandle(CreateFileA(targets.back().c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0,
                              nullptr));
    }
  }
  long links = 0;
  for (int f = 0; f < folders; ++f) {
    const std::string parent = root + "\\Folder" + std::to_string(f / 10);
    const std::string folder = parent + "\\Sub" + std::to_string(f);
    CreateDirectoryA(parent.c_str(), nullptr);
    CreateDirectoryA(folder.c_str(), nullptr);
    for (int i = 0; i < 100; ++i) {
      if (i < 10) {
        // One link in ten is broken, each to a program of its own that is gone.
        links += MakeShortcut(folder + "\\link" + std::to_string(i) + ".lnk",
                              i == 9 ? root + "\\gone" + std::to_string(f) + ".exe"
                                     : targets[(f * 9 + i) % targets.size()]);
        continue;
      }
      const std::string file = folder + "\\file" + std::to_string(i) + ".txt";
      HANDLE h = CreateFileA(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
      DWORD written = 0;
      WriteFile(h, "data", 4, &written, nullptr);
      CloseHandle(h);
    }
  }
  return links;
}
