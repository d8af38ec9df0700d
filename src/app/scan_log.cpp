#include "app/scan_log.h"

#include <windows.h>

#include <cstdio>

#include "app/settings_store.h"
#include "backup/file_utils.h"
#include "core/handles.h"
#include "core/product.h"

namespace {

// Numbered names go this far; a folder holding a thousand logs of one second is
// not a folder to keep trying in.
constexpr int kMostNumberedNames = 999;
// As long as the longest name a log gets: "Date(31-12-2026) Time(23-59-59) (999).txt".
constexpr size_t kLongestLogName = 41;

std::string TrimBackslashes(std::string folder) {
  while (!folder.empty() && folder.back() == '\\') folder.pop_back();
  return folder;
}

bool IsFolder(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::string CannotWrite(const std::string& where, DWORD error) {
  return "The scan log could not be written to " + where + ": " + ErrorReason(error) + ".";
}

}  // namespace

std::string FormatLogFileName(int day, int month, int year, int hour, int minute, int second) {
  char name[96];
  std::snprintf(name, sizeof(name), "Date(%d-%d-%d) Time(%d-%d-%d).txt", day, month, year, hour,
                minute, second);
  return name;
}

std::string FormatLogHeader(const std::string& version, const std::string& osName) {
  return std::string(qb::kProductName) + " " + version + "\r\nOS : " + osName +
         "\r\n---------------------\r\n\r\n";
}

std::string NumberedLogFileName(const std::string& name, int number) {
  const size_t dot = name.rfind('.');
  const size_t at = dot == std::string::npos ? name.size() : dot;
  return name.substr(0, at) + " (" + std::to_string(number) + ")" + name.substr(at);
}

std::string LogFolderProblem(const std::string& path) {
  const std::string folder = TrimBackslashes(path);
  if (!IsFolder(folder) && !CreateDirectoryA(folder.c_str(), nullptr) &&
      GetLastError() != ERROR_ALREADY_EXISTS) {
    return "The folder " + folder + " could not be created: " + ErrorReason(GetLastError()) + ".";
  }
  std::string probe = "~qb-" + std::to_string(GetCurrentProcessId()) + "-" +
                      std::to_string(GetTickCount64());
  probe.resize(kLongestLogName, '~');
  const std::string probePath = folder + "\\" + probe;
  const FileHandle probeFile(CreateFileA(probePath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                         FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE,
                                         nullptr));
  if (!probeFile) {
    return "The scan logs cannot be written to " + folder + ": " + ErrorReason(GetLastError()) + ".";
  }
  return std::string();
}

void ScanLog::NoteProblem(const std::string& where, unsigned long error) {
  if (m_strProblem.empty()) m_strProblem = CannotWrite(where, error);
}

std::string ScanLog::LogFileName() const {
  SYSTEMTIME now;
  GetLocalTime(&now);
  return FormatLogFileName(now.wDay, now.wMonth, now.wYear, now.wHour, now.wMinute, now.wSecond);
}

bool ScanLog::Write(const std::string& text) {
  if (m_strLogPath.empty()) return false;
  // Text mode: each CR LF of the text reaches the disk as CR CR LF, as the log
  // has always been written.
  StdFile file(std::fopen(m_strLogPath.c_str(), "a"));
  if (!file) {
    NoteProblem(m_strLogPath, GetLastError());
    return false;
  }
  const bool written = std::fwrite(text.data(), 1, text.size(), file.Get()) == text.size();
  const bool closed = file.Close();
  if (!written || !closed) NoteProblem(m_strLogPath, ERROR_WRITE_FAULT);
  return written && closed;
}

bool ScanLog::Open() {
  m_strLogPath.clear();
  m_strProblem.clear();
  const std::string folder = TrimBackslashes(ReadLogFolder());
  CreateDirectoryA(folder.c_str(), nullptr);
  // The file is made here and only here, and only where none was: two scans in
  // the same second (two programs, two users) each get a log of their own.
  const std::string name = LogFileName();
  for (int number = 1; number <= kMostNumberedNames; ++number) {
    const std::string path =
        folder + "\\" + (number == 1 ? name : NumberedLogFileName(name, number));
    if (FileHandle(CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                               nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr))) {
      m_strLogPath = path;
      return Write(FormatLogHeader(qb::kProductVersion, m_strOsName));
    }
    const DWORD error = GetLastError();
    if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) {
      NoteProblem(folder, error);
      return false;
    }
  }
  NoteProblem(folder, ERROR_FILE_EXISTS);
  return false;
}

void ScanLog::Append(const std::string& text) { Write(text); }

void ScanLog::NoteIgnored(const std::string& line) {
  if (m_strLogPath.empty()) return;
  std::string bytes;
  {
    const StdFile log(std::fopen(m_strLogPath.c_str(), "rb"));
    if (!log) return;
    char buffer[65536];
    for (size_t got; (got = std::fread(buffer, 1, sizeof(buffer), log.Get())) > 0;) {
      bytes.append(buffer, got);
    }
  }
  const size_t dashes = bytes.find("---------------------");
  if (dashes == std::string::npos) return;
  // The line ends as every line of the log does on the disk.
  bytes.insert(dashes, line + "\r\r\n");
  // Written beside it and moved over it, so a failure leaves the old log whole.
  const std::string temporary = m_strLogPath + ".tmp";
  StdFile file(std::fopen(temporary.c_str(), "wb"));
  if (!file) return;
  const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file.Get()) == bytes.size();
  if (!file.Close() || !written ||
      !MoveFileExA(temporary.c_str(), m_strLogPath.c_str(), MOVEFILE_REPLACE_EXISTING)) {
    DeleteFileA(temporary.c_str());
  }
}
