#pragma once
// BackupArchive writes one dated zip per removal run into the backup folder: the
// record file "Config.ini", one registry export per saved key and a copy of each
// saved file, assembled in the staging folder and packed flat at the end. It also
// extracts an archive into the staging folder for restore.
//
// Every Add... call reports whether that item is saved, and CommitSaved writes
// what was saved through to the disk (one flush for many items: a flush costs a
// millisecond or two); the removal deletes an item only once it is committed.
// The keys' exports wait in one file of the staging folder (staged_exports.h),
// and the record file and the deletion notes stay open between commits, so a
// run writes and flushes three files however many keys it saves.
// So whatever ends a run early (Ctrl+C, a crash, a kill, the power), everything
// already deleted has its record in the staging folder, and the staging folder
// is never emptied while it holds such records: the next run or restore packs
// them into an archive of their own first (RecoverUnfinishedRun). The archive
// is written under a temporary name and takes its own name only after it was
// read back whole, so no empty or unreadable archive is ever left in the backup
// folder.

#include <windows.h>

#include <string>
#include <vector>

#include "backup/archive_tag.h"
#include "backup/file_utils.h"
#include "backup/staged_exports.h"
#include "backup/zip_packer.h"
#include "core/problem_record.h"

// "<user's temp folder>\PlovenTemp".
std::string DefaultStagingFolder();
// "<program folder>\Backup".
std::string DefaultBackupFolder();
// RootKeyName(root) + "\" + keyPath ("\..." for a root without a name).
std::string FullKeyName(HKEY hRoot, const std::string& keyPath);

// Bookkeeping files of the staging folder, never packed: a removal run is saving
// here (the file holds the run's start time), the numbers of the saved items the
// run has deleted, or a restore extracted here.
constexpr const char* kRunMarkerFile = "Run.txt";
constexpr const char* kDeletedMarkerFile = "Deleted.txt";
constexpr const char* kRestoreMarkerFile = "Restore.txt";

enum class Recovery {
  kNothing,  // the staging folder held no records of an unfinished run
  kPacked,   // they are in a new "(recovered)" archive (ArchivePath())
  kKept,     // they could not be packed and were moved to KeptFolder()
  kFailed,   // they could be neither packed nor moved: they stay where they are
};

// What a recovery did, for the caller to say (RecoveryMessage).
struct RecoveryOutcome {
  Recovery result = Recovery::kNothing;
  std::string stagingFolder;  // where the interrupted run left its items
  std::string path;           // kPacked: the archive; kKept: the folder
  std::string keyNotice;      // packing made this account's archive key anew
};

