#pragma once
// Names of backup archives and of the files staged for them. Pure text work: the
// caller supplies the time and the folders.

#include <string>

// "%d,%d,%d_%d,%d,%d": month, day, four-digit year, hour, minute, second, no
// leading zeros (7 March 2008 09:05:00 gives "3,7,2008_9,5,0").
std::string ArchiveBaseName(int month, int day, int year, int hour, int minute, int second);

// "<folder>\<base>.zip" for attempt 1; a second archive started in the same
// second gets "<folder>\<base>_2.zip", then _3 and so on, so no run overwrites
// an earlier one. The seventh number is ignored by readers that take six. The
// archive of an interrupted run, packed by the next start, is named from that
// run's own start time and marked: "<folder>\<base> (recovered).zip".
std::string ArchivePath(const std::string& backupFolder, const std::string& baseName,
                        int attempt, bool recovered = false);

constexpr const char* kRecoveredMark = " (recovered)";

// Display text of an archive's base name: "%A, %B %d, %Y Time: %H:%M:%S" in
// English, e.g. "Friday, March 07, 2008 Time: 09:05:00"; "" with fewer than six
// numbers. Six numbers that are no real date and time show the name itself; a
// seventh number n above 1 (a same-second archive) adds " (n)", and a recovered
// archive's mark is shown after it.
std::string BackupDisplayName(const std::string& baseName);

// Name of a removed file's copy in the staging folder, derived from its full
// path alone: eight hex digits of a hash of the path (case ignored, as Windows
// does), "_", and the file's own name. Two removed files with the same name get
// different copies, and restore finds each from the record's DEST_PATH. The name
// is cut (at a character boundary) to 255 bytes, the most a file name may have
// on the disks Wine writes to; the hash still tells cut names apart.
std::string StagedFileName(const std::string& destPath);
// The name archives written before the cut used (the same, uncut).
std::string UncutStagedFileName(const std::string& destPath);

// A 32-bit FNV-1a hash of a path with its ASCII letters folded to lower case, so
// the same file or folder named in other letter cases hashes alike.
unsigned long FoldedPathHash(const std::string& path);

constexpr size_t kMaxFileNameBytes = 255;
