#pragma once
// ScanLog: one plain-text file per scan in the log folder: a header, then one
// block per filed problem. The file is opened and closed around every write, so
// what is on disk is complete up to the last problem even if the program dies.

#include <string>

#include "core/problem_store.h"
#include "scan/scan_driver.h"

// "Date(%d-%d-%d) Time(%d-%d-%d).txt": day, month, year, hour, minute, second.
std::string FormatLogFileName(int day, int month, int year, int hour, int minute, int second);
// The header with the program version and the operating system's name.
std::string FormatLogHeader(const std::string& version, const std::string& osName);

class ScanLog : public ProblemLogSink, public ScanLogSession {
 public:
  explicit ScanLog(std::string osName = "") : m_strOsName(std::move(osName)) {}

  void SetOsName(const std::string& osName) { m_strOsName = osName; }

  // A new file named by the current local time in the log folder, with the header.
  bool Open() override;
  // One block; dropped silently outside a scan or when the file cannot be written.
  void Append(const std::string& text) override;
  // Puts the line into the header, above its dashes. The rest of the file stays
  // as it is; a log that cannot be rewritten keeps its header.
  void NoteIgnored(const std::string& line) override;
  void AppendNote(const std::string& text) override { Append(text); }
  void Reset() override { m_strLogPath.clear(); }

  std::string LogFileName() const;
  const std::string& LogPath() const { return m_strLogPath; }

 private:
  bool Write(const std::string& text) const;

  std::string m_strOsName;
  std::string m_strLogPath;
  unsigned long long m_nHeaderAt = 0;  // where this scan's header starts in the file
};
