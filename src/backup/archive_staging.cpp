// The staging folder's side of BackupArchive: packing it into a checked archive,
// keeping it aside when that fails, recovering what an interrupted run left in
// it, and extracting an archive into it for restore.

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <set>
#include <utility>
#include <vector>

#include "backup/archive_bounds.h"
#include "backup/archive_key.h"
#include "backup/archive_tag.h"
#include "backup/backup_archive.h"
#include "backup/backup_names.h"
#include "backup/backup_records.h"
#include "backup/file_utils.h"
#include "backup/restore.h"
#include "backup/restore_record.h"
#include "backup/staged_exports.h"
#include "backup/zip_names.h"
#include "core/handles.h"
#include "core/product.h"
#include "core/wide_text.h"

namespace {

constexpr int kMaxSameNameArchives = 1000;
constexpr const char* kRecordFile = "Config.ini";

bool SameNameIgnoringCase(const std::string& a, const char* b) {
  return CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, a.c_str(), -1, b, -1) == CSTR_EQUAL;
}

// The staged record file, read block by block: a run of tens of thousands of
// items has one of megabytes, and the check of its archive need not hold it.
class RecordFileOnDisk {
 public:
  explicit RecordFileOnDisk(const std::string& path)
      : m_file(CreateFileW(WideText(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr)) {}

  // What a missing file reads as: nothing (an empty run stages none).
  bool Missing() const { return !m_file.Valid(); }
  // The next bytes; 0 at the end, or (Failed() then) when reading failed.
  size_t Read(char* buffer, size_t size) {
    DWORD got = 0;
    if (Missing() || !ReadFile(m_file.Get(), buffer, static_cast<DWORD>(size), &got, nullptr)) {
      m_bFailed = !Missing();
      return 0;
    }
    return got;
  }
  // True when the next bytes are exactly these.
  bool ReadsAs(const char* data, size_t size) {
    char block[16384];
    while (size > 0) {
      const size_t got = Read(block, std::min(size, sizeof(block)));
      if (got == 0 || std::memcmp(block, data, got) != 0) return false;
      data += got;
      size -= got;
    }
    return true;
  }
  bool AtEnd() {
    char byte;
    return Read(&byte, 1) == 0 && !m_bFailed;
  }
  bool Failed() const { return m_bFailed; }

 private:
  FileHandle m_file;
  bool m_bFailed = false;
};

// Reads the archive back: exactly the expected entry names, each entry whole
// (its CRC checked), the record file byte for byte, and - when a count is given
// - that many records in it.
bool ArchiveReadsBack(const std::string& path, const std::vector<std::string>& names,
                      const std::string& recordFile, int expectedRecords) {
  ZipUnpacker archive(path);
  if (!archive.IsOpen() || archive.EntryCount() != static_cast<int>(names.size())) return false;
  const std::set<std::string> expected(names.begin(), names.end());
  std::set<std::string> seen;
  for (bool more = archive.GotoFirst(); more; more = archive.GotoNext()) {
    ZipEntryInfo info;
    if (!archive.GetEntryInfo(info) || !expected.count(info.name) || !seen.insert(info.name).second) {
      return false;
    }
    if (info.name != kRecordFile) {
      if (!archive.ReadEntry(nullptr)) return false;
      continue;
    }
    RecordFileOnDisk staged(recordFile);
    if (!archive.ReadEntry([&](const char* data, size_t size) { return staged.ReadsAs(data, size); }) ||
        !staged.AtEnd()) {
      return false;
    }
  }
  if (seen.size() != expected.size()) return false;
  if (expectedRecords < 0) return true;
  RecordFileOnDisk staged(recordFile);
  const size_t count =
      CountRecords([&staged](char* buffer, size_t size) { return staged.Read(buffer, size); });
  return !staged.Failed() && count == static_cast<size_t>(expectedRecords);
}

// "M,D,YYYY_h,m,s" of a file's last write, in local time; "" when unreadable.
std::string BaseNameFromFileTime(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  FILETIME local;
  SYSTEMTIME when;
  if (!GetFileAttributesExW(WideText(path).c_str(), GetFileExInfoStandard, &data) ||
      !FileTimeToLocalFileTime(&data.ftLastWriteTime, &local) ||
      !FileTimeToSystemTime(&local, &when)) {
    return "";
  }
  return ArchiveBaseName(when.wMonth, when.wDay, when.wYear, when.wHour, when.wMinute,
                         when.wSecond);
}

// True when an archive's tag checks with one of the keys. An archive larger than
// any backup is not even read.
bool VerifiesWith(const std::string& path, const std::vector<std::string>& keys) {
  ZipUnpacker zip(path);
  uint64_t total = 0;
  for (bool more = zip.GotoFirst(); more; more = zip.GotoNext()) {
    ZipEntryInfo info;
    if (!zip.GetEntryInfo(info) || (total += info.uncompressedBytes) > kMaxRestoreBytes) return false;
  }
  return zip.IsOpen() && CheckArchiveZip(zip, keys) == ArchiveTrust::kMadeHere;
}

// Said once, when this account's key could not be read and a new one was made.
std::string KeyReplacedNotice(const std::string& backupFolder) {
  const std::vector<std::string> keys = LoadArchiveKeys();
  std::string list;
  size_t count = 0;
  for (const BackupEntry& entry : FillBackupList(backupFolder)) {
    if (VerifiesWith(entry.path, keys)) continue;
    if (++count <= 20) list += "\r\n" + (entry.displayName.empty() ? entry.path : entry.displayName);
  }
  if (count > 20) list += "\r\n... and " + std::to_string(count - 20) + " more";
  std::string text = std::string("The key that marks this account's backups as made by ") +
                     qb::kProductName +
                     " could not be read (the system no longer unlocks it, or it was damaged). "
                     "A new key was made; the old one is kept in the settings, should it "
                     "become readable again.";
  if (count == 0) return text + " Every backup in " + backupFolder + " can still be verified.";
  return text + "\r\n\r\nThese backups can no longer be verified as made by " +
         qb::kProductName + " for this user account; restoring one asks first:" + list;
}

}  // namespace

