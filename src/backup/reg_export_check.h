#pragma once
// The two checks on an export read back with the strict reader: that it holds
// exactly a live key (before the key may be deleted), and that importing it
// writes nothing outside the key the caller names. Pure; the live key is read
// elsewhere (reg_key_transfer.h).
//
// Both return "" when the check passes, otherwise the reason, worded for the user.

#include <string>
#include <vector>

#include "backup/reg_export_file.h"

// The export holds exactly this key tree: the same keys (each once), and in each
// the same values by name (each once) with the same type and bytes. Key names
// compare exactly, value names with the letter case of ASCII letters ignored, as
// the registry does.
std::string ExportDifference(const ExportContents& exported, const std::vector<RegKeyContents>& live);

// An import of the export may go ahead: every value's bytes are sure, nothing
// is deleted, and every key is `confinementKey` or lies below it, under a root
// the registry editor knows.
std::string ImportRefusal(const ExportContents& exported, const std::string& confinementKey);