// The program's words for a recovery; "" when there was nothing to recover.
std::string RecoveryMessage(const RecoveryOutcome& recovery);

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

  // Starts a run at the current local time: recovers an unfinished run's items
  // first, then empties the staging folder. False (and no run) when the staging
  // folder cannot be prepared or the backup folder cannot be written;
  // PrepareFailure() says which folder and why.
  bool BeginBackup();
  bool BeginBackup(const SYSTEMTIME& now);
  // Saves one registry problem (a whole key as an export file, written in this
  // process and read back to hold exactly the key as it is, or one value with
  // its type and bytes). False when it is not saved; SaveFailure() says why.
  bool AddRegistryItem(const ProblemRecord& problem);
  // Saves a copy of one file problem's file, with its attributes. False when it
  // is not saved; SaveFailure() says why.
  bool AddFileItem(const ProblemRecord& problem);
  // Packs the staging folder into the archive, reads it back (every entry name
  // and its data, the record file byte for byte, as many records as items were
  // saved) and ends the run. On success the staging folder is emptied (a run that
  // saved nothing leaves no archive). On failure nothing is left in the backup
  // folder and the staged items are kept in KeptFolder().
  bool FinishBackup();
  // Appends one record to the record file (committed by CommitSaved). Only
  // during a run.
  bool AppendRecord(const std::string& text);
  // Writes the records, exports and copies saved since the last commit through
  // to the disk, and lets go of the record file until the next record; false
  // when that failed (their items must not be deleted then).
  bool CommitSaved();
  // The number (from 0) of the record the last successful Add... wrote.
  int LastSavedItem() const { return m_nSavedItems - 1; }
  // Notes that the item of that record is deleted (written through with the
  // next commit), so that a recovery packs only what was removed.
  bool MarkDeleted(int savedItem);

  // Opens an archive for restore and looks at it before anything comes out of
  // it: every entry name one this program writes (none climbs out of the folder,
  // say), a record file, and sizes a backup can have (archive_bounds.h). False,
  // with the reason in words for the user when there is one, otherwise.
  bool OpenBackup(const std::string& archivePath, std::string& reason);
  // The tag check of the opened archive with these keys, streaming from the zip.
  ArchiveTrust CheckOpenedBackup(const std::vector<std::string>& keys);
  // The record file of the opened archive, read straight from it (as extraction
  // would leave it: a later one over an earlier). False when it cannot be read
  // whole.
  bool ReadOpenedRecords(std::string& text);
  // Extracts the opened archive into the emptied staging folder, flat, and
  // closes it. An entry that is damaged is left out (BadEntries() counts them)
  // and the others still come out. False, with PrepareFailure(), when the
  // staging folder cannot be prepared: nothing came out then.
  bool ExtractOpenedBackup();
  void CloseBackup() { m_unpacker.Close(); }
  int BadEntries() const { return m_nBadEntries; }
  // Packs the records and copies that an interrupted run left in the staging
  // folder into an archive named from that run's start time and marked
  // " (recovered)". Only the items it deleted go in (and any it may have deleted
  // without noting it: those not there now as saved). Does nothing during a run.
  // What it did is kept for the caller to say (TakeRecovery).
  Recovery RecoverUnfinishedRun();
  // The last recovery that found something to do, once: taking it clears it.
  RecoveryOutcome TakeRecovery();
  // The archive or kept folder the last recovery made.
  const std::string& RecoveredPath() const { return m_strRecovered; }
  // Empties the staging folder once a restore is done with it.
  void ClearStaging();

  bool InRun() const { return m_bInRun; }
  // Why the last BeginBackup or ExtractOpenedBackup could not prepare its
  // folders, in words for the user: the folder and the system's reason.
  const std::string& PrepareFailure() const { return m_strPrepareFailure; }
  const std::string& SaveFailure() const { return m_strFailure; }
  // The archive of the current or last run ("" when the last run wrote none).
  const std::string& ArchivePath() const { return m_strArchivePath; }
  const std::string& KeptFolder() const { return m_strKeptFolder; }
  // Set when packing found this account's archive key unreadable and made a new
  // one: which archives can no longer be verified, in words for the user. Said
  // once: taking it clears it.
  std::string TakeKeyNotice();

 private:
  bool SaveFailed(const std::string& why);
  // Closes the run's record, deletion-note and staged-export files (the end
  // of the run, or a new one).
  void CloseRunFiles();
  bool PrepareFailed(const std::string& why);
  // Recovers, then empties the staging folder; false when saved items stay there.
  bool PrepareStaging();
  // Packs the staged files into "<base>[ (recovered)].zip"; -1 records means any.
  bool PackStaging(const std::string& baseName, bool recovered, int expectedRecords);
  // Packs, reads back and names the archive (the first free name); false,
  // with nothing left in the backup folder, when that fails.
  bool PackStagingAs(const std::string& baseName, bool recovered, int expectedRecords);
  void KeepStagingAside(const std::string& baseName);
  // Recovery: leaves out of the staged records those of items never deleted.
  // False when the records could not be rewritten (then all are packed).
  bool DropUndeletedItems();

  std::string m_strBackupFolder;
  int m_nExportCounter = 0;
  int m_nSavedItems = 0;
  ZipPacker m_packer;
  ZipUnpacker m_unpacker;
  std::string m_strStagingFolder;
  std::string m_strBaseName;
  std::string m_strArchivePath;
  std::string m_strKeptFolder;
  std::string m_strFailure;
  std::string m_strPrepareFailure;
  std::string m_strRecovered;
  std::string m_strKeyNotice;
  RecoveryOutcome m_recovery;
  bool m_bInRun = false;
  int m_nBadEntries = 0;
  std::vector<std::string> m_vUncommitted;  // files written since the last commit
  StagedExportWriter m_exports;             // the run's key exports, in one file
  bool m_bExportsUncommitted = false;
  AppendOnlyFile m_records;                 // the run's record file
  AppendOnlyFile m_deletions;               // its notes of deleted items
};
