#include "backup/problem_removal.h"

#include <windows.h>
#include <shlwapi.h>

#include "backup/backup_archive.h"
#include "backup/file_utils.h"
#include "core/product.h"
#include "core/registry.h"
#include "framework/prompt.h"

namespace {

// Presence is tested with read access only, so an item the user may not change
// is reported as kept for that reason, not as gone.
bool Present(const ProblemRecord& problem) {
  HKEY hKey = nullptr;
  if (RegOpenKeyExA(problem.rootKey, problem.keyPath.c_str(), 0, KEY_READ, &hKey) !=
      ERROR_SUCCESS) {
    return false;
  }
  bool present = true;
  if (problem.isValue != 0) {
    present = RegQueryValueExA(hKey, problem.valueName.c_str(), nullptr, nullptr, nullptr,
                               nullptr) == ERROR_SUCCESS;
  }
  RegCloseKey(hKey);
  return present;
}

bool SavesBeforeDeleting(BackupArchive& archive, const ProblemRecord& problem) {
  return problem.errorType == kFileError ? archive.AddFileItem(problem)
                                         : archive.AddRegistryItem(problem);
}

std::string FinalMessage(const RemovalOutcome& outcome) {
  std::string text = "Selected Items Removed";
  if (outcome.backupFailures > 0) {
    text += "\r\n\r\n" + std::to_string(outcome.backupFailures) +
            (outcome.backupFailures == 1 ? " item could" : " items could") +
            " not be backed up and " + (outcome.backupFailures == 1 ? "was" : "were") +
            " kept in place.";
  }
  if (!outcome.keptFolder.empty()) {
    text += "\r\n\r\nThe backup archive could not be written. The saved items are kept in " +
            outcome.keptFolder;
  }
  return text;
}

}  // namespace

bool DeleteProblem(const ProblemRecord& problem) {
  if (problem.errorType == kFileError) return DeleteFileA(problem.linkPath.c_str()) != 0;
  if (problem.errorType != kRegistryError) {
    ShowMessage("Invalid Error Type");
    return false;
  }
  if (problem.rootKey == nullptr) return false;
  if (problem.isValue == 0) {
    // SHDeleteKeyA with an empty path empties the whole root.
    if (problem.keyPath.find_first_not_of('\\') == std::string::npos) return false;
    return SHDeleteKeyA(problem.rootKey, problem.keyPath.c_str()) == ERROR_SUCCESS;
  }
  CRegistry key;
  if (!key.OpenKey(problem.rootKey, problem.keyPath)) return false;
  return key.DeleteValue(problem.valueName);
}

bool ProblemStillPresent(const ProblemRecord& problem) {
  if (problem.errorType == kFileError) return FileExists(problem.linkPath);
  if (problem.errorType != kRegistryError || problem.rootKey == nullptr) return false;
  return Present(problem);
}

RemovalOutcome RemoveProblems(SectionCatalogue& catalogue, BackupArchive& archive, int resultRows,
                              bool anySectionChecked, BackupChoice choice) {
  RemovalOutcome outcome;
  if (resultRows <= 0) {
    ShowMessage("No Problems To delete");
    return outcome;
  }
  if (!anySectionChecked) {
    ShowMessage("No Sections Checked");
    return outcome;
  }
  bool backup = choice == BackupChoice::kAlways;
  if (choice == BackupChoice::kAsk) backup = AskYesNo(kBackupQuestion, qb::kMakerName);

  if (backup && !archive.BeginBackup()) {
    ShowMessage("The backup archive could not be created in " + archive.BackupFolder() +
                ", so no items were removed.");
    return outcome;
  }
  outcome.ran = true;
  outcome.backedUp = backup;

  for (ScanSection& section : catalogue.Sections()) {
    for (const auto& owned : section.problems) {
      const ProblemRecord& problem = *owned;
      if (!problem.checked) continue;
      if (problem.errorType != kFileError && problem.errorType != kRegistryError) {
        DeleteProblem(problem);
        outcome.kept.push_back({&problem, "invalid error type"});
        continue;
      }
      if (!ProblemStillPresent(problem)) {
        outcome.kept.push_back({&problem, "no longer present"});
        continue;
      }
      if (backup && !SavesBeforeDeleting(archive, problem)) {
        ++outcome.backupFailures;
        outcome.kept.push_back({&problem, "backup failed"});
        continue;
      }
      if (DeleteProblem(problem)) {
        outcome.removed.push_back(&problem);
      } else {
        outcome.kept.push_back({&problem, "deletion failed"});
      }
    }
  }

  if (backup) {
    if (!archive.FinishBackup()) outcome.keptFolder = archive.KeptFolder();
    outcome.archivePath = archive.ArchivePath();
  }
  ShowMessage(FinalMessage(outcome));
  return outcome;
}
