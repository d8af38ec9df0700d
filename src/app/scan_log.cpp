#include "app/scan_log.h"

#include <windows.h>

#include <cstdio>

#include "app/settings_store.h"
#include "core/product.h"

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

std::string ScanLog::LogFileName() const {
  SYSTEMTIME now;
  GetLocalTime(&now);
  return FormatLogFileName(now.wDay, now.wMonth, now.wYear, now.wHour, now.wMinute, now.wSecond);
}

bool ScanLog::Write(const std::string& text) const {
  if (m_strLogPath.empty()) return false;
  const bool exists = GetFileAttributesA(m_strLogPath.c_str()) != INVALID_FILE_ATTRIBUTES;
  // Text mode: each CR LF of the text reaches the disk as CR CR LF, as the log
  // has always been written.
  FILE* file = std::fopen(m_strLogPath.c_str(), exists ? "a" : "w");
  if (file == nullptr) return false;
  const bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size();
  return std::fclose(file) == 0 && written;
}

bool ScanLog::Open() {
  std::string folder = ReadLogFolder();
  while (!folder.empty() && folder.back() == '\\') folder.pop_back();
  CreateDirectoryA(folder.c_str(), nullptr);
  m_strLogPath = folder + "\\" + LogFileName();
  // Two scans in the same second share a file: this scan's header starts at its end.
  WIN32_FILE_ATTRIBUTE_DATA existing = {};
  m_nHeaderAt = GetFileAttributesExA(m_strLogPath.c_str(), GetFileExInfoStandard, &existing)
                    ? (static_cast<unsigned long long>(existing.nFileSizeHigh) << 32) | existing.nFileSizeLow
                    : 0;
  return Write(FormatLogHeader(qb::kProductVersion, m_strOsName));
}

void ScanLog::Append(const std::string& text) { Write(text); }

void ScanLog::NoteIgnored(const std::string& line) {
  if (m_strLogPath.empty()) return;
  FILE* file = std::fopen(m_strLogPath.c_str(), "rb");
  if (file == nullptr) return;
  std::string bytes;
  char buffer[65536];
  for (size_t got; (got = std::fread(buffer, 1, sizeof(buffer), file)) > 0;) bytes.append(buffer, got);
  std::fclose(file);
  const size_t dashes = bytes.find("---------------------", static_cast<size_t>(m_nHeaderAt));
  if (dashes == std::string::npos) return;
  // The line ends as every line of the log does on the disk.
  bytes.insert(dashes, line + "\r\r\n");
  // Written beside it and moved over it, so a failure leaves the old log whole.
  const std::string temporary = m_strLogPath + ".tmp";
  file = std::fopen(temporary.c_str(), "wb");
  if (file == nullptr) return;
  const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  if (std::fclose(file) != 0 || !written ||
      !MoveFileExA(temporary.c_str(), m_strLogPath.c_str(), MOVEFILE_REPLACE_EXISTING)) {
    DeleteFileA(temporary.c_str());
  }
}
