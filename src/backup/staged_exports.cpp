#include "backup/staged_exports.h"

#include <algorithm>
#include <cstdlib>
#include <set>

#include "backup/backup_archive.h"
#include "backup/backup_records.h"
#include "backup/file_utils.h"
#include "backup/zip_names.h"
#include "core/ascii_case.h"
#include "core/wide_text.h"

namespace {

constexpr const char* kHeaderPrefix = "[EXPORT:";
// A header is never longer: a name of at most 255 characters and 20 digits.
constexpr size_t kMaxHeader = 300;

bool SameNameNoCase(const std::string& a, const char* b) {
  return CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, a.c_str(), -1, b, -1) == CSTR_EQUAL;
}

bool SeekTo(HANDLE file, uint64_t offset) {
  LARGE_INTEGER at;
  at.QuadPart = static_cast<LONGLONG>(offset);
  return SetFilePointerEx(file, at, nullptr, FILE_BEGIN) != 0;
}

// Reads up to `size` bytes at `offset`; false when reading fails.
bool ReadAt(HANDLE file, uint64_t offset, size_t size, std::string& bytes) {
  bytes.resize(size);
  DWORD got = 0;
  if (!SeekTo(file, offset) ||
      (size > 0 && !ReadFile(file, &bytes[0], static_cast<DWORD>(size), &got, nullptr))) {
    bytes.clear();
    return false;
  }
  bytes.resize(got);
  return true;
}

bool WriteAll(HANDLE file, const std::string& bytes) {
  DWORD written = 0;
  return bytes.empty() || (WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written,
                                     nullptr) &&
                           written == bytes.size());
}

