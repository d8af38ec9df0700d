#include "backup/problem_removal.h"

#include <shlwapi.h>

#include <map>
#include <utility>

#include "backup/backup_archive.h"
#include "backup/file_utils.h"
#include "backup/unchanged_since_scan.h"
#include "backup/removal_lock.h"
#include "backup/taken_items.h"
#include "core/handles.h"
#include "core/ignore_list.h"
#include "core/product.h"
#include "core/registry.h"

namespace {

constexpr const char* kNotReached = "not reached: the removal was stopped";
// A key is never removed with a value or key the user said to leave alone.
constexpr const char* kHoldsIgnored = "holds an ignored entry";

bool SavesBeforeDeleting(BackupArchive& archive, const ProblemRecord& problem) {
  return problem.errorType == kFileError ? archive.AddFileItem(problem)
                                         : archive.AddRegistryItem(problem);
}

std::string Count(size_t count, const char* one, const char* many) {
  return std::to_string(count) + (count == 1 ? one : many);
}

// Saved items wait until their records are on the disk together: one flush for
// many items instead of one each, yet an item is never deleted later than this
// after it was checked.
constexpr size_t kBatchItems = 64;
constexpr ULONGLONG kBatchMs = 200;

// The first half of one checked problem: the check that it is still as scanned,
// the caller's re-check and its backup. Returns the reason it is kept, "" when
// it may be deleted; gone tells whether it was kept because it is not there.
std::string CheckAndSave(const ProblemRecord& problem, BackupArchive* archive,
                         const RemovalHooks& hooks, RemovalOutcome& outcome, bool& gone) {
  gone = false;
  if (problem.errorType != kFileError && problem.errorType != kRegistryError) {
    ++outcome.failed;
    return "invalid error type";
  }
  std::string reason;
  const ItemState state = CheckItemAsScanned(problem, reason);
  gone = state == ItemState::kGone;
  if (state == ItemState::kUnreadable) ++outcome.failed;
  if (state != ItemState::kAsScanned) return reason;
  if (hooks.recheck && hooks.recheck(problem, reason)) {
    return reason.empty() ? "changed since the scan" : reason;
  }
  if (archive && !SavesBeforeDeleting(*archive, problem)) {
    ++outcome.backupFailures;
    ++outcome.failed;
    return "backup failed: " + archive->SaveFailure();
  }
  return "";
}

// The second half: the deletion and the check that the item is gone. With an
// archive, the deletion is noted at once beside the item's record: should the
// run be cut short, its recovery packs only what was removed.
std::string DeleteAndVerify(const ProblemRecord& problem, BackupArchive* archive, int savedItem,
                            const RemovalHooks& hooks, RemovalOutcome& outcome) {
  const DWORD error = RemoveProblemItem(problem);
  if (error != ERROR_SUCCESS) {
    ++outcome.failed;
    return "deletion failed (" + ErrorReason(error) + ")";
  }
  if (archive) archive->MarkDeleted(savedItem);
  if (hooks.afterDeletion) hooks.afterDeletion(problem);
  std::string reason;
  if (CheckItemAsScanned(problem, reason) != ItemState::kGone) {
    ++outcome.stillPresent;
    return "still present after removal";
  }
  return "";
}

// A removed item takes its place in `taken`: what is found gone there later went with it.
void Settle(const ProblemRecord& problem, const std::string& reason, RemovalOutcome& outcome,
            TakenItems& taken) {
  if (reason.empty()) {
    outcome.removed.push_back(&problem);
    taken.Add(problem);
  } else {
    outcome.kept.push_back({&problem, reason});
  }
}

// Saved items not yet deleted: committed to the disk, then deleted, together.
class PendingDeletions {
 public:
  PendingDeletions(BackupArchive* archive, const RemovalHooks& hooks, RemovalOutcome& outcome,
                   TakenItems& taken)
      : m_pArchive(archive), m_hooks(hooks), m_outcome(outcome), m_taken(taken) {}

