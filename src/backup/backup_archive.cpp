#include "backup/backup_archive.h"

#include <algorithm>
#include <vector>

#include "backup/backup_names.h"
#include "backup/backup_records.h"
#include "backup/file_utils.h"
#include "backup/program_folder.h"
#include "backup/reg_export_check.h"
#include "backup/reg_export_file.h"
#include "backup/reg_key_transfer.h"
#include "backup/restore_rules.h"
#include "backup/staged_exports.h"
#include "backup/value_bytes.h"
#include "core/handles.h"
#include "core/registry.h"

namespace {

// Attributes a restored file gets back.
constexpr DWORD kKeptAttributes = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN |
                                  FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE;

std::string Replace(std::string text, const char* from, char to) {
  for (char& c : text) {
    for (const char* f = from; *f; ++f) {
      if (c == *f) c = to;
    }
  }
  return text;
}

// The record file has always been written by a text-mode stream, which turns
// every LF into CR LF; readers rely on nothing else, but the bytes stay the same.
std::string TextModeBytes(const std::string& text) {
  std::string bytes;
  bytes.reserve(text.size() + text.size() / 16);
  for (char c : text) {
    if (c == '\n') bytes += '\r';
    bytes += c;
  }
  return bytes;
}

}  // namespace

std::string DefaultStagingFolder() {
  wchar_t temp[MAX_PATH + 1] = {};
  const DWORD length = GetTempPathW(MAX_PATH + 1, temp);
  std::string folder = length > 0 && length <= MAX_PATH ? NarrowText(std::wstring(temp, length))
                                                        : std::string();
  while (!folder.empty() && folder.back() == '\\') folder.pop_back();
  return folder + "\\PlovenTemp";
}

std::string DefaultBackupFolder() { return ProgramFolder() + "\\Backup"; }

std::string FullKeyName(HKEY hRoot, const std::string& keyPath) {
  return RootKeyName(hRoot) + "\\" + keyPath;
}

BackupArchive::BackupArchive()
    : m_strBackupFolder(DefaultBackupFolder()), m_strStagingFolder(DefaultStagingFolder()) {}

BackupArchive::~BackupArchive() {
  m_packer.Close();
  m_unpacker.Close();
}

bool BackupArchive::BeginBackup() {
  SYSTEMTIME now;
  GetLocalTime(&now);
  return BeginBackup(now);
}

bool BackupArchive::BeginBackup(const SYSTEMTIME& now) {
  m_bInRun = false;
  m_strArchivePath.clear();
  m_strKeptFolder.clear();
  m_nExportCounter = 0;
  m_nSavedItems = 0;
  m_vUncommitted.clear();
  CloseRunFiles();
  m_bExportsUncommitted = false;
  m_records.SetPath(m_strStagingFolder + "\\Config.ini");
  m_deletions.SetPath(m_strStagingFolder + "\\" + kDeletedMarkerFile);

  if (!PrepareStaging()) return false;
  // The archive is only written at the end; see now that it can be, before
  // anything is deleted.
  const std::string unwritable = FolderWriteProblem(m_strBackupFolder);
  if (!unwritable.empty()) {
    return PrepareFailed("the backup folder " + m_strBackupFolder + " cannot be written: " + unwritable);
  }
  const std::string base =
      ArchiveBaseName(now.wMonth, now.wDay, now.wYear, now.wHour, now.wMinute, now.wSecond);
  // The start time, for the archive name should the run not get to its end.
  if (!AppendToFile(m_strStagingFolder + "\\" + kRunMarkerFile, base, true)) {
    return PrepareFailed("the temporary folder " + m_strStagingFolder + " cannot be written: " +
                         ErrorReason(GetLastError()));
  }
  m_strBaseName = base;
  m_bInRun = true;
  return true;
}

void BackupArchive::CloseRunFiles() {
  m_exports.Close();
  m_records.Close();
  m_deletions.Close();
}

bool BackupArchive::SaveFailed(const std::string& why) {
  m_strFailure = why;
  return false;
}

bool BackupArchive::PrepareFailed(const std::string& why) {
  m_strPrepareFailure = why;
  return false;
}

