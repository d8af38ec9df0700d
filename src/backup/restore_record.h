#pragma once
// Restoring one saved item, and telling how the item stands now against what
// was saved. Restore never writes over what exists now with other data unless
// told to (registry items only: files are never written over); what exists
// now with the saved data is left alone, as there is nothing to do.

#include <string>

#include "backup/backup_records.h"

enum class LiveState {
  kAbsent,      // nothing of it is there
  kSame,        // there, with the saved data
  kDifferent,   // there, with other data (or data that cannot be compared)
  kUnreadable,  // something is there that cannot be read
};

// How the item of a record stands now. `source` is the folder holding the
// archive's files; `reason` says why for kDifferent and kUnreadable.
LiveState CompareWithLive(const std::string& source, const BackupRecord& record,
                          std::string& reason);

enum class ItemRestore {
  kRestored,     // written back
  kUnchanged,    // there already with the saved data: nothing to do
  kReplaced,     // there with other data, replaced as the caller asked
  kKeptCurrent,  // there with other data, kept
  kRefused,      // restore's rules refuse it: nothing of it is written
  kFailed,       // it could not be restored
};

struct RecordRestore {
  ItemRestore outcome = ItemRestore::kFailed;
  std::string reason;        // why, for kKeptCurrent, kRefused and kFailed
  bool replaceable = false;  // kKeptCurrent: restoring with `replace` would write it
};

constexpr const char* kKeptCurrentReason = "kept the current data: changed since the backup";

// Restores one record from the folder holding the archive's files. With
// `replace`, a registry item that exists now with other data is written over.
RecordRestore RestoreRecord(const std::string& source, const BackupRecord& record, bool replace);

// The record's item as the user knows it: the key, the key and value name, or
// the file.
std::string RecordDisplayName(const BackupRecord& record);
