#pragma once
// Removal of the checked problems: the decision to back up, saving each item just
// before it is deleted, deleting by kind, and the final report. The window's part
// (its button, returning to the start panel) stays with the window; the console
// front end calls the same code.
//
// Nothing is deleted that is not checked, and with a backup an item is deleted
// only after its own backup succeeded.

#include <string>
#include <vector>

#include "core/problem_record.h"
#include "core/section_catalogue.h"

class BackupArchive;

enum class BackupChoice {
  kAsk,     // the AutoBackup setting is off: ask the user
  kAlways,  // the AutoBackup setting is on, or the console's default
  kNever,   // the console's --no-backup
};

struct KeptProblem {
  const ProblemRecord* problem;
  std::string reason;  // "backup failed", "no longer present", "deletion failed", ...
};

struct RemovalOutcome {
  bool ran = false;       // false when there was nothing to remove or nothing checked
  bool backedUp = false;  // a backup run was made
  std::string archivePath;  // the archive written, "" for none
  std::string keptFolder;   // packing failed: the saved items are in this folder
  std::vector<const ProblemRecord*> removed;
  std::vector<KeptProblem> kept;
  int backupFailures = 0;
};

constexpr const char* kBackupQuestion =
    "Automatic Backup of deleted items is Disabled, Tarnwick will not backup any deleted items, "
    "Do you want to backup the items before deletion?";

// Deletes one problem by its kind; true on success. Refuses (false) a whole-key
// deletion without a root or with an empty key path, which would wipe a root.
bool DeleteProblem(const ProblemRecord& problem);

// True when the thing a problem names is still there (file, key or value).
bool ProblemStillPresent(const ProblemRecord& problem);

// The Remove Problems action. resultRows and anySectionChecked describe the
// results list; the problems are walked in catalogue order, and only those with
// their checked flag set are touched. Shows the program's messages and returns
// what happened.
RemovalOutcome RemoveProblems(SectionCatalogue& catalogue, BackupArchive& archive, int resultRows,
                              bool anySectionChecked, BackupChoice choice);
