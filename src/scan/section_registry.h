#pragma once
// Every scan section, registered once: its name, how severe its problems are,
// what walks it and what checks one of its problems again before removal. The
// catalogue, the scan driver and the re-check read this table; nothing else
// decides by a section's id.

#include <windows.h>

#include <string>
#include <vector>

#include "core/problem_record.h"
#include "core/registry_view.h"
#include "core/section_catalogue.h"
#include "scan/entry_findings.h"

class SectionScanner;

// Walks the section; nonzero when the scan may go on, 0 after an abort.
using SectionWalk = int (*)(SectionScanner& scanner, int pauseMs);
// The section's own test on the problem's live entry (its key open in hKey), as a
// program of the view reads it.
using SectionRecheck = Findings (*)(const ProblemRecord& problem, HKEY hKey, RegistryView view);

// The view of the program an entry belongs to, from the key path its problem names.
using SectionView = RegistryView (*)(const std::string& keyPath);

struct SectionEntry {
  SectionInfo info;
  SectionWalk walk;        // null: nothing to walk
  SectionRecheck recheck;  // null: no registry entry to read again
  SectionView view;        // null: the key's own (ViewOfKey)
};

// In catalogue order.
const std::vector<SectionEntry>& SectionEntries();
const SectionEntry* FindSectionEntry(int sectionId);
// What the catalogue is built from.
std::vector<SectionInfo> RegisteredSections();

// The view of the program a registry problem's entry belongs to: what its paths
// were tested as, and what the console reports as "view".
RegistryView ProblemView(const ProblemRecord& record);
