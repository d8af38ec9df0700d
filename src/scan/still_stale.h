#pragma once
// The check just before removal. A scan may take long, and an entry may change
// while the results wait (a program reinstalled, a value edited, an open-with list
// added to an extension key): the problem's own section test runs again on the
// live entry, and only an entry that is still stale exactly as recorded may go.

#include <string>

#include "core/problem_record.h"

constexpr const char* kChangedSinceScan = "changed since the scan";
constexpr const char* kNoLongerPresent = "no longer present";
constexpr const char* kCannotRecheck = "could not be checked again";

// True when the problem is still there and still stale with the same data, message
// and kind; false, with the reason to keep it, otherwise.
bool RecheckProblem(const ProblemRecord& problem, std::string& reason);