bool BackupArchive::PackStaging(const std::string& baseName, bool recovered,
                                int expectedRecords) {
  m_strArchivePath.clear();
  // The archive carries this user's tag, so its restore need not ask whether to
  // trust it. Without a key (no settings key yet) it is written untagged.
  std::string key;
  bool replaced = false;
  if (LoadOrCreateArchiveKey(key, &replaced)) TagArchiveFolder(m_strStagingFolder, key);
  if (replaced) m_strKeyNotice = KeyReplacedNotice(m_strBackupFolder);
  if (PackStagingAs(baseName, recovered, expectedRecords)) return true;
  KeepStagingAside(baseName);
  return false;
}

bool BackupArchive::PackStagingAs(const std::string& baseName, bool recovered, int expectedRecords) {
  StagingFolderFiles files(m_strStagingFolder, true);
  std::vector<std::string> names;
  for (const StagingFile& file : files.List()) names.push_back(file.name);
  CreateFolder(m_strBackupFolder);

  for (int attempt = 1; attempt <= kMaxSameNameArchives; ++attempt) {
    const std::string path = ::ArchivePath(m_strBackupFolder, baseName, attempt, recovered);
    if (FileAttributes(path) != INVALID_FILE_ATTRIBUTES) continue;
    // Written under another name, so that only a checked archive ever carries an
    // archive's name (the list of backups shows nothing else).
    const std::string partial = path + ".partial";
    bool packed = m_packer.Open(partial, nullptr, false);
    for (const StagingFile& file : files.List()) {
      packed = packed && m_packer.AddEntry(file.name, [&](const ZipPacker::Take& take) {
        return files.Read(file, take);
      });
    }
    packed = m_packer.Close() && packed;
    packed = packed && FlushFileToDisk(partial) &&
             ArchiveReadsBack(partial, names, m_strStagingFolder + "\\" + kRecordFile,
                              expectedRecords);
    if (packed && MoveFileExW(WideText(partial).c_str(), WideText(path).c_str(),
                              MOVEFILE_WRITE_THROUGH)) {
      m_strArchivePath = path;
      return true;
    }
    const DWORD error = GetLastError();
    DeleteFileChecked(partial);
    // Taken meanwhile by a run of another user of this program folder: next name.
    if (packed && (error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS)) continue;
    break;
  }
  return false;
}

