// quillbane-cli clean [--sections ...] [--backup | --no-backup] [--json] [--pause-ms N]
//
// A scan, the removal of everything it found, and the report of both - while
// the scan's records live. The report (text or JSON) on stdout is the summary;
// stderr carries only what the report does not say.

#include <windows.h>

#include <cstdio>
#include <memory>

#include "backup/backup_archive.h"
#include "backup/problem_removal.h"
#include "backup/removal_lock.h"
#include "backup/taken_items.h"
#include "cli/commands.h"
#include "cli/console_interrupt.h"
#include "cli/console_out.h"
#include "cli/console_scan.h"
#include "cli/scan_report.h"
#include "cli/test_hold.h"
#include "core/handles.h"
#include "scan/still_stale.h"

namespace {

struct CleanOptions {
  std::string sections;
  bool sectionsGiven = false;
  bool backup = false;
  bool noBackup = false;
  bool json = false;
  int pauseMs = 0;
};

// Checks every problem the scan found and removes them, as Remove Problems does
// with everything checked. `ran` is false when there was nothing to remove.
RemovalOutcome RemoveEverything(SectionCatalogue& catalogue, bool backup, bool& ran) {
  int rows = 0;
  for (ScanSection& section : catalogue.Sections()) {
    if (section.problems.empty()) continue;
    ++rows;
    for (auto& problem : section.problems) problem->checked = 1;
  }
  ran = rows > 0;
  if (!ran) return RemovalOutcome();
  const std::string holdFile = TestHoldFile("QUILLBANE_TEST_HOLD");
  const int holdAt = holdFile.empty() ? -2 : TestHoldItem();
  if (holdAt == -1) HoldForTest(holdFile);
  int item = 0;
  RemovalHooks hooks;
  hooks.stopRequested = [&] {
    if (item++ == holdAt) HoldForTest(holdFile);
    return ConsoleInterruptRequested();
  };
  // The section's own test once more: what became valid since the scan stays.
  hooks.recheck = [](const ProblemRecord& problem, std::string& reason) {
    return !RecheckProblem(problem, reason);
  };
  BackupArchive archive;
  return RemoveProblems(catalogue, archive, backup, hooks);
}

// What the report leaves out, on stderr: an interrupted run packed on the way,
// why nothing could be removed, a stop, where the saved items are when the
// archive could not be written, and the one-time word about the archive key.
void PrintRemovalNotes(const RemovalOutcome& outcome) {
  PrintMessage(stderr, RecoveryMessage(outcome.recovery));
  if (outcome.busy || outcome.archiveNotStarted) PrintMessage(stderr, RemovalMessage(outcome));
  PrintMessage(stderr, RemovalStopText(outcome));
  PrintMessage(stderr, KeptFolderText(outcome));
  PrintMessage(stderr, outcome.keyNotice);
}

// The scan's document with what the removal did.
void WriteCleanJson(ConsoleScan& scan, ReportStream& out, const RemovalOutcome& outcome) {
  nlohmann::json fields = nlohmann::json::object();
  fields["archive"] = outcome.archivePath.empty() ? nlohmann::json(nullptr)
                                                  : nlohmann::json(outcome.archivePath);
  fields["aborted"] = outcome.stopped;
  if (!outcome.keptFolder.empty()) fields["keptFolder"] = outcome.keptFolder;
  if (!outcome.backupFailure.empty()) fields["backupFailure"] = outcome.backupFailure;
  if (!outcome.keyNotice.empty()) fields["archiveKeyNotice"] = outcome.keyNotice;
  std::vector<StreamedMember> members;
  members.push_back({"removed", [&outcome](ReportStream& removedOut) {
                       JsonArray removed(removedOut);
                       for (const ProblemRecord* problem : outcome.removed) {
                         nlohmann::json entry = ProblemJson(*problem);
                         const auto with = outcome.removedWith.find(problem);
                         if (with != outcome.removedWith.end()) {
                           entry["with"] = TakenItemName(*with->second);
                         }
                         WriteJson(removed.Next(), entry);
                       }
                       removed.End();
                     }});
  members.push_back({"kept", [&outcome](ReportStream& keptOut) {
                       JsonArray kept(keptOut);
                       for (const KeptProblem& item : outcome.kept) {
                         nlohmann::json entry = ProblemJson(*item.problem);
                         entry["reason"] = item.reason;
                         WriteJson(kept.Next(), entry);
                       }
                       kept.End();
                     }});
  WriteScanJson(scan, out, fields, std::move(members));
}

void WriteCleanText(ReportStream& out, const RemovalOutcome& outcome) {
  out.Write("Removed " + std::to_string(outcome.removed.size()) + ", kept " +
            std::to_string(outcome.kept.size()) + ".\n");
  for (const KeptProblem& item : outcome.kept) {
    // Items a stop left alone are summed up by the stop's own line on stderr.
    if (outcome.stopped && item.reason.compare(0, 12, "not reached:") == 0) continue;
    out.Write(ConsoleText("kept (" + item.reason + "): " + item.problem->message) + "\n");
  }
  if (!outcome.archivePath.empty()) out.Write("Backup: " + outcome.archivePath + "\n");
}

int RunClean(const CleanOptions& options) {
  // Refused before the scan, so a second run touches nothing (not even a log).
  // Until the report, the program's words go where the report goes, or beside
  // the JSON document to stderr.
  FILE* words = options.json ? stderr : stdout;
  RemovalLock lock;
  if (!lock.Held()) {
    PrintMessage(words, kAnotherRunMessage);
    return kExitUsage;
  }
  {
    // What an interrupted run left is packed at once, whatever this scan finds.
    BackupArchive archive;
    archive.RecoverUnfinishedRun();
    PrintMessage(words, RecoveryMessage(archive.TakeRecovery()));
  }
  ConsoleInterrupt interrupt;
  const ComApartment com;  // shortcut targets are read through the shell-link object
  ConsoleScan scan;

  // 1. The scan.
  std::string error;
  if (options.sectionsGiven && !scan.SelectSections(options.sections, error)) {
    PrintTo(stderr, "%s\n", error.c_str());
    if (options.json) PrintTo(stdout, "{}\n");
    return kExitUsage;
  }
  scan.SetItemPauseMs(options.pauseMs);
  scan.Run();
  const int scanned = ScanExitCode(scan);
  const bool completed = scanned == kExitNothingFound || scanned == kExitProblemsFound;

  // 2. The removal: only after a scan that ran to its end.
  RemovalOutcome outcome;
  bool ran = false;
  if (completed) outcome = RemoveEverything(scan.Catalogue(), !options.noBackup, ran);
  PrintRemovalNotes(outcome);

  // 3. The report.
  ReportStream out(stdout);
  if (options.json && completed) {
    WriteCleanJson(scan, out, outcome);
  } else if (options.json) {
    WriteScanJson(scan, out);
  } else if (completed) {
    WriteCleanText(out, outcome);
  }
  if (options.json) out.Write("\n");
  if (!out.Finish()) {
    PrintTo(stderr, "%s\n", kReportNotWritten);
    return kExitUsage;
  }
  if (!completed) return scanned;
  std::fflush(stdout);
  return ran ? CleanExitCode(outcome) : kExitDone;
}

}  // namespace

int CleanExitCode(const RemovalOutcome& outcome) {
  if (outcome.busy || !outcome.ran || !outcome.keptFolder.empty()) return kExitUsage;
  if (outcome.stopped) return kExitAborted;
  if (outcome.stillPresent > 0) return kExitStillPresent;
  return outcome.failed > 0 ? kExitUsage : kExitDone;
}

void AddCleanCommand(CLI::App& app, int& exitCode) {
  auto options = std::make_shared<CleanOptions>();
  CLI::App* clean = app.add_subcommand(
      "clean", "Scan, then remove every problem found (backed up unless --no-backup)");
  CLI::Option* sections =
      clean->add_option("--sections", options->sections, "Section ids to scan, e.g. 3,4,13");
  CLI::Option* withBackup =
      clean->add_flag("--backup", options->backup, "Back up before removing (the default)");
  clean->add_flag("--no-backup", options->noBackup, "Remove without a backup")->excludes(withBackup);
  clean->add_flag("--json", options->json, "Print one JSON document");
  AddPauseOption(*clean, options->pauseMs);
  clean->callback([&exitCode, options, sections] {
    options->sectionsGiven = sections->count() > 0;
    exitCode = RunClean(*options);
  });
}
