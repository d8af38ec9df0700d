#pragma once
// ScanHost: what a scanner needs from whoever runs the scan. The main window
// files reports with its problem store and shows the status in its label; the
// console front end collects and prints; tests record.

#include <memory>
#include <string>

#include "core/problem_record.h"

// The window message number a window host may use to hand a report to itself
// synchronously (SendMessage, first parameter the record).
constexpr unsigned kReportProblemMessage = 34743;

class ScanHost {
 public:
  virtual ~ScanHost() = default;
  // Files the problem before returning: the scanner goes on only afterwards.
  virtual void ReportProblem(std::unique_ptr<ProblemRecord> record) = 0;
  // The item being checked, usually a path.
  virtual void ShowStatus(const std::string& text) = 0;
  // Whether a status text given now would be seen. A long walk asks before it
  // composes one, as most of its items go by while the line is hidden or was
  // redrawn a moment ago.
  virtual bool StatusWanted() { return true; }
  // Lets pending user input (an Abort click, Ctrl+C) through.
  virtual void PumpInput() = 0;
};
