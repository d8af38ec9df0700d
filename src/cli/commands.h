#pragma once
// The console's commands. Each lives in its own file and registers itself as a
// CLI11 subcommand; when it runs it stores its exit code.

#include <CLI/CLI.hpp>

#include "backup/problem_removal.h"

constexpr int kExitNothingFound = 0;
constexpr int kExitDone = 0;
constexpr int kExitProblemsFound = 1;
constexpr int kExitUsage = 2;
constexpr int kExitAborted = 3;
constexpr int kExitStillPresent = 4;  // clean: a removal the re-check found still there

// Said on stderr (with exit code 2) when the report could not be written whole.
constexpr const char* kReportNotWritten =
    "The report could not be written in full (is the disk full, or the output closed?)";

// --pause-ms N: a pause of N milliseconds after each item, as the window makes
// (0 to 1000; the console's default is no pause).
void AddPauseOption(CLI::App& command, int& pauseMs);

// `exitCode` receives the command's exit code when the command runs.
void AddScanCommand(CLI::App& app, int& exitCode);

// quillbane-cli ignore list|add|remove: the ignore list under the settings key.
void AddIgnoreCommand(CLI::App& app, int& exitCode);

// quillbane-cli backups and restore (backup_commands.cpp).
void AddBackupCommands(CLI::App& app, int& exitCode);

// quillbane-cli startup list|disable|enable|remove, bho list, programs list
// (inventory_commands.cpp).
void AddInventoryCommands(CLI::App& app, int& exitCode);

// quillbane-cli clean: scan, remove what was found, report (clean_command.cpp).
void AddCleanCommand(CLI::App& app, int& exitCode);

// The exit code of `clean` once it removed: 2 when another run held the lock or
// the archive could not be written, 3 when Ctrl+C stopped the removal, 4 when an
// item reported removed is still there, 2 when any item was kept because
// something failed (its backup, its deletion, it could not be read), else 0
// (items that were gone or had changed since the scan are kept as they should be).
int CleanExitCode(const RemovalOutcome& outcome);
