#pragma once
// The managers' backups in the backup list and in restore, beside the archives.

#include <string>
#include <vector>

#include "backup/manager_export.h"
#include "backup/restore.h"

// True for a ".reg" file in one of the managers' backup folders.
bool IsManagerExportPath(const std::string& path);

// Restores one manager's export (see manager_export.h): the same result, items
// and options as an archive's restore. Shows nothing, asks nothing.
RestoreOutcome RestoreManagerExport(const std::string& exportPath, const RestoreOptions& options);

// Every manager's export below the backup folder, each shown as
// "<manager>: <date> - <what it holds>", with its kind and what it holds.
std::vector<BackupEntry> ManagerExportEntries(const std::string& backupFolder);

// "startup", "bho", "programs" ("archive" for kNone), as the console names them.
const char* ManagerExportKindName(ManagerExportKind kind);
// The manager's caption.
const char* ManagerExportTitle(ManagerExportKind kind);
