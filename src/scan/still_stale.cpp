#include "scan/still_stale.h"

#include <windows.h>

#include "core/registry.h"
#include "scan/entry_findings.h"
#include "scan/path_probe.h"
#include "scan/registry_read.h"
#include "scan/section_registry.h"
#include "scan/view_paths.h"

namespace {

enum class Live { kThere, kGone, kUnknown };

// Whether the key (and for a value problem, the value) is still there, asked with
// read access: only "not found" means gone.
Live RegistryItemState(const ProblemRecord& problem, ScopedKey& key) {
  if (problem.rootKey == nullptr) return Live::kUnknown;
  if (!key.OpenForReading(problem.rootKey, problem.keyPath)) {
    return KeyExists(problem.rootKey, problem.keyPath) ? Live::kUnknown : Live::kGone;
  }
  if (problem.isValue == 0) return Live::kThere;
  const LONG rc = RegQueryValueExA(key.Get(), problem.valueName.c_str(), nullptr, nullptr,
                                   nullptr, nullptr);
  if (rc == ERROR_FILE_NOT_FOUND) return Live::kGone;
  return rc == ERROR_SUCCESS ? Live::kThere : Live::kUnknown;
}

bool StillStale(const Findings& findings, const std::string& data, const ProblemRecord& problem,
                bool compareKind) {
  for (const Finding& finding : findings) {
    if (finding.data == data && finding.message == problem.message &&
        (!compareKind || finding.isValue == problem.isValue)) {
      return true;
    }
  }
  return false;
}

}  // namespace

bool RecheckProblem(const ProblemRecord& problem, std::string& reason) {
  if (problem.errorType == kFileError) {
    const PathState state = ProbePath(problem.linkPath);
    if (state == PathState::kMissing) {
      reason = kNoLongerPresent;
      return false;
    }
    if (state != PathState::kFile) {
      reason = kCannotRecheck;
      return false;
    }
    if (!StillStale(ShortcutFindings(problem.linkPath), problem.targetPath, problem, false)) {
      reason = kChangedSinceScan;
      return false;
    }
    return true;
  }
  if (problem.errorType != kRegistryError) {
    reason = kCannotRecheck;
    return false;
  }

  ScopedKey key;
  switch (RegistryItemState(problem, key)) {
    case Live::kGone:
      reason = kNoLongerPresent;
      return false;
    case Live::kUnknown:
      reason = kCannotRecheck;
      return false;
    case Live::kThere:
      break;
  }
  const SectionEntry* entry = FindSectionEntry(problem.sectionId);
  if (entry == nullptr || entry->recheck == nullptr) {
    reason = kCannotRecheck;
    return false;
  }
  // The view is the key's, as the scan took it: a record names 32-bit keys by
  // their explicit Wow6432Node path. A key both views read is read in both.
  const RegistryView view = ProblemView(problem);
  const bool shared =
      view == RegistryView::k64 && SharedWith32BitView(problem.rootKey, problem.keyPath);
  const Findings findings = StaleInEveryView(shared, view, [&](RegistryView each) {
    return entry->recheck(problem, key.Get(), each);
  });
  if (!StillStale(findings, problem.valueData, problem, true)) {
    reason = kChangedSinceScan;
    return false;
  }
  return true;
}