FileHandle OpenForReading(const std::string& path) {
  // Shared for writing too: the run's writer keeps the file open.
  return FileHandle(CreateFileW(WideText(path).c_str(), GENERIC_READ,
                                FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
}

// Parses "[EXPORT:<name>:<bytes>]\r\n" at the start of `text`; the header's
// length in `length`.
bool ParseHeader(const std::string& text, std::string& name, uint64_t& size, size_t& length) {
  const size_t prefix = std::char_traits<char>::length(kHeaderPrefix);
  const size_t end = text.find("]\r\n");
  if (text.compare(0, prefix, kHeaderPrefix) != 0 || end == std::string::npos) return false;
  const size_t colon = text.rfind(':', end);
  if (colon == std::string::npos || colon < prefix) return false;
  name = text.substr(prefix, colon - prefix);
  const std::string digits = text.substr(colon + 1, end - colon - 1);
  if (digits.empty() || digits.size() > 19 ||
      digits.find_first_not_of("0123456789") != std::string::npos) {
    return false;
  }
  size = std::strtoull(digits.c_str(), nullptr, 10);
  length = end + 3;
  return IsSafeNameComponent(name) && !IsStagingBookkeeping(name);
}

// The export names the records of a record file give, in lower case.
std::set<std::string> RecordedExports(const std::string& recordFile) {
  std::set<std::string> names;
  std::string text;
  if (!ReadWholeFile(recordFile, text)) return names;
  for (const RecordLines& entry : ParseRecordLines(text)) {
    if (entry.record.kind == BackupRecord::kRegKey) names.insert(LowerAsciiText(entry.record.exportFile));
  }
  return names;
}

}  // namespace

std::vector<StagedExport> ReadStagedExportList(const std::string& path) {
  std::vector<StagedExport> list;
  const FileHandle file = OpenForReading(path);
  LARGE_INTEGER total;
  if (!file || !GetFileSizeEx(file.Get(), &total)) return list;
  const uint64_t fileSize = static_cast<uint64_t>(total.QuadPart);
  std::set<std::string> names;
  uint64_t at = 0;
  std::string header;
  while (at < fileSize) {
    StagedExport entry;
    size_t length = 0;
    if (!ReadAt(file.Get(), at, kMaxHeader, header) ||
        !ParseHeader(header, entry.name, entry.size, length) ||
        entry.size > fileSize - at - length || !names.insert(LowerAsciiText(entry.name)).second) {
      break;
    }
    entry.offset = at + length;
    at = entry.offset + entry.size;
    list.push_back(entry);
  }
  return list;
}

bool StagedExportWriter::Open(const std::string& path) {
  m_file.Reset(CreateFileW(WideText(path).c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ,
                           nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  m_nEnd = m_nLastStart = 0;
  return m_file.Valid();
}

bool StagedExportWriter::Append(const std::string& name, const std::string& bytes,
                                std::string& readBack) {
  readBack.clear();
  if (!m_file || !IsSafeNameComponent(name)) return false;
  const std::string header = kHeaderPrefix + name + ":" + std::to_string(bytes.size()) + "]\r\n";
  const uint64_t start = m_nEnd;
  if (!SeekTo(m_file.Get(), start) || !WriteAll(m_file.Get(), header) ||
      !WriteAll(m_file.Get(), bytes) ||
      !ReadAt(m_file.Get(), start + header.size(), bytes.size(), readBack)) {
    CutTo(start);
    return false;
  }
  m_nLastStart = start;
  m_nEnd = start + header.size() + bytes.size();
  return true;
}

bool StagedExportWriter::DropLast() { return CutTo(m_nLastStart); }

bool StagedExportWriter::CutTo(uint64_t size) {
  if (!m_file || !SeekTo(m_file.Get(), size) || !SetEndOfFile(m_file.Get())) return false;
  m_nEnd = m_nLastStart = size;
  return true;
}

bool StagedExportWriter::Flush() { return m_file && FlushFileBuffers(m_file.Get()) != 0; }

bool IsStagingMarker(const std::string& name) {
  return SameNameNoCase(name, kRunMarkerFile) || SameNameNoCase(name, kDeletedMarkerFile) ||
         SameNameNoCase(name, kRestoreMarkerFile);
}

bool IsStagingBookkeeping(const std::string& name) {
  return IsStagingMarker(name) || SameNameNoCase(name, kStagedExportsFile);
}

StagingFolderFiles::StagingFolderFiles(const std::string& folder, bool withRecordFile)
    : m_strFolder(folder) {
  std::set<std::string> present;
  for (const std::string& name : FolderFiles(folder)) {
    if (IsStagingBookkeeping(name) || (!withRecordFile && SameNameNoCase(name, "Config.ini"))) {
      continue;
    }
    const long long size = FileSize(folder + "\\" + name);
    m_vFiles.push_back({name, size < 0 ? 0 : static_cast<uint64_t>(size), false, 0});
    present.insert(LowerAsciiText(name));
  }
  // Only the exports a record names: one whose item was not saved after all
  // (or, after an interruption, not deleted) is no part of the backup. A file
  // of an export's name stands for it.
  const std::vector<StagedExport> staged = ReadStagedExportList(folder + "\\" + kStagedExportsFile);
  if (staged.empty()) return;
  const std::set<std::string> recorded = RecordedExports(folder + "\\Config.ini");
  for (const StagedExport& entry : staged) {
    const std::string folded = LowerAsciiText(entry.name);
    if (present.count(folded) || !recorded.count(folded)) continue;
    m_vFiles.push_back({entry.name, entry.size, true, entry.offset});
  }
}

bool StagingFolderFiles::Read(const StagingFile& file, const Take& take) {
  if (!file.staged) return ReadFileInBlocks(m_strFolder + "\\" + file.name, take);
  if (!m_staged) m_staged = OpenForReading(m_strFolder + "\\" + kStagedExportsFile);
  if (!m_staged || !SeekTo(m_staged.Get(), file.offset)) return false;
  std::vector<char> block(static_cast<size_t>(std::min<uint64_t>(file.size, 65536)));
  for (uint64_t left = file.size; left > 0;) {
    DWORD got = 0;
    const DWORD want = static_cast<DWORD>(std::min<uint64_t>(left, block.size()));
    if (!ReadFile(m_staged.Get(), block.data(), want, &got, nullptr) || got == 0) return false;
    if (!take(block.data(), got)) return false;
    left -= got;
  }
  return true;
}

bool ReadStagingFileWhole(const std::string& folder, const std::string& name, std::string& bytes) {
  bytes.clear();
  if (ReadWholeFile(folder + "\\" + name, bytes)) return true;
  StagingFolderFiles files(folder, false);
  for (const StagingFile& file : files.List()) {
    if (!file.staged || !SameNameNoCase(file.name, name.c_str())) continue;
    bytes.reserve(static_cast<size_t>(file.size));
    return files.Read(file, [&bytes](const char* data, size_t size) {
      bytes.append(data, size);
      return true;
    });
  }
  return false;
}

bool SplitStagedExports(const std::string& folder) {
  const std::string stagedPath = folder + "\\" + kStagedExportsFile;
  if (FileAttributes(stagedPath) == INVALID_FILE_ATTRIBUTES) return true;
  bool split = true;
  {
    StagingFolderFiles files(folder, false);
    for (const StagingFile& file : files.List()) {
      if (!file.staged) continue;
      std::string bytes;
      const std::string path = folder + "\\" + file.name;
      if (!files.Read(file, [&bytes](const char* data, size_t size) {
            bytes.append(data, size);
            return true;
          })) {
        split = false;
      } else if (!WriteNewFile(path, bytes, true)) {
        // Half a file would stand for the whole export.
        DeleteFileChecked(path);
        split = false;
      }
    }
  }
  return split && DeleteFileChecked(stagedPath) == ERROR_SUCCESS;
}
