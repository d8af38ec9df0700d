#pragma once
// Removal of the checked problems: saving each item just before it is deleted,
// deleting by kind, and what became of each. The caller decides beforehand
// whether to back up (the window asks, the console reads its options) and says
// the outcome in its own way; RemovalMessage gives the program's words.
//
// Nothing is deleted that is not checked; nothing is deleted that is no longer
// as the scan found it; and with a backup an item is deleted only after its own
// backup is on the disk. Only one removal or restore runs at a time.

#include <windows.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "backup/backup_archive.h"
#include "core/problem_record.h"
#include "core/section_catalogue.h"

struct KeptProblem {
  const ProblemRecord* problem;
  // "no longer present", "changed since the scan", "backup failed: ...",
  // "deletion failed (access denied)", "not reached: the removal was stopped" ...
  std::string reason;
};

struct RemovalOutcome {
  bool ran = false;       // false when another run held the lock or no archive could
                          // be started
  bool busy = false;      // another removal or restore was running
  bool archiveNotStarted = false;  // the backup run could not begin: nothing was removed
  bool backedUp = false;  // a backup run was made
  bool stopped = false;   // the run was stopped before its last item
  std::string archivePath;  // the archive written, "" for none
  std::string keptFolder;   // packing failed: the saved items are in this folder
  std::string backupFailure;  // no backup could be started (so nothing was removed):
                              // which folder and the system's reason, in words
  std::string keyNotice;    // this account's archive key had to be made anew: which
                            // archives can no longer be verified (for the caller to show)
  std::vector<const ProblemRecord*> removed;
  std::vector<KeptProblem> kept;
  // Removed items that were gone at their turn because an earlier item of this run
  // took them (a key above them, the same value or shortcut found twice), each
  // with that item. Such an item is in `removed`; its backup is the earlier one's.
  std::map<const ProblemRecord*, const ProblemRecord*> removedWith;
  // What an interrupted earlier run saved, packed before this one began.
  RecoveryOutcome recovery;
  size_t notReached = 0;  // kept because the run was stopped before them
  int backupFailures = 0;
  int stillPresent = 0;   // deletions that reported success, yet the item is there
  int failed = 0;         // kept because something failed (not because the item
                          // was gone or had changed, nor because of the stop)
};

// What the caller adds to a run. Each may be left empty.
struct RemovalHooks {
  // Asked before each item; true stops the run there (Ctrl+C, the Abort button).
  // The items already removed stay removed and their archive is finished.
  std::function<bool()> stopRequested;
  // Run just before an item is saved and deleted, after the check that it is
  // still there as scanned: true keeps the item, with the reason given.
  std::function<bool(const ProblemRecord& problem, std::string& reason)> recheck;
  // Run after a deletion reported success, before the check that the item is
  // gone: where another process may put it back (tests stand in for one here).
  std::function<void(const ProblemRecord& problem)> afterDeletion;
};

// What is said when no backup could be started, so nothing was removed.
std::string BackupFailureMessage(const RemovalOutcome& outcome);

// Deletes one problem by its kind; true on success. Refuses (false) a whole-key
// deletion without a root or with an empty key path, which would wipe a root.
bool DeleteProblem(const ProblemRecord& problem);
// The same, with the system's reason: ERROR_SUCCESS, ERROR_ACCESS_DENIED, ...
DWORD RemoveProblemItem(const ProblemRecord& problem);

// True when the thing a problem names is still there (file, key or value).
bool ProblemStillPresent(const ProblemRecord& problem);

// The Remove Problems action: the problems are walked in catalogue order, and
// only those with their checked flag set are touched; with `backup`, each is
// saved into the archive before it goes. Shows nothing; returns what happened.
RemovalOutcome RemoveProblems(SectionCatalogue& catalogue, BackupArchive& archive, bool backup,
                              const RemovalHooks& hooks = RemovalHooks());

// The program's words for a removal's outcome: what stopped it from starting,
// or what was removed and what was kept, by reason.
std::string RemovalMessage(const RemovalOutcome& outcome);
// Its parts the console's report does not hold: the stop ("The removal was
// stopped. ..."), and where the saved items are when the archive could not be
// written. "" when there is none.
std::string RemovalStopText(const RemovalOutcome& outcome);
std::string KeptFolderText(const RemovalOutcome& outcome);
