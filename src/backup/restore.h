#pragma once
// Restore: the list of backup archives by date, and replaying one archive's
// record file (keys re-imported by the registry editor, values written back with
// their type and data, files copied back where they were).

#include <string>
#include <vector>

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
  kRestored,     // "Items Restored"
  kErrors,       // "Not all backed items were restored, Errors Occured"
};

struct RestoreOptions {
  // The record numbers (from 1, in record file order) to restore; empty for all.
  // Only the chosen items count: a damaged or cut part elsewhere is no error.
  std::vector<int> items;
};

// Restores the archive at archivePath ("" when nothing is selected) and shows the
// outcome's message. The path may also name a folder holding a record file and
// its saved items, as a removal keeps them when its archive could not be
// written. Items an interrupted removal left in the staging folder are packed
// into an archive of their own first. Entries of the archive that are damaged
// are left out (the outcome says so); every other item is still restored.
RestoreResult RestoreBackup(BackupArchive& archive, const std::string& archivePath,
                            const RestoreOptions& options = RestoreOptions());
