#pragma once
// BackupArchive writes one dated zip per removal run into the backup folder: the
// record file "Config.ini", one registry export per saved key and a copy of each
// saved file, assembled in the staging folder and packed flat at the end. It also
// extracts an archive into the staging folder for restore.
//
// Every Add... call reports whether that item is safely saved; the removal deletes
// an item only when it is.

#include <windows.h>

#include <string>

#include "backup/zip_packer.h"
#include "core/problem_record.h"

// "<user's temp folder>\PlovenTemp".
std::string DefaultStagingFolder();
// "<program folder>\Backup".
std::string DefaultBackupFolder();
// RootKeyName(root) + "\" + keyPath ("\..." for a root without a name).
std::string FullKeyName(HKEY hRoot, const std::string& keyPath);

class BackupArchive {
 public:
  BackupArchive();
  ~BackupArchive();
  BackupArchive(const BackupArchive&) = delete;
  BackupArchive& operator=(const BackupArchive&) = delete;

  void SetBackupFolder(const std::string& folder) { m_strBackupFolder = folder; }
  const std::string& BackupFolder() const { return m_strBackupFolder; }
  void SetStagingFolder(const std::string& folder) { m_strStagingFolder = folder; }
  const std::string& StagingFolder() const { return m_strStagingFolder; }

  // Starts a run at the current local time. False (and no run) when the staging
  // folder cannot be prepared or the archive cannot be created.
  bool BeginBackup();
  bool BeginBackup(const SYSTEMTIME& now);
  // Saves one registry problem (a whole key through the registry editor, or one
  // value with its type and bytes). False when it is not saved.
  bool AddRegistryItem(const ProblemRecord& problem);
  // Saves a copy of one file problem's file. False when it is not saved.
  bool AddFileItem(const ProblemRecord& problem);
  // Packs the staging folder into the archive and ends the run. On success the
  // staging folder is emptied (an archive of a run that saved nothing is removed).
  // On failure the partial archive is removed and the staged items are kept in
  // KeptFolder().
  bool FinishBackup();
  bool AppendRecord(const std::string& text);
  // Empties the staging folder and extracts the archive into it, flat.
  bool ExtractBackup(const std::string& archivePath);

  bool InRun() const { return m_packer.IsOpen(); }
  // The archive of the current or last run ("" when the last run wrote none).
  const std::string& ArchivePath() const { return m_strArchivePath; }
  const std::string& KeptFolder() const { return m_strKeptFolder; }

 private:
  std::string m_strBackupFolder;
  int m_nExportCounter = 0;
  int m_nSavedItems = 0;
  ZipPacker m_packer;
  ZipUnpacker m_unpacker;
  std::string m_strStagingFolder;
  std::string m_strArchivePath;
  std::string m_strKeptFolder;
};