bool BackupArchive::AddRegistryItem(const ProblemRecord& problem) {
  m_strFailure.clear();
  if (!InRun()) return SaveFailed("no backup run");
  if (problem.isValue != 0 && problem.isValue != 1) return SaveFailed("invalid registry error type");
  // A root without a name (HKEY_USERS, say) could not be found again on restore.
  if (RootKeyName(problem.rootKey).empty()) return SaveFailed("its root key has no name");
  const std::string fullName = FullKeyName(problem.rootKey, problem.keyPath);
  if (HasLineBreak(fullName)) return SaveFailed("its key name holds a line break");

  if (problem.isValue == 0) {
    // A path of backslashes only names the whole root, which is never removed.
    if (problem.keyPath.find_first_not_of('\\') == std::string::npos) {
      return SaveFailed("its key path names a whole root");
    }
    // Recorded by the name its export gives it: a trailing backslash of the
    // path names the same key.
    std::string keyName = fullName;
    while (keyName.back() == '\\') keyName.pop_back();
    KeyHandle key;
    const LONG opened = OpenRegistryKey(problem.rootKey, problem.keyPath, KEY_READ, key);
    if (opened != ERROR_SUCCESS) {
      return SaveFailed("the key cannot be read (" + ErrorReason(opened) + ")");
    }
    key.Reset();
    std::vector<RegKeyContents> keys;
    std::string bytes, readBack, error;
    if (!ExportKeyBytes(problem.rootKey, problem.keyPath, keys, bytes, error)) {
      return SaveFailed("it could not be exported: " + error);
    }
    const std::string staged = m_strStagingFolder + "\\" + kStagedExportsFile;
    if ((!m_exports.IsOpen() && !m_exports.Open(staged)) ||
        !m_exports.Append(ExportFileName(m_nExportCounter), bytes, readBack)) {
      return SaveFailed("it could not be exported: the file " + staged + " cannot be written");
    }
    // The key may go only when its export, read back from the disk as restore
    // reads it, holds every subkey and value exactly as they were read for it,
    // and restore would import it whole.
    ExportContents exported;
    std::string why = ExportBytesDifference(readBack, keys, &exported);
    if (why.empty()) why = ExportRefusal(exported, keyName);
    if (why.empty()) why = ImportRefusal(exported, keyName);
    if (!why.empty()) why = "its export does not give it back: " + why;
    if (why.empty() && !AppendRecord(RegKeyRecord(keyName, m_nExportCounter))) {
      why = "its record could not be written";
    }
    if (!why.empty()) {
      // An export that stayed would take its name from the next one.
      if (!m_exports.DropLast()) ++m_nExportCounter;
      return SaveFailed(why);
    }
    m_bExportsUncommitted = true;
    ++m_nExportCounter;
    ++m_nSavedItems;
    return true;
  }

  if (HasLineBreak(problem.valueName)) return SaveFailed("its value name holds a line break");
  CRegistry key;
  DWORD type = REG_NONE, wideType = REG_NONE;
  std::string bytes, wide;
  if (!key.OpenKey(problem.rootKey, problem.keyPath) ||
      ReadValueBytes(key.Handle(), problem.valueName, false, type, bytes) != ERROR_SUCCESS ||
      ReadValueBytes(key.Handle(), problem.valueName, true, wideType, wide) != ERROR_SUCCESS ||
      wideType != type) {
    return SaveFailed("the value cannot be read");
  }
  // The VALUE line keeps the scanned text for older readers; the exact data
  // travels in the RAW_DATA line, so a line break in the text may be flattened.
  // A text whose narrow form would not give back its bytes carries them as
  // stored as well.
  std::string record = RegValueRecord(fullName, problem.valueName,
                                      Replace(problem.valueData, "\r\n", ' ')) +
                       RawDataLine(type, bytes);
  if (!NarrowGivesBack(type, bytes, wide)) record += WideDataLine(type, wide);
  if (!AppendRecord(record)) return SaveFailed("its record could not be written");
  ++m_nSavedItems;
  return true;
}

bool BackupArchive::AddFileItem(const ProblemRecord& problem) {
  m_strFailure.clear();
  if (!InRun()) return SaveFailed("no backup run");
  if (problem.linkPath.empty() || HasLineBreak(problem.linkPath)) {
    return SaveFailed("its path cannot be recorded");
  }
  const std::string staged = m_strStagingFolder + "\\" + StagedFileName(problem.linkPath);
  // Already staged in this run: either the same file twice or a name clash;
  // neither may replace the copy that is there.
  if (FileAttributes(staged) != INVALID_FILE_ATTRIBUTES) {
    return SaveFailed("a file of that name is already saved");
  }
  DWORD error = 0;
  const DWORD attributes = FileAttributes(problem.linkPath, &error);
  if (attributes == INVALID_FILE_ATTRIBUTES || !CopyFileTo(problem.linkPath, staged, false, &error)) {
    return SaveFailed("the file cannot be copied (" + ErrorReason(error) + ")");
  }
  // A read-only copy could not be cleared from the staging folder later.
  SetFileAttributesW(WideText(staged).c_str(), FILE_ATTRIBUTE_NORMAL);
  m_vUncommitted.push_back(staged);
  if (!AppendRecord(FileRecord(problem.linkPath) + AttributesLine(attributes & kKeptAttributes))) {
    DeleteFileChecked(staged);
    return SaveFailed("its record could not be written");
  }
  ++m_nSavedItems;
  return true;
}

bool BackupArchive::AppendRecord(const std::string& text) {
  return InRun() && m_records.Append(TextModeBytes(text));
}

bool BackupArchive::MarkDeleted(int savedItem) {
  return InRun() && savedItem >= 0 && m_deletions.Append(std::to_string(savedItem) + "\r\n");
}

std::string BackupArchive::TakeKeyNotice() {
  std::string notice;
  notice.swap(m_strKeyNotice);
  return notice;
}

bool BackupArchive::CommitSaved() {
  bool written = true;
  std::sort(m_vUncommitted.begin(), m_vUncommitted.end());
  m_vUncommitted.erase(std::unique(m_vUncommitted.begin(), m_vUncommitted.end()),
                       m_vUncommitted.end());
  for (const std::string& path : m_vUncommitted) written = FlushFileToDisk(path) && written;
  m_vUncommitted.clear();
  if (m_bExportsUncommitted) written = m_exports.Flush() && written;
  m_bExportsUncommitted = false;
  written = m_records.Commit() && written;
  written = m_deletions.Commit() && written;
  return written;
}

bool BackupArchive::FinishBackup() {
  if (!InRun()) return false;
  m_bInRun = false;
  CloseRunFiles();
  m_strKeptFolder.clear();
  if (m_nSavedItems == 0) {
    // Nothing was saved, so nothing was deleted with a backup: no archive.
    m_strArchivePath.clear();
    ClearStaging();
    return true;
  }
  if (!PackStaging(m_strBaseName, false, m_nSavedItems)) return false;
  // The records go first: should the program end right here, a staging folder
  // without them holds nothing that needs recovering.
  DeleteFileChecked(m_strStagingFolder + "\\Config.ini");
  ClearStaging();
  return true;
}