void BackupArchive::KeepStagingAside(const std::string& baseName) {
  // The items may already be deleted: the staged files are their only copies.
  // Move them out of the way of the next run, which would empty the folder,
  // each key's export a file of its own, as in the archive.
  SplitStagedExports(m_strStagingFolder);
  m_strKeptFolder = m_strStagingFolder;
  for (int attempt = 1; attempt <= kMaxSameNameArchives; ++attempt) {
    const std::string kept = m_strStagingFolder + " " + baseName +
                             (attempt > 1 ? "_" + std::to_string(attempt) : std::string());
    if (FileAttributes(kept) != INVALID_FILE_ATTRIBUTES) continue;
    if (MoveFileW(WideText(m_strStagingFolder).c_str(), WideText(kept).c_str())) {
      m_strKeptFolder = kept;
    }
    return;
  }
}

Recovery BackupArchive::RecoverUnfinishedRun() {
  if (m_bInRun) return Recovery::kNothing;
  const std::vector<std::string> files = FolderFiles(m_strStagingFolder);
  bool restoreLeftovers = false;
  std::string runStart;
  for (const std::string& name : files) {
    if (SameNameIgnoringCase(name, kRestoreMarkerFile)) restoreLeftovers = true;
    if (SameNameIgnoringCase(name, kRunMarkerFile)) {
      ReadWholeFile(m_strStagingFolder + "\\" + kRunMarkerFile, runStart);
    }
  }
  // A restore's extracted files are copies of an archive that still exists; and
  // nothing was ever deleted before its record was written.
  const std::string recordFile = m_strStagingFolder + "\\" + kRecordFile;
  if (restoreLeftovers || FileSize(recordFile) <= 0) return Recovery::kNothing;

  // The run's own start names the archive; without it (a run of an older version)
  // the time its records were last written does.
  std::string base = runStart;
  if (BackupDisplayName(base).empty() || base.find_first_of("\\/:*?\"<>|\r\n") != std::string::npos) {
    base = BaseNameFromFileTime(recordFile);
  } else {
    // The run may have been stopped while it packed: its partial archive goes.
    DeleteFileChecked(::ArchivePath(m_strBackupFolder, base, 1) + ".partial");
  }
  // Saved but never deleted: those items are where they were, and their copies
  // would only be refused or found unchanged by a restore.
  if (DropUndeletedItems() && FileSize(recordFile) == 0) {
    ClearStaging();
    return Recovery::kNothing;
  }
  // Packing sets the run's archive and kept folder: recovery stands for no run.
  const std::string runArchive = m_strArchivePath, runKept = m_strKeptFolder;
  m_strKeptFolder.clear();
  Recovery result = Recovery::kFailed;
  if (!base.empty() && PackStaging(base, true, -1)) {
    DeleteFileChecked(recordFile);
    ClearStaging();
    m_strRecovered = m_strArchivePath;
    result = Recovery::kPacked;
  } else if (!m_strKeptFolder.empty() && m_strKeptFolder != m_strStagingFolder) {
    m_strRecovered = m_strKeptFolder;
    result = Recovery::kKept;
  }
  m_strArchivePath = runArchive;
  m_strKeptFolder = runKept;
  // Said by the caller, once.
  m_recovery.result = result;
  m_recovery.stagingFolder = m_strStagingFolder;
  m_recovery.path = result == Recovery::kFailed ? std::string() : m_strRecovered;
  m_recovery.keyNotice = TakeKeyNotice();
  return result;
}