  void Add(const ProblemRecord& problem) {
    if (m_pArchive == nullptr) {
      Settle(problem, DeleteAndVerify(problem, nullptr, -1, m_hooks, m_outcome), m_outcome, m_taken);
      return;
    }
    if (m_vItems.empty()) m_nStarted = GetTickCount64();
    m_vItems.push_back({&problem, m_pArchive->LastSavedItem()});
    m_waiting.Add(problem);
    if (m_vItems.size() >= kBatchItems) Flush();
  }

  // Before the next item: a waiting item must not be deleted long after it was
  // checked. A waiting item that takes the next one with it (its key, the same
  // value) goes first, so the next one is found gone with it instead of being
  // saved a second time and failing to delete.
  void FlushBefore(const ProblemRecord& next) {
    if (!m_vItems.empty() && GetTickCount64() - m_nStarted >= kBatchMs) Flush();
    if (m_waiting.TakenBy(next)) Flush();
  }

  void Flush() {
    if (m_vItems.empty()) return;
    const bool committed = m_pArchive->CommitSaved();
    for (const auto& item : m_vItems) {
      if (committed) {
        Settle(*item.first, DeleteAndVerify(*item.first, m_pArchive, item.second, m_hooks, m_outcome),
               m_outcome, m_taken);
      } else {
        ++m_outcome.backupFailures;
        ++m_outcome.failed;
        Settle(*item.first, "backup failed: it could not be written to the disk", m_outcome, m_taken);
      }
    }
    m_vItems.clear();
    m_waiting.Clear();
  }

 private:
  BackupArchive* m_pArchive;
  const RemovalHooks& m_hooks;
  RemovalOutcome& m_outcome;
  TakenItems& m_taken;
  TakenItems m_waiting;
  std::vector<std::pair<const ProblemRecord*, int>> m_vItems;  // with its record's number
  ULONGLONG m_nStarted = 0;
};

}  // namespace

std::string BackupFailureMessage(const RemovalOutcome& outcome) {
  return "The backup archive could not be created, so no items were removed: " +
         (outcome.backupFailure.empty() ? std::string("its folders could not be prepared")
                                        : outcome.backupFailure) +
         ".";
}

DWORD RemoveProblemItem(const ProblemRecord& problem) {
  if (problem.errorType == kFileError) return DeleteFileChecked(problem.linkPath);
  if (problem.errorType != kRegistryError) return ERROR_INVALID_PARAMETER;
  if (problem.rootKey == nullptr) return ERROR_INVALID_PARAMETER;
  if (problem.isValue == 0) {
    // Deleting an empty path would empty the whole root.
    if (problem.keyPath.find_first_not_of('\\') == std::string::npos) {
      return ERROR_INVALID_PARAMETER;
    }
    return static_cast<DWORD>(SHDeleteKeyW(problem.rootKey, WideText(problem.keyPath).c_str()));
  }
  KeyHandle key;
  const LONG opened = OpenRegistryKey(problem.rootKey, problem.keyPath, KEY_SET_VALUE, key);
  if (opened != ERROR_SUCCESS) return static_cast<DWORD>(opened);
  return static_cast<DWORD>(RegDeleteValueW(key.Get(), WideText(problem.valueName).c_str()));
}

bool DeleteProblem(const ProblemRecord& problem) {
  return RemoveProblemItem(problem) == ERROR_SUCCESS;
}

bool ProblemStillPresent(const ProblemRecord& problem) {
  if (problem.errorType != kFileError && problem.errorType != kRegistryError) return false;
  std::string reason;
  return CheckItemAsScanned(problem, reason) != ItemState::kGone;
}

