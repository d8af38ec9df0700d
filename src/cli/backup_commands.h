#pragma once
// The console commands over removal, backup and restore:
//   quillbane-cli clean   [--sections ...] [--backup | --no-backup] [--json]
//   quillbane-cli backups [--json]
//   quillbane-cli restore <archive.zip>

#include <functional>
#include <string>

#include <CLI/CLI.hpp>
#include <nlohmann/json.hpp>

#include "core/section_catalogue.h"

// What `clean` needs from the scan command: run the scan for the --sections text
// ("" for the enabled sections) filing problems into the catalogue, describe it as
// the scan command's JSON document, and return the scan's exit code (0 nothing
// found, 1 problems found, 2 error, 3 aborted).
using CleanScan =
    std::function<int(const std::string& sections, SectionCatalogue& catalogue, nlohmann::json& report)>;

// Registers the commands on the app; the one that runs stores its exit code in
// exitCode. `clean` is registered only when a scan is supplied.
void RegisterBackupCommands(CLI::App& app, int& exitCode, CleanScan scan = nullptr);

// The JSON shape of one problem (as the scan command prints it).
nlohmann::json ProblemJson(const ProblemRecord& problem);
