#include "backup/backup_archive.h"

#include <cstdio>
#include <vector>

#include "backup/backup_names.h"
#include "backup/backup_records.h"
#include "backup/file_utils.h"
#include "backup/program_folder.h"
#include "backup/registry_editor.h"
#include "core/registry.h"
#include "framework/prompt.h"

namespace {

constexpr int kMaxSameSecondArchives = 1000;

// Type and bytes of one live registry value; false when it cannot be read.
bool ReadRawValue(HKEY hKey, const std::string& name, DWORD& type, std::string& bytes) {
  DWORD size = 0;
  for (int attempt = 0; attempt < 4; ++attempt) {
    std::vector<BYTE> buffer(size ? size : 1);
    DWORD got = static_cast<DWORD>(buffer.size());
    const LONG result = RegQueryValueExA(hKey, name.c_str(), nullptr, &type, buffer.data(), &got);
    if (result == ERROR_SUCCESS) {
      bytes.assign(reinterpret_cast<const char*>(buffer.data()), got);
      return true;
    }
    if (result != ERROR_MORE_DATA) return false;
    size = got;  // grown meanwhile: ask again with the new size
  }
  return false;
}

bool RegKeyExistsChecked(HKEY hRoot, const std::string& keyPath) {
  CRegistry key;
  return key.OpenKey(hRoot, keyPath);
}

std::vector<std::string> StagedFiles(const std::string& folder) {
  std::vector<std::string> names;
  WIN32_FIND_DATAA found;
  HANDLE hFind = FindFirstFileA((folder + "\\*.*").c_str(), &found);
  if (hFind == INVALID_HANDLE_VALUE) return names;
  do {
    if (found.cFileName[0] == '.' || (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) continue;
    names.push_back(found.cFileName);
  } while (FindNextFileA(hFind, &found));
  FindClose(hFind);
  return names;
}

std::string Replace(std::string text, const char* from, char to) {
  for (char& c : text) {
    for (const char* f = from; *f; ++f) {
      if (c == *f) c = to;
    }
  }
  return text;
}

}  // namespace

std::string DefaultStagingFolder() {
  char temp[MAX_PATH * 4] = {};
  const DWORD length = GetTempPathA(sizeof(temp), temp);
  std::string folder(temp, length < sizeof(temp) ? length : 0);
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
  m_packer.Close();
  m_strArchivePath.clear();
  m_strKeptFolder.clear();
  m_nExportCounter = 0;
  m_nSavedItems = 0;

  CreateFolder(m_strStagingFolder);
  // Leftovers of an earlier run would be packed (and their records replayed) with
  // this one: a staging folder that cannot be emptied stops the run.
  if (!EmptyFolderTree(m_strStagingFolder, true, "*.*") ||
      !StagedFiles(m_strStagingFolder).empty()) {
    return false;
  }
  CreateDirectoryA(m_strBackupFolder.c_str(), nullptr);

  const std::string base =
      ArchiveBaseName(now.wMonth, now.wDay, now.wYear, now.wHour, now.wMinute, now.wSecond);
  for (int attempt = 1; attempt <= kMaxSameSecondArchives; ++attempt) {
    const std::string path = ::ArchivePath(m_strBackupFolder, base, attempt);
    if (GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES) continue;
    if (!m_packer.Open(path, nullptr, false)) return false;
    m_strArchivePath = path;
    return true;
  }
  return false;
}

bool BackupArchive::AddRegistryItem(const ProblemRecord& problem) {
  if (!InRun()) return false;
  if (problem.isValue != 0 && problem.isValue != 1) {
    ShowMessage("Error in Registry Error Type");
    return false;
  }
  // A root without a name (HKEY_USERS, say) could not be found again on restore.
  if (RootKeyName(problem.rootKey).empty()) return false;
  const std::string fullName = FullKeyName(problem.rootKey, problem.keyPath);
  if (HasLineBreak(fullName)) return false;

  if (problem.isValue == 0) {
    if (!RegKeyExistsChecked(problem.rootKey, problem.keyPath)) return false;
    const std::string exportFile =
        m_strStagingFolder + "\\RegKeyBkup" + std::to_string(m_nExportCounter) + ".reg";
    if (!ExportKeyChecked(BackupExportArguments(m_strStagingFolder, m_nExportCounter, fullName),
                          exportFile)) {
      return false;
    }
    if (!AppendRecord(RegKeyRecord(fullName, m_nExportCounter))) {
      DeleteFileA(exportFile.c_str());
      return false;
    }
    ++m_nExportCounter;
    ++m_nSavedItems;
    return true;
  }

  if (HasLineBreak(problem.valueName)) return false;
  CRegistry key;
  DWORD type = REG_NONE;
  std::string bytes;
  if (!key.OpenKey(problem.rootKey, problem.keyPath) ||
      !ReadRawValue(key.Handle(), problem.valueName, type, bytes)) {
    return false;
  }
  // The VALUE line keeps the scanned text for older readers; the exact data
  // travels in the RAW_DATA line, so a line break in the text may be flattened.
  const std::string record = RegValueRecord(fullName, problem.valueName,
                                            Replace(problem.valueData, "\r\n", ' ')) +
                             RawDataLine(type, bytes);
  if (!AppendRecord(record)) return false;
  ++m_nSavedItems;
  return true;
}

bool BackupArchive::AddFileItem(const ProblemRecord& problem) {
  if (!InRun() || problem.linkPath.empty() || HasLineBreak(problem.linkPath)) return false;
  const std::string staged = m_strStagingFolder + "\\" + StagedFileName(problem.linkPath);
  // Already staged in this run: either the same file twice or a name clash;
  // neither may replace the copy that is there.
  if (GetFileAttributesA(staged.c_str()) != INVALID_FILE_ATTRIBUTES) return false;
  if (!CopyFileA(problem.linkPath.c_str(), staged.c_str(), FALSE)) return false;
  // A read-only copy could not be cleared from the staging folder later.
  SetFileAttributesA(staged.c_str(), FILE_ATTRIBUTE_NORMAL);
  if (!AppendRecord(FileRecord(problem.linkPath))) {
    DeleteFileA(staged.c_str());
    return false;
  }
  ++m_nSavedItems;
  return true;
}

bool BackupArchive::AppendRecord(const std::string& text) {
  const std::string path = m_strStagingFolder + "\\Config.ini";
  FILE* file = std::fopen(path.c_str(), FileExists(path) ? "a" : "w");
  if (!file) return false;
  const bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size();
  return std::fclose(file) == 0 && written;
}

bool BackupArchive::FinishBackup() {
  if (!InRun()) return false;
  m_strKeptFolder.clear();
  const std::vector<std::string> staged = StagedFiles(m_strStagingFolder);
  if (m_nSavedItems == 0 && staged.empty()) {
    m_packer.Close();
    DeleteFileA(m_strArchivePath.c_str());
    m_strArchivePath.clear();
    return true;
  }

  bool packed = true;
  for (const std::string& name : staged) {
    if (!m_packer.AddFile(m_strStagingFolder + "\\" + name, true)) packed = false;
  }
  if (!m_packer.Close()) packed = false;
  if (packed) {
    ZipUnpacker check(m_strArchivePath);
    packed = check.IsOpen() && check.EntryCount() == static_cast<int>(staged.size());
  }
  if (packed) {
    EmptyFolderTree(m_strStagingFolder, true, "*.*");
    return true;
  }

  // The items are already deleted: their only copies are the staged files. Move
  // them out of the way of the next run, which would empty the staging folder.
  DeleteFileA(m_strArchivePath.c_str());
  const size_t slash = m_strArchivePath.rfind('\\');
  std::string base = m_strArchivePath.substr(slash + 1);
  base.erase(base.size() - 4);
  const std::string kept = m_strStagingFolder + " " + base;
  m_strKeptFolder = MoveFileA(m_strStagingFolder.c_str(), kept.c_str()) ? kept : m_strStagingFolder;
  m_strArchivePath.clear();
  return false;
}

bool BackupArchive::ExtractBackup(const std::string& archivePath) {
  CreateFolder(m_strStagingFolder);
  if (!EmptyFolderTree(m_strStagingFolder, true, "*.*")) return false;
  if (!m_unpacker.Open(archivePath)) return false;
  const bool extracted = m_unpacker.ExtractAll(m_strStagingFolder, true);
  m_unpacker.Close();
  return extracted;
}
