#pragma once
// A scan host for tests: keeps every report and status text, and can press Abort
// (through the scanner, as the button does) once a number of items went by.

#include <memory>
#include <string>
#include <vector>

#include "scan/scan_host.h"
#include "scan/section_scanner.h"

class ScanRecorder : public ScanHost {
 public:
  ScanRecorder() { m_scanner.SetHost(this); m_scanner.StartScan(); }

  SectionScanner& Scanner() { return m_scanner; }

  // Presses Abort at the first pump after this many reports have been filed.
  void AbortAfterReports(int count) { m_nAbortAfterReports = count; }
  // Presses Abort at the first pump after this many status texts.
  void AbortAfterStatuses(int count) { m_nAbortAfterStatuses = count; }

  void ReportProblem(std::unique_ptr<ProblemRecord> record) override {
    records.push_back(std::move(record));
  }
  void ShowStatus(const std::string& text) override { statuses.push_back(text); }
  void PumpInput() override {
    ++pumps;
    if (m_bPressing || !m_scanner.Running()) return;
    if ((m_nAbortAfterReports >= 0 && static_cast<int>(records.size()) >= m_nAbortAfterReports) ||
        (m_nAbortAfterStatuses >= 0 &&
         static_cast<int>(statuses.size()) >= m_nAbortAfterStatuses)) {
      m_bPressing = true;
      m_scanner.RequestAbort();
      m_bPressing = false;
    }
  }

  // The first report naming this value / this key.
  const ProblemRecord* Find(const std::string& valueName) const {
    for (const auto& r : records) {
      if (r->valueName == valueName) return r.get();
    }
    return nullptr;
  }
  const ProblemRecord* FindKey(const std::string& keyPath) const {
    for (const auto& r : records) {
      if (r->keyPath == keyPath) return r.get();
    }
    return nullptr;
  }

  std::vector<std::unique_ptr<ProblemRecord>> records;
  std::vector<std::string> statuses;
  int pumps = 0;

 private:
  SectionScanner m_scanner;
  int m_nAbortAfterReports = -1;
  int m_nAbortAfterStatuses = -1;
  bool m_bPressing = false;
};