RemovalOutcome RemoveProblems(SectionCatalogue& catalogue, BackupArchive& archive, bool backup,
                              const RemovalHooks& hooks) {
  RemovalOutcome outcome;
  RemovalLock lock;
  if (!lock.Held()) {
    outcome.busy = true;
    return outcome;
  }
  // Whatever an interrupted run saved is packed before anything else happens.
  archive.RecoverUnfinishedRun();
  outcome.recovery = archive.TakeRecovery();
  if (backup && !archive.BeginBackup()) {
    outcome.archiveNotStarted = true;
    outcome.backupFailure = archive.PrepareFailure();
    return outcome;
  }
  outcome.ran = true;
  outcome.backedUp = backup;

  const IgnoreList ignored = LoadIgnoreList();
  TakenItems taken;
  PendingDeletions pending(backup ? &archive : nullptr, hooks, outcome, taken);
  for (ScanSection& section : catalogue.Sections()) {
    for (const auto& owned : section.problems) {
      const ProblemRecord& problem = *owned;
      if (!problem.checked) continue;
      if (!outcome.stopped && hooks.stopRequested && hooks.stopRequested()) outcome.stopped = true;
      if (outcome.stopped) {
        ++outcome.notReached;
        outcome.kept.push_back({&problem, kNotReached});
        continue;
      }
      if (ignored.TakenByRemoval(problem)) {
        outcome.kept.push_back({&problem, kHoldsIgnored});
        continue;
      }
      pending.FlushBefore(problem);
      bool gone = false;
      const std::string reason =
          CheckAndSave(problem, backup ? &archive : nullptr, hooks, outcome, gone);
      // Gone with an earlier item of this run: removed, and saved in that item's backup.
      const ProblemRecord* with = gone ? taken.TakenBy(problem) : nullptr;
      if (reason.empty()) {
        pending.Add(problem);
      } else if (with) {
        outcome.removed.push_back(&problem);
        outcome.removedWith[&problem] = with;
      } else {
        outcome.kept.push_back({&problem, reason});
      }
    }
  }
  pending.Flush();

  if (backup) {
    if (!archive.FinishBackup()) outcome.keptFolder = archive.KeptFolder();
    outcome.archivePath = archive.ArchivePath();
    outcome.keyNotice = archive.TakeKeyNotice();
  }
  return outcome;
}

std::string RemovalStopText(const RemovalOutcome& outcome) {
  if (!outcome.stopped) return "";
  return "The removal was stopped. " + Count(outcome.removed.size(), " item was", " items were") +
         " removed and " + Count(outcome.notReached, " was", " were") + " not reached.";
}

std::string KeptFolderText(const RemovalOutcome& outcome) {
  if (outcome.keptFolder.empty()) return "";
  return "The backup archive could not be written. The saved items are kept in " +
         outcome.keptFolder;
}

std::string RemovalMessage(const RemovalOutcome& outcome) {
  if (outcome.busy) return kAnotherRunMessage;
  if (outcome.archiveNotStarted) return BackupFailureMessage(outcome);
  std::string text = outcome.stopped ? RemovalStopText(outcome) : "Selected Items Removed";
  if (outcome.backupFailures > 0) {
    text += "\r\n\r\n" + std::to_string(outcome.backupFailures) +
            (outcome.backupFailures == 1 ? " item could" : " items could") +
            " not be backed up and " + (outcome.backupFailures == 1 ? "was" : "were") +
            " kept in place.";
  }
  // Everything else left in place, by reason, so "Selected Items Removed" is never
  // taken for more than it is.
  std::map<std::string, size_t> reasons;
  size_t others = 0;
  for (const KeptProblem& item : outcome.kept) {
    if (item.reason.rfind("not reached:", 0) == 0 || item.reason.rfind("backup failed:", 0) == 0)
      continue;
    ++reasons[item.reason];
    ++others;
  }
  if (others > 0) {
    text += "\r\n\r\n" + Count(others, " item was", " items were") + " kept in place:";
    const char* separator = " ";
    for (const auto& reason : reasons) {
      text += separator + std::to_string(reason.second) + " " + reason.first;
      separator = "; ";
    }
    text += ".";
  }
  if (!outcome.keptFolder.empty()) text += "\r\n\r\n" + KeptFolderText(outcome);
  return text;
}
