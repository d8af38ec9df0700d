#pragma once
// The items of one backup archive, for restoring some of them: its records read
// straight from the archive (nothing is extracted, so nothing in the staging
// folder is touched), their numbers, and the list of numbers a user writes.

#include <string>
#include <vector>

#include "backup/backup_records.h"

// The record file of an archive (or of a folder holding one), parsed. False when
// the archive cannot be opened or holds no record file; `problem`, when given,
// then gets what to tell the user.
bool ReadArchiveRecords(const std::string& archivePath, RecordFile& file,
                        std::string* problem = nullptr);

// ERROR_SUCCESS when the archive file can be opened for reading; otherwise the
// system's reason (not found, access denied, in use).
unsigned long ArchiveOpenError(const std::string& archivePath);
// What is said when an archive cannot be opened at all.
std::string ArchiveOpenMessage(const std::string& archivePath, unsigned long error);

// "REG_KEY", "REG_VALUE" or "FILE".
const char* RecordKindName(const BackupRecord& record);

// "3" or "1,4, 7" into item numbers (1 to count, each once, in the order given);
// false with the reason for anything else.
bool ParseItemNumbers(const std::string& text, int count, std::vector<int>& items,
                      std::string& error);