RecoveryOutcome BackupArchive::TakeRecovery() {
  RecoveryOutcome recovery;
  std::swap(recovery, m_recovery);
  return recovery;
}

std::string RecoveryMessage(const RecoveryOutcome& recovery) {
  if (recovery.result == Recovery::kNothing) return "";
  std::string message = "A removal that was interrupted left the items it had saved in " +
                        recovery.stagingFolder + ".";
  switch (recovery.result) {
    case Recovery::kPacked: message += " They are now in the backup " + recovery.path; break;
    case Recovery::kKept:
      message += " They could not be packed into a backup and are kept in " + recovery.path;
      break;
    default: message += " They could not be packed into a backup and stay there."; break;
  }
  return recovery.keyNotice.empty() ? message : message + "\r\n\r\n" + recovery.keyNotice;
}

bool BackupArchive::DropUndeletedItems() {
  const std::string recordFile = m_strStagingFolder + "\\" + kRecordFile;
  const std::string marks = m_strStagingFolder + "\\" + kDeletedMarkerFile;
  std::string text, marked;
  if (!ReadWholeFile(recordFile, text)) return false;
  std::set<int> deleted;
  if (ReadWholeFile(marks, marked)) {
    for (const std::string& line : SplitRecordLines(marked)) deleted.insert(std::atoi(line.c_str()));
  }
  // A deleted item whose note did not reach the disk is not where it was, or is
  // there with other data: only an item there exactly as saved is left out.
  const std::vector<std::string> lines = SplitRecordLines(text);
  const std::vector<RecordLines> records = ParseRecordLines(text);
  std::string kept;
  std::vector<std::string> dropped;
  size_t next = 0;
  for (size_t index = 0; index < records.size(); ++index) {
    const RecordLines& entry = records[index];
    std::string reason;
    if (!deleted.count(static_cast<int>(index)) &&
        CompareWithLive(m_strStagingFolder, entry.record, reason) == LiveState::kSame) {
      // Lines between records (none are written) go with the record after them.
      next = entry.endLine;
      dropped.push_back(entry.record.kind == BackupRecord::kRegKey ? entry.record.exportFile
                        : entry.record.kind == BackupRecord::kFile ? StagedFileName(entry.record.destPath)
                                                                   : std::string());
      continue;
    }
    for (; next < entry.endLine; ++next) kept += lines[next] + "\n";
  }
  if (dropped.empty()) return true;
  // Whatever follows the last whole record (a record the run was cut inside of).
  for (; next < lines.size(); ++next) kept += lines[next] + (next + 1 < lines.size() || text.back() == '\n' ? "\n" : "");
  // The new records take the old ones' place in one step; the notes go after
  // them (notes that outlive the step only keep more items than needed).
  const std::string fresh = m_strStagingFolder + "\\Config.new";
  DeleteFileChecked(fresh);
  if (!AppendToFile(fresh, kept, true) ||
      !MoveFileExW(WideText(fresh).c_str(), WideText(recordFile).c_str(),
                   MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    DeleteFileChecked(fresh);
    return false;
  }
  DeleteFileChecked(marks);
  for (const std::string& name : dropped) {
    if (!name.empty() && IsSafeNameComponent(name)) DeleteFileChecked(m_strStagingFolder + "\\" + name);
  }
  return true;
}

bool BackupArchive::PrepareStaging() {
  m_strPrepareFailure.clear();
  const std::string folder = "the temporary folder " + m_strStagingFolder;
  CreateFolder(m_strStagingFolder);
  if (RecoverUnfinishedRun() == Recovery::kFailed) {
    return PrepareFailed(folder + " holds the saved items of an interrupted removal, which "
                         "could not be packed into a backup");
  }
  const std::string unwritable = FolderWriteProblem(m_strStagingFolder);
  if (!unwritable.empty()) return PrepareFailed(folder + " cannot be written: " + unwritable);
  ClearStaging();
  // Leftovers that cannot be cleared would be packed (and their records
  // replayed) with this run's.
  if (!FolderFiles(m_strStagingFolder).empty()) {
    return PrepareFailed(folder + " holds files that cannot be deleted");
  }
  return true;
}

void BackupArchive::ClearStaging() { EmptyFolderTree(m_strStagingFolder, true, "*.*"); }

bool BackupArchive::OpenBackup(const std::string& archivePath, std::string& reason) {
  reason.clear();
  m_nBadEntries = 0;
  if (!m_unpacker.Open(archivePath)) {
    reason = "it is no zip archive, or its list of entries is damaged";
    return false;
  }
  // An entry name this program never writes (one that climbs out of the folder,
  // names a drive or a device, or one of the bookkeeping files) means the archive
  // is not one of its backups: nothing of it is taken.
  std::vector<EntrySize> sizes;
  bool record = false;
  for (bool more = m_unpacker.GotoFirst(); more; more = m_unpacker.GotoNext()) {
    ZipEntryInfo info;
    std::string target;
    if (!m_unpacker.GetEntryInfo(info)) continue;
    if (!info.name.empty() && (!EntryTargetName(info.name, true, target) || IsStagingMarker(target))) {
      m_unpacker.Close();
      return false;
    }
    const bool isRecord = !info.isFolder && SameNameIgnoringCase(target, kRecordFile);
    record = record || isRecord;
    sizes.push_back({info.compressedBytes, info.uncompressedBytes, isRecord});
  }
  CreateFolder(m_strStagingFolder);
  // A disk that does not say how much room it has is not held against the archive
  // (the other bounds still are).
  ULARGE_INTEGER free = {};
  if (!GetDiskFreeSpaceExW(WideText(m_strStagingFolder).c_str(), &free, nullptr, nullptr)) {
    free.QuadPart = ~0ull;
  }
  reason = record ? ArchiveSizeRefusal(sizes, free.QuadPart) : "it holds no record file";
  if (!reason.empty()) {
    m_unpacker.Close();
    return false;
  }
  return true;
}

ArchiveTrust BackupArchive::CheckOpenedBackup(const std::vector<std::string>& keys) {
  return CheckArchiveZip(m_unpacker, keys);
}

bool BackupArchive::ReadOpenedRecords(std::string& text) {
  bool found = false, read = true;
  for (bool more = m_unpacker.GotoFirst(); more; more = m_unpacker.GotoNext()) {
    ZipEntryInfo info;
    std::string target;
    if (!m_unpacker.GetEntryInfo(info) || info.isFolder || !EntryTargetName(info.name, true, target) ||
        !SameNameIgnoringCase(target, kRecordFile)) {
      continue;
    }
    // Its size was bounded when the archive was opened.
    std::string bytes;
    read = m_unpacker.ReadEntry(&bytes);
    found = true;
    if (read) text.swap(bytes);
  }
  return found && read;
}

bool BackupArchive::ExtractOpenedBackup() {
  m_nBadEntries = 0;
  if (!m_unpacker.IsOpen() || !PrepareStaging()) {
    m_unpacker.Close();
    return false;
  }
  AppendToFile(m_strStagingFolder + "\\" + kRestoreMarkerFile, "restore", true);
  int count = 0, extracted = 0;
  for (bool more = m_unpacker.GotoFirst(); more; more = m_unpacker.GotoNext()) {
    ++count;
    if (m_unpacker.ExtractEntry(m_strStagingFolder, true)) ++extracted;
  }
  m_unpacker.Close();
  m_nBadEntries = count - extracted;
  return true;
}
