#pragma once
// Restore: the list of backup archives by date, and replaying one archive's
// record file (keys re-imported by the registry editor, values written back with
// their type and data, files copied back where they were). An archive is only a
// file anyone who can write to the backup folder may have put there: restore
// writes only what this program could have removed (restore_rules.h), and asks
// before restoring an archive that does not carry this user's tag
// (archive_tag.h).

#include <string>
#include <vector>

#include "backup/backup_records.h"

class BackupArchive;

struct BackupEntry {
  std::string displayName;  // BackupDisplayName of the file's base name
  std::string path;         // full path of the archive
};

// Every "*.zip" file of the backup folder, sorted by display text as the
// sorted date list shows them (letter case ignored; ties by path).
std::vector<BackupEntry> FillBackupList(const std::string& backupFolder);

enum class RestoreResult {
  kNoSelection,  // "Please Select a backup Date"
  kBusy,         // "Another removal or restore is running"; nothing touched
  kInvalid,      // "Backup is Invalid, Cannot Recover items"; nothing restored
  kDeclined,     // not made here for this user, and not to be restored anyway
  kRestored,     // "Items Restored"
  kErrors,       // "Not all backed items were restored, Errors Occured"
};

struct RestoreOptions {
  // Restore an archive without this user's tag without asking (the console's
  // --trust-archive): the user said so beforehand.
  bool trustArchive = false;
  // The record numbers (from 1, in record file order) to restore; empty for all.
  // Only the chosen items count: a damaged or cut part elsewhere is no error.
  std::vector<int> items;
};

// The question before restoring an archive without this user's valid tag.
std::string UntrustedArchiveQuestion();

enum class RecordOutcome { kRestored, kFailed, kRefused };

// Restores one record from the folder holding the archive's files. A refused
// record writes nothing, and `refusal` says why.
RecordOutcome RestoreRecord(const std::string& source, const BackupRecord& record,
                            std::string& refusal);
// The record's item as the user knows it: the key, the key and value name, or
// the file.
std::string RecordDisplayName(const BackupRecord& record);

// Restores the archive at archivePath ("" when nothing is selected) and shows the
// outcome's message. The path may also name a folder holding a record file and
// its saved items, as a removal keeps them when its archive could not be
// written. Items an interrupted removal left in the staging folder are packed
// into an archive of their own first. Entries of the archive that are damaged
// are left out (the outcome says so); every other item is still restored.
// Records restore would refuse are named in a message of their own before the
// outcome's; the others are still restored.
RestoreResult RestoreBackup(BackupArchive& archive, const std::string& archivePath,
                            const RestoreOptions& options = RestoreOptions());
