#include "backup/backup_names.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "backup/zip_names.h"

namespace {

const char* const kWeekdays[] = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                 "Thursday", "Friday", "Saturday"};
const char* const kMonths[] = {"January", "February", "March",     "April",   "May",      "June",
                               "July",    "August",   "September", "October", "November", "December"};

bool IsLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int DaysInMonth(int month, int year) {
  static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

// Day of the week of a Gregorian date, 0 for Sunday.
int Weekday(int year, int month, int day) {
  static const int kOffsets[] = {0, 3, 2, 5, 0, 3, 5, 1, 4, 6, 2, 4};
  if (month < 3) year -= 1;
  return (year + year / 4 - year / 100 + year / 400 + kOffsets[month - 1] + day) % 7;
}

// Reads a token as a decimal number the way atoi does (leading digits, else 0).
long TokenNumber(const std::string& token) { return std::strtol(token.c_str(), nullptr, 10); }

}  // namespace

std::string ArchiveBaseName(int month, int day, int year, int hour, int minute, int second) {
  char text[96];
  std::snprintf(text, sizeof(text), "%d,%d,%d_%d,%d,%d", month, day, year, hour, minute, second);
  return text;
}

std::string ArchivePath(const std::string& backupFolder, const std::string& baseName,
                        int attempt, bool recovered) {
  std::string path = backupFolder + "\\" + baseName;
  if (attempt > 1) path += "_" + std::to_string(attempt);
  if (recovered) path += kRecoveredMark;
  return path + ".zip";
}

std::string BackupDisplayName(const std::string& baseName) {
  const size_t markLength = std::char_traits<char>::length(kRecoveredMark);
  if (baseName.size() > markLength &&
      baseName.compare(baseName.size() - markLength, markLength, kRecoveredMark) == 0) {
    const std::string shown = BackupDisplayName(baseName.substr(0, baseName.size() - markLength));
    return shown.empty() ? shown : shown + kRecoveredMark;
  }
  std::string text = baseName;
  for (char& c : text) {
    if (c == '_') c = ',';
  }
  std::vector<long> numbers;
  size_t start = 0;
  for (;;) {
    const size_t comma = text.find(',', start);
    numbers.push_back(TokenNumber(text.substr(start, comma - start)));
    if (comma == std::string::npos) break;
    start = comma + 1;
  }
  if (numbers.size() < 6) return "";

  const long month = numbers[0], day = numbers[1], year = numbers[2];
  const long hour = numbers[3], minute = numbers[4], second = numbers[5];
  if (month < 1 || month > 12 || year < 1601 || year > 9999 || day < 1 ||
      day > DaysInMonth(static_cast<int>(month), static_cast<int>(year)) || hour < 0 ||
      hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59) {
    return baseName;
  }
  char display[128];
  std::snprintf(display, sizeof(display), "%s, %s %02ld, %04ld Time: %02ld:%02ld:%02ld",
                kWeekdays[Weekday(static_cast<int>(year), static_cast<int>(month),
                                  static_cast<int>(day))],
                kMonths[month - 1], day, year, hour, minute, second);
  std::string result = display;
  if (numbers.size() > 6 && numbers[6] > 1) result += " (" + std::to_string(numbers[6]) + ")";
  return result;
}

std::string StagedFileName(const std::string& destPath) {
  std::string name = UncutStagedFileName(destPath);
  if (name.size() <= kMaxFileNameBytes) return name;
  // Never split a UTF-8 sequence: step back over continuation bytes.
  size_t keep = kMaxFileNameBytes;
  while (keep > 0 && (static_cast<unsigned char>(name[keep]) & 0xC0) == 0x80) --keep;
  return name.substr(0, keep);
}

unsigned long FoldedPathHash(const std::string& path) {
  unsigned long hash = 2166136261ul;
  for (char c : path) {
    hash ^= static_cast<unsigned char>(std::tolower(static_cast<unsigned char>(c)));
    hash = (hash * 16777619ul) & 0xFFFFFFFFul;
  }
  return hash;
}

std::string UncutStagedFileName(const std::string& destPath) {
  // The same file named with other letter cases is the same file on Windows.
  char prefix[16];
  std::snprintf(prefix, sizeof(prefix), "%08lx_", FoldedPathHash(destPath));
  return prefix + BareFileName(destPath);
}
