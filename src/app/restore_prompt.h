#pragma once
// Restoring from the window: the restore, then - when saved items were kept
// because they exist now with other data - one question whether to replace
// them (No is the default), then the outcome in one message. The main window's
// Restore Selected Backup and the Backup Items dialog both go through it.

#include <string>

#include "backup/restore.h"

class BackupArchive;

RestoreResult RestoreWithQuestion(BackupArchive& archive, const std::string& archivePath,
                                  const RestoreOptions& options = RestoreOptions());
