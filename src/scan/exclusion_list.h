#pragma once
// Fragments of registry text that must never be reported, whatever section finds
// them: caches, installer sources, side-by-side stores and the like.

#include "core/problem_record.h"

constexpr int kExclusionCount = 28;
extern const char* const ExclusionList[kExclusionCount];

// True when a registry problem's "root\key\value name\value data" text, in lower
// case, contains any entry of the list. File problems are never excluded.
bool IsExcluded(const ProblemRecord& problem);
