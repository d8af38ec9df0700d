#include "backup/file_utils.h"

#include <shellapi.h>
#include <shlobj.h>

#include <cstring>

#include "backup/zip_packer.h"
#include "core/handles.h"
#include "core/registry.h"
#include "core/wide_text.h"

namespace {

void (*g_pWaitPump)() = nullptr;

bool IsFolder(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

}  // namespace

bool RunProgram(const std::string& file, const std::string& arguments, bool wait) {
  if (!wait) {
    const HINSTANCE result = ShellExecuteA(nullptr, nullptr, file.c_str(), arguments.c_str(),
                                           nullptr, SW_SHOWNORMAL);
    return reinterpret_cast<INT_PTR>(result) >= 32;
  }
  RunProgramWaiting(file, arguments);
  return true;
}

RunOutcome RunProgramWaiting(const std::string& file, const std::string& arguments,
                             DWORD timeoutMs) {
  SHELLEXECUTEINFOA info = {};
  info.cbSize = sizeof(info);
  // No error boxes from the shell (the console front end has no one to click
  // them), and the start completes before the call returns.
  info.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI | SEE_MASK_NOASYNC;
  info.lpFile = file.c_str();
  info.lpParameters = arguments.c_str();
  info.nShow = SW_SHOWNORMAL;
  if (!ShellExecuteExA(&info)) return RunOutcome::kNotStarted;
  if (!info.hProcess) return RunOutcome::kFinished;
  const KernelHandle process(info.hProcess);
  DWORD waited = WAIT_TIMEOUT;
  if (!g_pWaitPump) {
    waited = WaitForSingleObject(info.hProcess, timeoutMs);
  } else {
    // Messages that come meanwhile are handed to the pump, so a window that
    // waits for the registry editor goes on painting and taking input.
    const ULONGLONG end = GetTickCount64() + timeoutMs;
    for (;;) {
      const ULONGLONG now = GetTickCount64();
      const DWORD left = now >= end ? 0 : static_cast<DWORD>(end - now);
      waited = MsgWaitForMultipleObjectsEx(1, &info.hProcess, left, QS_ALLINPUT,
                                           MWMO_INPUTAVAILABLE);
      if (waited != WAIT_OBJECT_0 + 1) break;
      g_pWaitPump();
    }
  }
  return waited == WAIT_OBJECT_0 ? RunOutcome::kFinished : RunOutcome::kStillRunning;
}

ProgramWaitPump::ProgramWaitPump(void (*pump)()) : m_pPrevious(g_pWaitPump) { g_pWaitPump = pump; }

ProgramWaitPump::~ProgramWaitPump() { g_pWaitPump = m_pPrevious; }

bool EmptyFolderTree(const std::string& folder, bool recurse, const std::string& pattern) {
  if (!IsFolder(folder)) return false;
  std::string base = folder;
  while (!base.empty() && base.back() == '\\') base.pop_back();

  const int passes = recurse && !pattern.empty() ? 2 : 1;
  bool failed = false;
  for (int pass = 1; pass <= passes; ++pass) {
    failed = false;
    const bool lastPass = pass == passes;
    const std::string search =
        pattern.empty() || pass == 2 ? base + "\\*.*" : base + "\\" + pattern;
    WIN32_FIND_DATAA found;
    const FindHandle hFind(FindFirstFileA(search.c_str(), &found));
    if (!hFind) continue;
    do {
      if (found.cFileName[0] == '.') continue;
      const std::string child = base + "\\" + found.cFileName;
      if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        // A junction or folder link is removed as a link, never followed: its
        // target is somebody else's folder.
        const bool link = (found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
        if (recurse && lastPass && (link || EmptyFolderTree(child, true, pattern)) &&
            pattern.empty()) {
          if (!RemoveDirectoryA(child.c_str())) failed = true;
        }
      } else if (!DeleteFileA(child.c_str())) {
        failed = true;
      }
    } while (!failed && FindNextFileA(hFind.Get(), &found));
  }
  return !failed;
}

std::string WindowsFolder() {
  char path[MAX_PATH * 4] = {};
  const UINT length = GetWindowsDirectoryA(path, sizeof(path));
  std::string folder(path, length < sizeof(path) ? length : 0);
  while (!folder.empty() && folder.back() == '\\') folder.pop_back();
  return folder;
}

bool FileExists(const std::string& path) {
  const DWORD attributes = FileAttributes(path);
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

DWORD FileAttributes(const std::string& path, DWORD* errorOut) {
  const DWORD attributes = GetFileAttributesW(WideText(path).c_str());
  if (errorOut) *errorOut = attributes == INVALID_FILE_ATTRIBUTES ? GetLastError() : 0;
  return attributes;
}

bool CopyFileTo(const std::string& from, const std::string& to, bool replace, DWORD* errorOut) {
  const bool copied =
      CopyFileW(WideText(from).c_str(), WideText(to).c_str(), replace ? FALSE : TRUE) != 0;
  if (errorOut) *errorOut = copied ? 0 : GetLastError();
  return copied;
}

DWORD DeleteFileChecked(const std::string& path) {
  const std::wstring wide = WideText(path);
  const DWORD attributes = GetFileAttributesW(wide.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return GetLastError();
  const bool readOnly = (attributes & FILE_ATTRIBUTE_READONLY) != 0;
  if (readOnly) SetFileAttributesW(wide.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
  if (DeleteFileW(wide.c_str())) return ERROR_SUCCESS;
  const DWORD error = GetLastError();
  if (readOnly) SetAttributes(path, attributes);
  return error;
}

bool SetAttributes(const std::string& path, DWORD attributes) {
  const std::wstring wide = WideText(path);
  if (attributes == 0) attributes = FILE_ATTRIBUTE_NORMAL;
  // Read-only last: where the file system keeps the other attributes apart
  // from the file's permissions (Wine on Linux, as a user who is not root), a
  // file made read-only first could no longer take them.
  const DWORD writable = attributes & ~FILE_ATTRIBUTE_READONLY;
  if (!SetFileAttributesW(wide.c_str(), writable ? writable : FILE_ATTRIBUTE_NORMAL)) return false;
  return attributes == writable || SetFileAttributesW(wide.c_str(), attributes) != 0;
}

bool FlushFileToDisk(const std::string& path) {
  const FileHandle file(CreateFileW(WideText(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ,
                                   nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  return file && FlushFileBuffers(file.Get()) != 0;
}

bool AppendToFile(const std::string& path, const std::string& bytes, bool flush) {
  AppendOnlyFile file;
  file.SetPath(path);
  return file.Append(bytes) && (!flush || file.Commit());
}

bool AppendOnlyFile::Append(const std::string& bytes) {
  if (!m_file) {
    m_file.Reset(CreateFileW(WideText(m_strPath).c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr,
                             OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!m_file) return false;
  }
  DWORD written = 0;
  return WriteFile(m_file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
         written == bytes.size();
}

bool AppendOnlyFile::Commit() {
  if (!m_file) return true;
  const bool flushed = FlushFileBuffers(m_file.Get()) != 0;
  return m_file.Close() && flushed;
}

bool WriteNewFile(const std::string& path, const std::string& bytes, bool flush) {
  FileHandle file(CreateFileW(WideText(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                              FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return false;
  DWORD written = 0;
  bool ok = WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written,
                      nullptr) &&
            written == bytes.size();
  if (flush) ok = FlushFileBuffers(file.Get()) && ok;
  return file.Close() && ok;
}

std::string FolderWriteProblem(const std::string& folder) {
  // Where it cannot be made, the nearest part of the path that is there tells
  // why when it is a file; otherwise the system's reason for making it does.
  std::string path = folder;
  while (!path.empty() && path.back() == '\\') path.pop_back();
  if (path.empty()) return ErrorReason(ERROR_INVALID_NAME);
  if (!CreateFolder(path)) {
    for (std::string part = path; !part.empty(); part = part.substr(0, part.find_last_of('\\'))) {
      const DWORD attributes = FileAttributes(part);
      if (attributes != INVALID_FILE_ATTRIBUTES) {
        if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) return part + " is a file, not a folder";
        break;
      }
      if (part.find('\\') == std::string::npos) break;
    }
    const DWORD error = CreateDirectoryW(WideText(path).c_str(), nullptr) ? ERROR_SUCCESS : GetLastError();
    return ErrorReason(error == ERROR_SUCCESS || error == ERROR_ALREADY_EXISTS ? ERROR_DIRECTORY : error);
  }
  for (int attempt = 0; attempt < 8; ++attempt) {
    const std::string probe = path + "\\~qb-probe-" + std::to_string(GetCurrentProcessId()) + "-" +
                              std::to_string(GetTickCount64() + static_cast<ULONGLONG>(attempt)) + ".tmp";
    const FileHandle file(CreateFileW(WideText(probe).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                      FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr));
    if (file) return std::string();
    if (GetLastError() != ERROR_FILE_EXISTS) return ErrorReason(GetLastError());
  }
  return ErrorReason(ERROR_FILE_EXISTS);
}

std::string ErrorReason(DWORD code) {
  switch (code) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
      return "not found";
    case ERROR_ACCESS_DENIED:
      return "access denied";
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
      return "in use by another program";
    case ERROR_FILENAME_EXCED_RANGE:
      return "name too long";
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
      return "the disk is full";
    case ERROR_WRITE_PROTECT:
      return "write-protected";
    case ERROR_DIRECTORY:
      return "not a folder";
    case ERROR_BAD_NETPATH:
    case ERROR_NETNAME_DELETED:
    case ERROR_BAD_NET_NAME:
      return "network unreachable";
    default:
      return "error " + std::to_string(code);
  }
}

bool IsNotFoundError(DWORD code) {
  return code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND;
}

long long FileSize(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExW(WideText(path).c_str(), GetFileExInfoStandard, &data)) return -1;
  if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return -1;
  return (static_cast<long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

bool ReadWholeFile(const std::string& path, std::string& bytes) {
  std::string content;
  if (!ReadFileInBlocks(path, [&content](const char* data, size_t size) {
        content.append(data, size);
        return true;
      })) {
    return false;
  }
  bytes.swap(content);
  return true;
}

bool ReadFileInBlocks(const std::string& path,
                      const std::function<bool(const char* data, size_t size)>& take) {
  const FileHandle file(CreateFileW(WideText(path).c_str(), GENERIC_READ, FILE_SHARE_READ,
                                   nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return false;
  std::vector<char> block(65536);
  for (;;) {
    DWORD read = 0;
    if (!ReadFile(file.Get(), block.data(), static_cast<DWORD>(block.size()), &read, nullptr)) {
      return false;
    }
    if (read == 0) return true;
    if (!take(block.data(), read)) return false;
  }
}

int CompareFileBytes(const std::string& a, const std::string& b) {
  const FileHandle fileA(CreateFileW(WideText(a).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!fileA) return -1;
  const FileHandle fileB(CreateFileW(WideText(b).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!fileB) return -1;
  std::vector<char> blockA(65536), blockB(65536);
  for (;;) {
    DWORD readA = 0, readB = 0;
    if (!ReadFile(fileA.Get(), blockA.data(), static_cast<DWORD>(blockA.size()), &readA,
                  nullptr) ||
        !ReadFile(fileB.Get(), blockB.data(), static_cast<DWORD>(blockB.size()), &readB,
                  nullptr)) {
      return -1;
    }
    if (readA != readB || std::memcmp(blockA.data(), blockB.data(), readA) != 0) return 0;
    if (readA == 0) return 1;
  }
}

std::vector<std::string> FolderFiles(const std::string& folder) {
  std::vector<std::string> names;
  WIN32_FIND_DATAW found;
  const FindHandle search(FindFirstFileW(WideText(folder + "\\*.*").c_str(), &found));
  if (!search) return names;
  do {
    if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
    names.push_back(NarrowText(found.cFileName));
  } while (FindNextFileW(search.Get(), &found));
  return names;
}

DestinationFacts SystemDestinationFacts() {
  DestinationFacts facts;
  facts.isFixedDrive = [](char letter) {
    const wchar_t root[] = {static_cast<wchar_t>(letter), L':', L'\\', L'\0'};
    return GetDriveTypeW(root) == DRIVE_FIXED;
  };
  facts.folderState = [](const std::string& path) {
    DWORD error = 0;
    const DWORD attributes = FileAttributes(path, &error);
    if (attributes == INVALID_FILE_ATTRIBUTES) {
      return IsNotFoundError(error) ? FolderState::kMissing : FolderState::kOther;
    }
    if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) return FolderState::kLink;
    return (attributes & FILE_ATTRIBUTE_DIRECTORY) ? FolderState::kFolder : FolderState::kOther;
  };
  return facts;
}
