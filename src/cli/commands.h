#pragma once
// The console's commands. Each lives in its own file and registers itself as a
// CLI11 subcommand; when it runs it stores its exit code.

#include <CLI/CLI.hpp>

#include "cli/backup_commands.h"

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

// The console scan as `clean` runs it: scan, report, then remove while the scan's
// records are alive.
CleanScan ConsoleCleanScan();
