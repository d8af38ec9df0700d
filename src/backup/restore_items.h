#pragma once
// The items of one backup archive, for restoring some of them: its records read
// straight from the archive (nothing is extracted, so nothing in the staging
// folder is touched), their numbers, and the list of numbers a user writes.

#include <string>
#include <vector>

#include "backup/backup_records.h"

// The record file of an archive (or of a folder holding one), parsed. False when
// the archive cannot be opened or holds no record file.
bool ReadArchiveRecords(const std::string& archivePath, RecordFile& file);

// "REG_KEY", "REG_VALUE" or "FILE".
const char* RecordKindName(const BackupRecord& record);

// "3" or "1,4, 7" into item numbers (1 to count, each once, in the order given);
// false with the reason for anything else.
bool ParseItemNumbers(const std::string& text, int count, std::vector<int>& items,
                      std::string& error);
