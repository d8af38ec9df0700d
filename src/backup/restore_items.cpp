#include "backup/restore_items.h"

#include <algorithm>

#include "backup/archive_bounds.h"
#include "backup/file_utils.h"
#include "backup/zip_packer.h"
#include "core/ascii_case.h"
#include "core/handles.h"
#include "core/number_list.h"
#include "core/wide_text.h"

namespace {

constexpr const char* kRecordFileName = "config.ini";

// Restore takes the record file from wherever it stands in the archive, as
// extraction drops the folders (a later one over an earlier): so does this.
bool ReadRecordEntry(const std::string& archivePath, std::string& text) {
  ZipUnpacker unpacker;
  if (!unpacker.Open(archivePath)) return false;
  bool found = false;
  for (bool more = unpacker.GotoFirst(); more; more = unpacker.GotoNext()) {
    ZipEntryInfo info;
    if (!unpacker.GetEntryInfo(info) || info.isFolder) continue;
    const size_t slash = info.name.find_last_of('\\');
    const std::string name = slash == std::string::npos ? info.name : info.name.substr(slash + 1);
    if (LowerAsciiText(name) != kRecordFileName) continue;
    // Read into memory to be listed: never more than a backup's record file holds.
    if (info.uncompressedBytes > kMaxRecordFileBytes) return false;
    std::string read;
    found = unpacker.ReadEntry(&read);
    if (found) text = read;
  }
  return found;
}

}  // namespace

bool ReadArchiveRecords(const std::string& archivePath, RecordFile& file, std::string* problem) {
  std::string text;
  const DWORD attributes = FileAttributes(archivePath);
  const bool folder = attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
  const DWORD openError = folder ? ERROR_SUCCESS : ArchiveOpenError(archivePath);
  if (openError != ERROR_SUCCESS ||
      (folder && FileSize(archivePath + "\\Config.ini") > static_cast<long long>(kMaxRecordFileBytes)) ||
      (folder ? !ReadWholeFile(archivePath + "\\Config.ini", text) : !ReadRecordEntry(archivePath, text))) {
    if (problem) {
      *problem = openError == ERROR_SUCCESS ? "Backup is Invalid, Cannot Recover items"
                                            : ArchiveOpenMessage(archivePath, openError);
    }
    return false;
  }
  file = ParseRecordFile(text);
  return true;
}

unsigned long ArchiveOpenError(const std::string& archivePath) {
  const FileHandle file(CreateFileW(WideText(archivePath).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  return file ? ERROR_SUCCESS : GetLastError();
}

std::string ArchiveOpenMessage(const std::string& archivePath, unsigned long error) {
  if (IsNotFoundError(error)) return "The backup " + archivePath + " was not found.";
  return "The backup " + archivePath + " could not be opened: " + ErrorReason(error) + ".";
}

const char* RecordKindName(const BackupRecord& record) {
  switch (record.kind) {
    case BackupRecord::kRegKey: return "REG_KEY";
    case BackupRecord::kRegValue: return "REG_VALUE";
    case BackupRecord::kFile: return "FILE";
  }
  return "";
}

bool ParseItemNumbers(const std::string& text, int count, std::vector<int>& items,
                      std::string& error) {
  std::vector<int> parsed;
  for (const ListedNumber& item : ParseNumberList(text, 9)) {
    if (item.value < 1 || item.value > count) {
      error = "\"" + item.text + "\" is not an item of this archive (1 to " + std::to_string(count) +
              ")";
      return false;
    }
    if (std::find(parsed.begin(), parsed.end(), item.value) == parsed.end()) {
      parsed.push_back(item.value);
    }
  }
  if (parsed.empty()) {
    error = "give one or more item numbers, such as 1,3";
    return false;
  }
  items = parsed;
  return true;
}
