#include "backup/restore.h"

#include <windows.h>

#include <algorithm>

#include "backup/archive_key.h"
#include "backup/archive_tag.h"
#include "backup/backup_archive.h"
#include "backup/backup_names.h"
#include "backup/file_utils.h"
#include "backup/registry_editor.h"
#include "backup/removal_lock.h"
#include "backup/restore_rules.h"
#include "backup/zip_names.h"
#include "core/ascii_case.h"
#include "core/product.h"
#include "core/registry.h"
#include "framework/prompt.h"

namespace {

// Splits "ROOT\path" at its first backslash; the root is null for an unknown name.
HKEY SplitKeyName(const std::string& fullName, std::string& keyPath) {
  const size_t slash = fullName.find('\\');
  keyPath = slash == std::string::npos ? std::string() : fullName.substr(slash + 1);
  return RootKeyFromName(fullName.substr(0, slash));
}

RecordOutcome Refuse(std::string& refusal, const std::string& why) {
  refusal = why;
  return RecordOutcome::kRefused;
}

RecordOutcome Done(bool restored) {
  return restored ? RecordOutcome::kRestored : RecordOutcome::kFailed;
}

RecordOutcome RestoreKey(const std::string& source, const BackupRecord& record,
                         std::string& refusal) {
  refusal = RegKeyRefusal(record.keyName);
  if (!refusal.empty()) return RecordOutcome::kRefused;
  if (!IsSafeNameComponent(record.exportFile)) {
    return Refuse(refusal, "its saved export has a name this program never writes");
  }
  std::string exported;
  if (!ReadWholeFile(source + "\\" + record.exportFile, exported)) return RecordOutcome::kFailed;
  // The editor writes whatever keys the file names: read it first, as strictly
  // as the editor at least, and hand it over only when it holds this key alone.
  refusal = ExportRefusal(exported, record.keyName);
  if (!refusal.empty()) return RecordOutcome::kRefused;
  if (!CurrentRegistryEditor().Run(ImportArguments(source, record.exportFile))) {
    return RecordOutcome::kFailed;
  }
  // The editor reports nothing: see that the key is back where the record names it.
  std::string keyPath;
  const HKEY hRoot = SplitKeyName(record.keyName, keyPath);
  CRegistry key;
  return Done(hRoot != nullptr && key.OpenKey(hRoot, keyPath));
}

RecordOutcome RestoreValue(const BackupRecord& record, std::string& refusal) {
  refusal = RegValueRefusal(record.keyName);
  if (!refusal.empty()) return RecordOutcome::kRefused;
  std::string keyPath;
  const HKEY hRoot = SplitKeyName(record.keyName, keyPath);
  CRegistry key;
  if (hRoot == nullptr || !key.OpenRootKey(hRoot)) return RecordOutcome::kFailed;
  if (!keyPath.empty() && !key.OpenSubKey(keyPath) && !key.CreateKey(keyPath, true)) {
    return RecordOutcome::kFailed;
  }
  if (record.hasRawData) {
    return Done(RegSetValueExA(key.Handle(), record.valueName.c_str(), 0, record.rawType,
                               reinterpret_cast<const BYTE*>(record.rawBytes.data()),
                               static_cast<DWORD>(record.rawBytes.size())) == ERROR_SUCCESS);
  }
  // Archives written before the type was kept restore as text, as they always did;
  // a damaged type line does the same but is reported.
  return Done(key.SetStringValue(record.valueName, record.value) && !record.rawDataDamaged);
}

RecordOutcome RestoreFile(const std::string& source, const BackupRecord& record,
                          std::string& refusal) {
  refusal = FileRefusal(record.destPath, SystemDestinationFacts());
  if (!refusal.empty()) return RecordOutcome::kRefused;
  // The copy's name as this version stages it, as versions before the name was
  // cut to 255 bytes did, and as the oldest archives did (the bare name).
  std::string staged;
  for (const std::string& name : {StagedFileName(record.destPath),
                                  UncutStagedFileName(record.destPath),
                                  BareFileName(record.destPath)}) {
    if (name != BareFileName(record.destPath) || IsSafeNameComponent(name)) {
      if (FileExists(source + "\\" + name)) {
        staged = source + "\\" + name;
        break;
      }
    }
  }
  // Never over a file that is there now, even one that came since the check.
  if (staged.empty() || !CopyFileTo(staged, record.destPath, false)) return RecordOutcome::kFailed;
  return Done(!record.hasAttributes ||
              SetFileAttributesW(WideText(record.destPath).c_str(),
                                 record.attributes ? record.attributes : FILE_ATTRIBUTE_NORMAL) != 0);
}

bool IsFolder(const std::string& path) {
  const DWORD attributes = FileAttributes(path);
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// Asks (default No) unless the archive carries this user's tag or the caller
// was told to trust it.
bool MayRestore(ArchiveTrust trust, const RestoreOptions& options) {
  if (trust == ArchiveTrust::kMadeHere || options.trustArchive) return true;
  return AskYesNo(UntrustedArchiveQuestion(), ApplicationTitle(), true);
}

}  // namespace

std::vector<BackupEntry> FillBackupList(const std::string& backupFolder) {
  std::vector<BackupEntry> entries;
  std::string folder = backupFolder;
  while (!folder.empty() && folder.back() == '\\') folder.pop_back();
  WIN32_FIND_DATAW found;
  HANDLE hFind = FindFirstFileW(WideText(folder + "\\*.zip").c_str(), &found);
  if (hFind != INVALID_HANDLE_VALUE) {
    do {
      const std::string name = NarrowText(found.cFileName);
      if (name == "." || name == ".." || (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
        continue;
      }
      const size_t dot = name.rfind('.');
      entries.push_back({BackupDisplayName(name.substr(0, dot)), folder + "\\" + name});
    } while (FindNextFileW(hFind, &found));
    FindClose(hFind);
  }
  std::sort(entries.begin(), entries.end(), [](const BackupEntry& a, const BackupEntry& b) {
    const std::string la = LowerAsciiText(a.displayName), lb = LowerAsciiText(b.displayName);
    return la != lb ? la < lb : a.path < b.path;
  });
  return entries;
}

std::string UntrustedArchiveQuestion() {
  return std::string("This archive was not made by ") + qb::kProductName +
         " for this user account. Restore it anyway?";
}

RecordOutcome RestoreRecord(const std::string& source, const BackupRecord& record,
                            std::string& refusal) {
  refusal.clear();
  switch (record.kind) {
    case BackupRecord::kRegKey: return RestoreKey(source, record, refusal);
    case BackupRecord::kRegValue: return RestoreValue(record, refusal);
    case BackupRecord::kFile: return RestoreFile(source, record, refusal);
  }
  return RecordOutcome::kFailed;
}

std::string RecordDisplayName(const BackupRecord& record) {
  switch (record.kind) {
    case BackupRecord::kRegKey: return record.keyName;
    case BackupRecord::kRegValue:
      return record.keyName + " (value \"" + record.valueName + "\")";
    case BackupRecord::kFile: return record.destPath;
  }
  return "";
}

RestoreResult RestoreBackup(BackupArchive& archive, const std::string& archivePath,
                            const RestoreOptions& options) {
  if (archivePath.empty()) {
    ShowMessage("Please Select a backup Date");
    return RestoreResult::kNoSelection;
  }
  RemovalLock lock;
  if (!lock.Held()) {
    ShowMessage(kAnotherRunMessage);
    return RestoreResult::kBusy;
  }
  archive.RecoverUnfinishedRun();

  // Everything about an archive is checked before anything comes out of it: its
  // names and sizes, then its tag (or the user's word), straight from the zip.
  // A folder is read where it is.
  const bool fromFolder = IsFolder(archivePath);
  const std::string source = fromFolder ? archivePath : archive.StagingFolder();
  std::string key, reason;
  LoadArchiveKey(key);
  ArchiveTrust trust = ArchiveTrust::kUntagged;
  if (fromFolder ? !FileExists(source + "\\Config.ini") : !archive.OpenBackup(archivePath, reason)) {
    ShowMessage("Backup is Invalid, Cannot Recover items" +
                (reason.empty() ? "" : "\r\n\r\nNothing was taken out of it: " + reason + "."));
    return RestoreResult::kInvalid;
  }
  trust = fromFolder ? CheckArchiveFolder(source, {key}) : archive.CheckOpenedBackup({key});
  if (!MayRestore(trust, options)) {
    archive.CloseBackup();
    return RestoreResult::kDeclined;
  }
  std::string text;
  if ((!fromFolder && !archive.ExtractOpenedBackup()) ||
      !ReadWholeFile(source + "\\Config.ini", text)) {
    if (!fromFolder) archive.ClearStaging();
    ShowMessage("Backup is Invalid, Cannot Recover items");
    return RestoreResult::kInvalid;
  }

  const RecordFile file = ParseRecordFile(text);
  const bool all = options.items.empty();
  bool errors = all && (file.truncated || (!fromFolder && archive.BadEntries() > 0));
  std::string refused;
  for (size_t index = 0; index < file.records.size(); ++index) {
    const BackupRecord& record = file.records[index];
    const int number = static_cast<int>(index) + 1;
    if (!all && std::find(options.items.begin(), options.items.end(), number) == options.items.end()) {
      continue;
    }
    std::string refusal;
    const RecordOutcome outcome = RestoreRecord(source, record, refusal);
    if (outcome == RecordOutcome::kRefused) {
      refused += "\r\n" + RecordDisplayName(record) + ": " + refusal;
    }
    if (outcome != RecordOutcome::kRestored) errors = true;
  }
  // A chosen item the archive does not hold (it changed since it was listed).
  for (int number : options.items) {
    if (number < 1 || static_cast<size_t>(number) > file.records.size()) errors = true;
  }
  if (!fromFolder) archive.ClearStaging();
  if (!refused.empty()) {
    ShowMessage("These saved items were refused and not restored:" + refused);
  }
  if (errors) {
    ShowMessage("Not all backed items were restored, Errors Occured");
    return RestoreResult::kErrors;
  }
  ShowMessage("Items Restored");
  return RestoreResult::kRestored;
}
