#pragma once
// A scan host for tests: keeps every report and status text, and can press Abort
// (through the scanner, as the button does) once a number of reports were filed.

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "scan/scan_host.h"
#include "scan/section_scanner.h"

class ScanRecorder : public ScanHost {
 public:
  ScanRecorder() { m_scanner.SetHost(this); m_scanner.StartScan(); }

  SectionScanner& Scanner() { return m_scanner; }

  // Presses Abort at the first pump after this many reports have been filed.
  void AbortAfterReports(int count) { m_nAbortAfterReports = count; }

  void ReportProblem(std::unique_ptr<ProblemRecord> record) override {
    records.push_back(std::move(record));
  }
  void ShowStatus(const std::string& text) override { statuses.push_back(text); }
  void PumpInput() override {
    if (m_nAbortAfterReports >= 0 && static_cast<int>(records.size()) >= m_nAbortAfterReports &&
        m_scanner.Running()) {
      m_scanner.RequestAbort();
    }
  }

  // Every record must be a registry problem of this section, root and kind, and
  // the records as "key|valueName|valueData|message" must be the expected ones
  // (in any order: Wine enumerates in its own).
  void ExpectFiled(int sectionId, HKEY root, int isValue, std::vector<std::string> expected) {
    std::vector<std::string> filed;
    for (const auto& r : records) {
      EXPECT_EQ(kRegistryError, r->errorType);
      EXPECT_EQ(0, r->checked);
      EXPECT_EQ(sectionId, r->sectionId);
      EXPECT_EQ(root, r->rootKey);
      EXPECT_EQ(isValue, r->isValue);
      filed.push_back(r->keyPath + "|" + r->valueName + "|" + r->valueData + "|" + r->message);
    }
    std::sort(filed.begin(), filed.end());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(expected, filed);
  }
  // Whether some status text contains the fragment.
  bool Showed(const std::string& fragment) const {
    return std::any_of(statuses.begin(), statuses.end(), [&](const std::string& s) {
      return s.find(fragment) != std::string::npos;
    });
  }

  std::vector<std::unique_ptr<ProblemRecord>> records;
  std::vector<std::string> statuses;

 private:
  SectionScanner m_scanner;
  int m_nAbortAfterReports = -1;
};
