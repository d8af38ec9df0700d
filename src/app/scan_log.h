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
// The name to use when `name` is taken: "Date(...) Time(...) (2).txt" for 2.
std::string NumberedLogFileName(const std::string& name, int number);

// Why the folder cannot receive scan logs ("" when it can): it is made when
// missing (one level, as Save Preferences always did), then a file as long as the
// longest log name is created in it and deleted again.
std::string LogFolderProblem(const std::string& folder);

class ScanLog : public ProblemLogSink, public ScanLogSession {
 public:
  explicit ScanLog(std::string osName = "") : m_strOsName(std::move(osName)) {}

  void SetOsName(const std::string& osName) { m_strOsName = osName; }

  // A new file named by the current local time in the log folder, with the header.
  // The file is created anew: when another scan took the dated name in the same
  // second, the next free numbered name is used, so no scan writes into another's.
  bool Open() override;
  // One block; dropped outside a scan or when the file cannot be written (the
  // first failure is kept in Problem()).
  void Append(const std::string& text) override;
  // Puts the line into the header, above its dashes. The rest of the file stays
  // as it is; a log that cannot be rewritten keeps its header.
  void NoteIgnored(const std::string& line) override;
  void AppendNote(const std::string& text) override { Append(text); }
  void Reset() override { m_strLogPath.clear(); }

  std::string LogFileName() const;
  const std::string& LogPath() const { return m_strLogPath; }
  // Since the last Open: "" while the log is whole, else what could not be written
  // and why, for the front end to say once. It outlives Reset.
  const std::string& Problem() const { return m_strProblem; }

 private:
  bool Write(const std::string& text);
  void NoteProblem(const std::string& where, unsigned long error);

  std::string m_strOsName;
  std::string m_strLogPath;
  std::string m_strProblem;
};
