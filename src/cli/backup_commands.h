#pragma once
// The console commands over removal, backup and restore:
//   quillbane-cli clean   [--sections ...] [--backup | --no-backup] [--json] [--pause-ms N]
//   quillbane-cli backups [--json]
//   quillbane-cli restore <archive.zip> [--trust-archive] [--replace] [--json]

#include <functional>
#include <string>

#include <CLI/CLI.hpp>
#include <nlohmann/json.hpp>

#include "backup/problem_removal.h"
#include "cli/json_stream.h"
#include "core/section_catalogue.h"

// What `clean` needs from the scan command: run the scan (of the listed section
// ids, or of the enabled sections when `sections` is null, with `pauseMs` after
// each item), then call `finish` once while its records are alive, with the
// catalogue holding them, whether the scan ran to its end (only then may
// anything be removed) and a writer of the scan command's JSON document (to which
// `clean` adds its own fields). Returns the scan's exit code (0 nothing found, 1
// problems found, 2 error, 3 aborted); on a usage error `finish` is not called.
using ScanReportWriter = std::function<void(ReportStream& out, const nlohmann::json& fields,
                                            std::vector<StreamedMember> members)>;
using CleanFinish = std::function<void(SectionCatalogue& catalogue, bool completed,
                                       const ScanReportWriter& writeScan)>;
using CleanScan =
    std::function<int(const std::string* sections, int pauseMs, const CleanFinish& finish)>;

// The exit code of `clean` once it removed: 2 when another run held the lock or
// the archive could not be written, 3 when Ctrl+C stopped the removal, 4 when an
// item reported removed is still there, 2 when any item was kept because
// something failed (its backup, its deletion, it could not be read), else 0
// (items that were gone or had changed since the scan are kept as they should be).
int CleanExitCode(const RemovalOutcome& outcome);

// Registers the commands on the app; the one that runs stores its exit code in
// exitCode. `clean` is registered only when a scan is supplied.
void RegisterBackupCommands(CLI::App& app, int& exitCode, CleanScan scan = nullptr);
