#pragma once
// Restore: the list of backup archives by date, and replaying one archive's
// record file (keys imported again from their exports, values written back with
// their type and data, files copied back where they were). An archive is only a
// file anyone who can write to the backup folder may have put there: restore
// writes only what this program could have removed (restore_rules.h), takes
// nothing out of an archive larger than a backup can be (archive_bounds.h), and
// restores one that does not carry this user's tag (archive_tag.h) only when the
// caller says the user trusts it - all before anything is extracted. What exists now with other data is kept
// unless the caller says to replace it (restore_record.h).

#include <string>
#include <vector>

#include "backup/backup_archive.h"
#include "backup/backup_records.h"
#include "backup/restore_record.h"

struct BackupEntry {
  std::string displayName;  // BackupDisplayName of the file's base name
  std::string path;         // full path of the archive
  std::string kind = "archive";  // or a manager's export: "startup", "bho", "programs"
  std::string holds;             // a manager's export: the entry it holds
};

// Every "*.zip" file of the backup folder and every manager's export below it,
// sorted by display text as the sorted date list shows them (letter case
// ignored; ties by path).
std::vector<BackupEntry> FillBackupList(const std::string& backupFolder);

enum class RestoreResult {
  kNoSelection,  // "Please Select a backup Date"
  kBusy,         // "Another removal or restore is running"; nothing touched
  kInvalid,      // "Backup is Invalid, Cannot Recover items"; nothing restored
  kDeclined,     // not made here for this user, and not trusted: nothing restored
  kRestored,     // "Items Restored": every chosen item is there as saved
  kErrors,       // "Not all backed items were restored, Errors Occured"
};

struct RestoreOptions {
  // Restore an archive without this user's tag (the console's --trust-archive,
  // the window's Yes): the user said so beforehand.
  bool trustArchive = false;
  // The record numbers (from 1, in record file order) to restore; empty for all.
  // Only the chosen items count: a damaged or cut part elsewhere is no error.
  std::vector<int> items;
  // Write the saved data over registry items that exist now with other data
  // (the console's --replace, the window's Yes). Files are never written over.
  bool replaceChanged = false;
};

// One chosen item and what became of it.
struct RestoredItem {
  int number = 0;  // from 1, in record file order
  BackupRecord::Kind kind = BackupRecord::kRegValue;
  std::string keyName, valueName, destPath;  // as the record names the item
  std::string name;                          // RecordDisplayName
  ItemRestore outcome = ItemRestore::kFailed;
  std::string reason;
  bool replaceable = false;
};

struct RestoreOutcome {
  RestoreResult result = RestoreResult::kInvalid;
  std::string archive;             // the path restored from
  std::string invalidReason;       // kInvalid: why the archive was not taken, if known
  bool untrusted = false;          // kDeclined: it lacks this user's tag; the caller may
                                   // ask the user and restore it with trustArchive
  // kInvalid: the system's reason the archive could not even be opened (not
  // found, access denied, in use): nothing is known about it, and it is not
  // called invalid. 0 when it was opened.
  unsigned long openError = 0;
  // Chosen keys or files could not be restored as the archive could not be
  // unpacked (the staging folder could not be prepared): which folder and why.
  // Its values were still restored, from the record file.
  std::string stagingFailure;
  bool trustAsked = false;         // the user was asked to trust it, and said yes
  RecoveryOutcome recovery;        // an interrupted removal's items, packed first
  bool damaged = false;            // the record file was cut, or entries were damaged
  std::vector<int> missingItems;   // chosen numbers the archive does not hold
  std::vector<RestoredItem> items; // every chosen item, in record file order

  // The numbers of the items kept because they exist now with other data and
  // could be replaced.
  std::vector<int> ReplaceableItems() const;
  // Takes over the items of a later restore of some of the same items (the
  // replacing pass), and settles the result anew.
  void Merge(const RestoreOutcome& later);
  void Settle();
};

// The question before restoring an archive without this user's valid tag (the
// window asks it when a restore comes back untrusted).
std::string UntrustedArchiveQuestion();
// The window's one question once some items were kept because they exist now
// with other data.
std::string ReplaceQuestion(size_t count);

// Restores the archive at archivePath ("" when nothing is selected). The path
// may also name a folder holding a record file and its saved items, as a
// removal keeps them when its archive could not be written, or a manager's
// export (manager_export_restore.h). Items an
// interrupted removal left in the staging folder are packed into an archive of
// their own first. Entries of the archive that are damaged are left out (the
// outcome says so); every other item is still restored. Shows nothing and asks
// nothing: an archive without this user's tag comes back kDeclined, untrusted,
// unless options.trustArchive.
RestoreOutcome RestoreArchive(BackupArchive& archive, const std::string& archivePath,
                              const RestoreOptions& options = RestoreOptions());

// The program's words for an outcome: the result's message, then every item
// that was not restored, with its reason (at most `maxNamed` of them, the rest
// counted), and how many were there already. "" when nothing is to be said (the
// user declined).
std::string RestoreMessage(const RestoreOutcome& outcome, size_t maxNamed = static_cast<size_t>(-1));
