#pragma once
// The check removal makes just before it saves and deletes an item: is the thing
// the scan found still there, and still as the scan saw it? Anything else (gone,
// changed, or unreadable so that nobody can tell) keeps the item.

#include <string>

#include "core/problem_record.h"

enum class ItemState {
  kAsScanned,   // there, and (for a value) its data as the scan recorded it
  kGone,        // "no longer present"
  kChanged,     // "changed since the scan"
  kUnreadable,  // there, but it cannot be read ("cannot be read (access denied)" ...)
};

// The item's state now; reasonOut gets the words for any state but kAsScanned.
// Files and keys are looked at through the wide API (no path length limit); only
// "not found" counts as gone. A value's data is compared with the text the scan
// recorded (the data up to its first zero byte, or its expansion for an
// expandable string); a section that records no data (Shared Program Files names
// the file in the value's name) is compared by presence alone, and an orphaned
// StartupApproved value (binary, in Startup Programs) by the state it gives.
ItemState CheckItemAsScanned(const ProblemRecord& problem, std::string& reasonOut);

// The comparison itself: true when live data of this type matches what the scan
// recorded. expandedText is the expansion of an expandable string (else unused).
bool SameAsRecordedData(const std::string& recorded, unsigned long type,
                        const std::string& bytes, const std::string& expandedText);
