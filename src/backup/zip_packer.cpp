#include "backup/zip_packer.h"

#include <vector>

#include "backup/minizip_io.h"
#include "backup/zip_names.h"
#include "core/ascii_case.h"
#include "core/handles.h"
#include "core/wide_text.h"

namespace {

constexpr DWORD kPackBlock = 2048;
constexpr unsigned kExtractBlock = 20480;
// Bit 11 of an entry's flags: its name and comment are UTF-8.
constexpr uLong kUtf8NameFlag = 1u << 11;

bool StartsWithNoCase(const std::string& text, const std::string& prefix) {
  if (text.size() < prefix.size()) return false;
  for (size_t i = 0; i < prefix.size(); ++i) {
    if (LowerAscii(text[i]) != LowerAscii(prefix[i])) return false;
  }
  return true;
}

bool HasExtension(const std::string& name, const std::string& extension) {
  const size_t dot = name.rfind('.');
  if (dot == std::string::npos) return false;
  const std::string tail = name.substr(dot + 1);
  return tail.size() == extension.size() && StartsWithNoCase(tail, extension);
}

bool IsFolderPath(const std::string& path) {
  const DWORD attributes = GetFileAttributesW(WideText(path).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// Archives are opened by their wide names, so a long backup folder path works.
void* OpenZip(const std::string& archivePath, int mode) {
  zlib_filefunc64_def io;
  fill_win32_filefunc64W(&io);
  const std::wstring wide = WideText(archivePath);
  return zipOpen2_64(wide.c_str(), mode, nullptr, &io);
}

void* OpenUnzip(const std::string& archivePath) {
  zlib_filefunc64_def io;
  fill_win32_filefunc64W(&io);
  const std::wstring wide = WideText(archivePath);
  return unzOpen2_64(wide.c_str(), &io);
}

}  // namespace

// ---------------------------------------------------------------- ZipPacker

ZipPacker::ZipPacker(const std::string& archivePath, const char* rootFolder, bool append) {
  Open(archivePath, rootFolder, append);
}

ZipPacker::~ZipPacker() { Close(); }

bool ZipPacker::Open(const std::string& archivePath, const char* rootFolder, bool append) {
  Close();
  m_hZip = OpenZip(archivePath, append ? APPEND_STATUS_ADDINZIP : APPEND_STATUS_CREATE);
  m_nFiles = 0;
  m_nFolders = 0;
  m_nBytes = 0;
  if (rootFolder == nullptr) {
    const size_t slash = archivePath.rfind('\\');
    m_strRoot = slash == std::string::npos ? std::string() : archivePath.substr(0, slash + 1);
  } else {
    m_strRoot = rootFolder;
    if (!m_strRoot.empty() && m_strRoot.back() != '\\') m_strRoot += '\\';
  }
  return m_hZip != nullptr;
}

bool ZipPacker::AddFile(const std::string& path, bool ignorePath) {
  if (!m_hZip) return false;
  if (!ignorePath && path.compare(0, 3, "..\\") == 0) return false;
  const bool absolute = path.find(':') != std::string::npos;
  const std::string source = absolute ? path : m_strRoot + path;

  std::string name;
  if (ignorePath) {
    name = BareFileName(path);
  } else if (absolute) {
    if (m_strRoot.empty() || !StartsWithNoCase(path, m_strRoot)) return false;
    name = path.substr(m_strRoot.size());
  } else {
    name = path.compare(0, 2, ".\\") == 0 ? path.substr(2) : path;
  }
  if (name.empty()) return false;

  FileHandle file(CreateFileW(WideText(source).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.Valid()) return false;
  return AddEntry(name, [&file](const Take& take) {
    std::vector<char> block(kPackBlock);
    for (;;) {
      DWORD read = 0;
      if (!ReadFile(file.Get(), block.data(), kPackBlock, &read, nullptr)) return false;
      if (read == 0) return true;
      if (!take(block.data(), read)) return false;
    }
  });
}

bool ZipPacker::AddEntry(const std::string& name,
                         const std::function<bool(const Take& take)>& source) {
  if (!m_hZip || name.empty()) return false;
  // Names are stored as UTF-8 and flagged so, which every unzip tool reads right.
  const std::string utf8 = Utf8FromNarrow(name);
  if (utf8.empty() || utf8.size() > 0xFFFF ||
      zipOpenNewFileInZip4_64(m_hZip, utf8.c_str(), nullptr, nullptr, 0, nullptr, 0, nullptr,
                              Z_DEFLATED, Z_DEFAULT_COMPRESSION, 0, -MAX_WBITS, DEF_MEM_LEVEL,
                              Z_DEFAULT_STRATEGY, nullptr, 0, 0, kUtf8NameFlag, 0) != ZIP_OK) {
    return false;
  }
  ++m_nFiles;
  bool ok = source([this](const char* data, size_t size) {
    m_nBytes += size;
    return zipWriteInFileInZip(m_hZip, data, static_cast<unsigned>(size)) == ZIP_OK;
  });
  if (zipCloseFileInZip(m_hZip) != ZIP_OK) ok = false;
  return ok;
}

bool ZipPacker::AddFolder(const std::string& folder, bool ignorePath) {
  if (!m_hZip) return false;
  ++m_nFolders;
  std::string base = folder.find(':') != std::string::npos ? folder : m_strRoot + folder;
  while (!base.empty() && base.back() == '\\') base.pop_back();

  WIN32_FIND_DATAW found;
  const FindHandle search(FindFirstFileW(WideText(base + "\\*.*").c_str(), &found));
  if (!search) return true;
  do {
    if (found.cFileName[0] == L'.') continue;
    const std::string child = base + "\\" + NarrowText(found.cFileName);
    if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      // Folder links are not followed: one pointing up the tree would never end.
      if (!(found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) AddFolder(child, ignorePath);
    } else {
      AddFile(child, ignorePath);
    }
  } while (FindNextFileW(search.Get(), &found));
  return true;
}

bool ZipPacker::Close() {
  if (!m_hZip) return true;
  const bool ok = zipClose(m_hZip, nullptr) == ZIP_OK;
  m_hZip = nullptr;
  return ok;
}

// ---------------------------------------------------------------- ZipUnpacker

ZipUnpacker::ZipUnpacker(const std::string& archivePath) { Open(archivePath); }

ZipUnpacker::~ZipUnpacker() { Close(); }

bool ZipUnpacker::Open(const std::string& archivePath) {
  Close();
  m_hUnzip = OpenUnzip(archivePath);
  const size_t dot = archivePath.rfind('.');
  const size_t slash = archivePath.rfind('\\');
  m_strDefaultFolder = (dot != std::string::npos && (slash == std::string::npos || dot > slash))
                           ? archivePath.substr(0, dot)
                           : archivePath;
  return m_hUnzip != nullptr;
}

bool ZipUnpacker::Close() {
  if (!m_hUnzip) return true;
  unzCloseCurrentFile(m_hUnzip);
  const bool ok = unzClose(m_hUnzip) == UNZ_OK;
  m_hUnzip = nullptr;
  return ok;
}

int ZipUnpacker::EntryCount() const {
  if (!m_hUnzip) return 0;
  unz_global_info info;
  if (unzGetGlobalInfo(m_hUnzip, &info) != UNZ_OK) return 0;
  return static_cast<int>(info.number_entry);
}

bool ZipUnpacker::SkipToExtension(const std::string& extension) {
  for (;;) {
    ZipEntryInfo info;
    if (!GetEntryInfo(info)) return false;
    if (HasExtension(info.name, extension)) return true;
    if (unzGoToNextFile(m_hUnzip) != UNZ_OK) return false;
  }
}

bool ZipUnpacker::GotoFirst(const std::string& extension) {
  if (!m_hUnzip || unzGoToFirstFile(m_hUnzip) != UNZ_OK) return false;
  return extension.empty() || SkipToExtension(extension);
}

bool ZipUnpacker::GotoNext(const std::string& extension) {
  if (!m_hUnzip || unzGoToNextFile(m_hUnzip) != UNZ_OK) return false;
  return extension.empty() || SkipToExtension(extension);
}

bool ZipUnpacker::GetEntryInfo(ZipEntryInfo& info) const {
  info = ZipEntryInfo();
  if (!m_hUnzip) return false;
  // The sizes come first, from the entry's own length fields, so a name of any
  // length is read whole (a cut name could pass for another, shorter one).
  unz_file_info64 raw;
  if (unzGetCurrentFileInfo64(m_hUnzip, &raw, nullptr, 0, nullptr, 0, nullptr, 0) != UNZ_OK) {
    return false;
  }
  std::vector<char> name(raw.size_filename + 1, '\0');
  std::vector<char> comment(raw.size_file_comment + 1, '\0');
  if (unzGetCurrentFileInfo64(m_hUnzip, &raw, name.data(), static_cast<uLong>(name.size()),
                              nullptr, 0, comment.data(),
                              static_cast<uLong>(comment.size())) != UNZ_OK) {
    return false;
  }
  info.name.assign(name.data(), raw.size_filename);
  info.comment.assign(comment.data(), raw.size_file_comment);
  // A name with a zero byte inside is not a name this program can write.
  if (info.name.find('\0') != std::string::npos) info.name.clear();
  if (raw.flag & kUtf8NameFlag) {
    info.name = NarrowFromUtf8(info.name);
    info.comment = NarrowFromUtf8(info.comment);
  }
  for (char& c : info.name) {
    if (c == '/') c = '\\';
  }
  info.versionMadeBy = static_cast<uint32_t>(raw.version);
  info.versionNeeded = static_cast<uint32_t>(raw.version_needed);
  info.flags = static_cast<uint32_t>(raw.flag);
  info.compressionMethod = static_cast<uint32_t>(raw.compression_method);
  info.dosDateTime = static_cast<uint32_t>(raw.dosDate);
  info.crc = static_cast<uint32_t>(raw.crc);
  info.compressedSize = static_cast<uint32_t>(raw.compressed_size);
  info.uncompressedSize = static_cast<uint32_t>(raw.uncompressed_size);
  info.compressedBytes = raw.compressed_size;
  info.uncompressedBytes = raw.uncompressed_size;
  info.internalAttributes = static_cast<uint32_t>(raw.internal_fa);
  info.externalAttributes = static_cast<uint32_t>(raw.external_fa);
  info.isFolder = !info.name.empty() && info.name.back() == '\\';
  return true;
}

bool ZipUnpacker::GetPosition(ZipEntryPosition& position) const {
  unz64_file_pos raw;
  if (!m_hUnzip || unzGetFilePos64(m_hUnzip, &raw) != UNZ_OK) return false;
  position.directoryOffset = raw.pos_in_zip_directory;
  position.number = raw.num_of_file;
  return true;
}

bool ZipUnpacker::GoTo(const ZipEntryPosition& position) {
  unz64_file_pos raw;
  raw.pos_in_zip_directory = position.directoryOffset;
  raw.num_of_file = position.number;
  return m_hUnzip && unzGoToFilePos64(m_hUnzip, &raw) == UNZ_OK;
}

bool ZipUnpacker::ExtractEntry(const std::string& folder, bool ignorePath) {
  if (!m_hUnzip) return false;
  const std::string base = folder.empty() ? m_strDefaultFolder : folder;
  if (!CreateFolder(base)) return false;

  ZipEntryInfo info;
  if (!GetEntryInfo(info)) return false;
  if (info.isFolder) return true;

  std::string relative;
  if (!EntryTargetName(info.name, ignorePath, relative)) return false;
  const std::string target = base + (base.back() == '\\' ? "" : "\\") + relative;
  const size_t slash = target.rfind('\\');
  if (!CreateFolder(target.substr(0, slash))) return false;

  FileHandle out(CreateFileW(WideText(target).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!out.Valid()) return false;
  bool ok = unzOpenCurrentFile(m_hUnzip) == UNZ_OK;
  if (ok) {
    std::vector<char> block(kExtractBlock);
    uint64_t total = 0;
    for (;;) {
      const int read = unzReadCurrentFile(m_hUnzip, block.data(), kExtractBlock);
      if (read == 0) break;
      total += read > 0 ? static_cast<uint64_t>(read) : 0;
      if (read < 0 || total > info.uncompressedBytes) {
        ok = false;
        break;
      }
      DWORD written = 0;
      if (!WriteFile(out.Get(), block.data(), static_cast<DWORD>(read), &written, nullptr) ||
          written != static_cast<DWORD>(read)) {
        ok = false;
        break;
      }
    }
    // Closing the entry checks its CRC: a damaged entry fails here.
    if (unzCloseCurrentFile(m_hUnzip) != UNZ_OK) ok = false;
  }
  out.Close();
  if (!ok) {
    // A half-written or damaged copy is worse than none.
    DeleteFileW(WideText(target).c_str());
    return false;
  }
  SetEntryTime(target, info.dosDateTime);
  return true;
}

bool ZipUnpacker::ReadEntry(std::string* bytes) {
  std::string data;
  const bool ok = ReadEntry([&](const char* block, size_t size) {
    if (bytes) data.append(block, size);
    return true;
  });
  if (ok && bytes) bytes->swap(data);
  return ok;
}

bool ZipUnpacker::ReadEntry(const std::function<bool(const char* data, size_t size)>& take) {
  ZipEntryInfo info;
  if (!GetEntryInfo(info) || unzOpenCurrentFile(m_hUnzip) != UNZ_OK) return false;
  std::vector<char> block(kExtractBlock);
  bool ok = true;
  uint64_t total = 0;
  for (;;) {
    const int read = unzReadCurrentFile(m_hUnzip, block.data(), kExtractBlock);
    if (read == 0) break;
    total += read > 0 ? static_cast<uint64_t>(read) : 0;
    if (read < 0 || total > info.uncompressedBytes || !take(block.data(), static_cast<size_t>(read))) {
      ok = false;
      break;
    }
  }
  if (unzCloseCurrentFile(m_hUnzip) != UNZ_OK) ok = false;
  return ok;
}

bool ZipUnpacker::ExtractAll(const std::string& folder, bool ignorePath) {
  if (!m_hUnzip || folder.empty() || !CreateFolder(folder)) return false;
  if (EntryCount() == 0 || !GotoFirst()) return false;
  for (;;) {
    if (!ExtractEntry(folder, ignorePath)) return false;
    const int next = unzGoToNextFile(m_hUnzip);
    if (next == UNZ_END_OF_LIST_OF_FILE) return true;
    if (next != UNZ_OK) return false;
  }
}

// ---------------------------------------------------------------- free functions

bool CreateFolder(const std::string& path) {
  if (path.empty()) return false;
  const DWORD attributes = GetFileAttributesW(WideText(path).c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES) return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  const size_t slash = path.rfind('\\');
  if (slash == std::string::npos) return true;
  if (!CreateFolder(path.substr(0, slash))) return false;
  return CreateDirectoryW(WideText(path).c_str(), nullptr) || IsFolderPath(path);
}

bool SetEntryTime(const std::string& path, uint32_t dosDateTime) {
  const WORD date = static_cast<WORD>(dosDateTime >> 16);
  const WORD time = static_cast<WORD>(dosDateTime & 0xFFFF);
  const int day = date & 0x1F;
  const int month = (date >> 5) & 0x0F;
  if (day < 1 || month < 1 || month > 12) return false;

  FILETIME local, universal;
  if (!DosDateTimeToFileTime(date, time, &local) || !LocalFileTimeToFileTime(&local, &universal)) {
    return false;
  }
  FileHandle file(CreateFileW(WideText(path).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.Valid()) return false;
  FILETIME created, accessed, written;
  if (!GetFileTime(file.Get(), &created, &accessed, &written)) return false;
  return SetFileTime(file.Get(), &universal, &accessed, &universal) != 0;
}
