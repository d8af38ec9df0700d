#pragma once
// ZipPacker puts files and folder trees into a zip archive; ZipUnpacker takes its
// entries out again. Both stream through minizip in small blocks and never hold a
// whole file in memory. Archive and file names go through the wide file calls
// (no path length limit); entry names are written as UTF-8 with the zip's UTF-8
// flag, and read back in full whatever their length.

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>

struct ZipEntryInfo {
  std::string name;     // "/" turned into "\"
  std::string comment;
  uint32_t versionMadeBy = 0;
  uint32_t versionNeeded = 0;
  uint32_t flags = 0;
  uint32_t compressionMethod = 0;
  uint32_t dosDateTime = 0;  // date in the high 16 bits, time in the low 16 bits
  uint32_t crc = 0;
  uint32_t compressedSize = 0;    // the low 32 bits, as the zip's older fields hold them
  uint32_t uncompressedSize = 0;
  uint64_t compressedBytes = 0;   // the whole sizes (zip64 archives may declare more)
  uint64_t uncompressedBytes = 0;
  uint32_t internalAttributes = 0;
  uint32_t externalAttributes = 0;
  bool isFolder = false;  // the name ends with "\"
};

class ZipPacker {
 public:
  ZipPacker() = default;
  // Opens at once when a path is given.
  explicit ZipPacker(const std::string& archivePath, const char* rootFolder = nullptr,
                     bool append = false);
  ~ZipPacker();
  ZipPacker(const ZipPacker&) = delete;
  ZipPacker& operator=(const ZipPacker&) = delete;

  // rootFolder null: the archive's own folder; "" no root; otherwise that folder.
  bool Open(const std::string& archivePath, const char* rootFolder = nullptr,
            bool append = false);
  bool AddFile(const std::string& path, bool ignorePath);
  // Adds an entry of this name whose bytes `source` hands to its `take` block
  // by block; false when the source fails or the entry cannot be written.
  using Take = std::function<bool(const char* data, size_t size)>;
  bool AddEntry(const std::string& name, const std::function<bool(const Take& take)>& source);
  bool AddFolder(const std::string& folder, bool ignorePath);
  bool Close();

  bool IsOpen() const { return m_hZip != nullptr; }
  const std::string& RootFolder() const { return m_strRoot; }
  int FilesAdded() const { return m_nFiles; }
  int FoldersAdded() const { return m_nFolders; }
  uint64_t BytesAdded() const { return m_nBytes; }

 private:
  void* m_hZip = nullptr;
  std::string m_strRoot;
  int m_nFiles = 0;
  int m_nFolders = 0;
  uint64_t m_nBytes = 0;
};

// Where an entry stands in its archive, to come back to it.
struct ZipEntryPosition {
  uint64_t directoryOffset = 0;
  uint64_t number = 0;
};

class ZipUnpacker {
 public:
  ZipUnpacker() = default;
  explicit ZipUnpacker(const std::string& archivePath);
  ~ZipUnpacker();
  ZipUnpacker(const ZipUnpacker&) = delete;
  ZipUnpacker& operator=(const ZipUnpacker&) = delete;

  bool Open(const std::string& archivePath);
  bool Close();
  bool IsOpen() const { return m_hUnzip != nullptr; }

  int EntryCount() const;
  // A non-empty extension skips to entries whose name ends in "." + extension
  // (any case).
  bool GotoFirst(const std::string& extension = "");
  bool GotoNext(const std::string& extension = "");
  bool GetEntryInfo(ZipEntryInfo& info) const;
  bool GetPosition(ZipEntryPosition& position) const;
  bool GoTo(const ZipEntryPosition& position);
  // Reads the current entry to its end, checking its CRC; the data goes to bytes
  // when given. False for an entry that cannot be read whole and intact. No entry
  // ever yields more than the size it declares.
  bool ReadEntry(std::string* bytes);
  // The same, handing each block read to `take` (false from it stops the read and
  // fails it), so a big entry need not be held whole.
  bool ReadEntry(const std::function<bool(const char* data, size_t size)>& take);
  // An empty folder means the default output folder (the archive path less its
  // extension). Entry names that could write outside the folder, onto a drive, a
  // stream or a device are refused: the entry fails and nothing is written.
  bool ExtractEntry(const std::string& folder, bool ignorePath);
  bool ExtractAll(const std::string& folder, bool ignorePath);

  const std::string& DefaultOutputFolder() const { return m_strDefaultFolder; }

 private:
  bool SkipToExtension(const std::string& extension);

  void* m_hUnzip = nullptr;
  std::string m_strDefaultFolder;
};

// Creates a folder and any missing parents; true when it exists as a folder after.
bool CreateFolder(const std::string& path);

// Sets a file's creation and last-write times from a DOS date and time; a zero
// or invalid DOS value leaves the times alone. False when they were not set.
bool SetEntryTime(const std::string& path, uint32_t dosDateTime);
