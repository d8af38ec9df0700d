#pragma once
// A scan's events for tests: keeps every filed problem and status text, and asks
// to stop once a number of problems were filed.

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "core/problem_store.h"
#include "scan/scan_events.h"
#include "scan/section_registry.h"
#include "scan/section_scanner.h"

class ScanRecorder : public ScanEvents {
 public:
  ScanRecorder() { m_scanner.StartScan(); }

  SectionScanner& Scanner() { return m_scanner; }

  // Asks to stop at the first chance after this many problems were filed.
  void AbortAfterReports(int count) { m_nAbortAfterReports = count; }

  void ProblemFiled(const ScanSection&, const ProblemRecord& problem, const ScanTotals&) override {
    records.push_back(&problem);
  }
  void Progress(const std::string& text) override { statuses.push_back(text); }
  bool StopRequested() override {
    return m_nAbortAfterReports >= 0 && static_cast<int>(records.size()) >= m_nAbortAfterReports;
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

  std::vector<const ProblemRecord*> records;  // owned by the store's sections
  std::vector<std::string> statuses;

 private:
  SectionCatalogue m_catalogue{RegisteredSections()};
  ProblemStore m_store{m_catalogue, nullptr, nullptr};
  SectionScanner m_scanner{&m_store, this};
  int m_nAbortAfterReports = -1;
};
