#pragma once
// A removal's key exports wait in the staging folder one after another in a
// single file, not one file each: one file to write through to the disk before
// each batch of deletions, and one to clear at the end. Each export is still
// its own file to everyone who reads the folder (packing, the archive's tag,
// recovery of an interrupted run, restore from a kept folder): the archive
// holds RegKeyBkupN.reg entries as it always has.
//
// The file is a run of entries, each a header line "[EXPORT:<name>:<bytes>]"
// with CR LF and then exactly that many bytes. A run cut off while writing
// leaves at most a torn last entry, which readers leave out.

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "core/handles.h"

constexpr const char* kStagedExportsFile = "RegKeyBkup.staged";

struct StagedExport {
  std::string name;
  uint64_t offset = 0;  // of its first byte in the staged file
  uint64_t size = 0;
};

// The whole entries of a staged-exports file, in the order written: nothing
// after the first entry that is torn or not one this program writes.
std::vector<StagedExport> ReadStagedExportList(const std::string& path);

// Appends a run's exports; the file stays open for the run.
class StagedExportWriter {
 public:
  // Creates the file (one left there is replaced). False with the system's
  // error as GetLastError.
  bool Open(const std::string& path);
  bool IsOpen() const { return m_file.Valid(); }
  // Appends one export and reads it back from the file into `readBack`. False
  // when either fails; what was appended of it is then cut off again.
  bool Append(const std::string& name, const std::string& bytes, std::string& readBack);
  // Cuts the last appended export off again (its key was not saved after all).
  bool DropLast();
  // Writes everything appended through to the disk.
  bool Flush();
  void Close() { m_file.Reset(); }

 private:
  bool CutTo(uint64_t size);

  FileHandle m_file;
  uint64_t m_nEnd = 0;
  uint64_t m_nLastStart = 0;
};

// A file an archive of a staging (or kept) folder holds: a file of the folder,
// or an export staged in its staged-exports file.
struct StagingFile {
  std::string name;
  uint64_t size = 0;
  bool staged = false;  // read from the staged-exports file at `offset`
  uint64_t offset = 0;
};

// The files an archive of a staging (or kept) folder holds: every file of the
// folder but its bookkeeping (the run and restore markers, the deletion notes,
// the staged-exports file itself), and every staged export that a record of the
// folder's record file names and no file of its name stands for. With the
// record file when asked.
class StagingFolderFiles {
 public:
  using Take = std::function<bool(const char* data, size_t size)>;
  StagingFolderFiles(const std::string& folder, bool withRecordFile);
  const std::vector<StagingFile>& List() const { return m_vFiles; }
  // Hands one of them to `take` block by block; false when it cannot be read
  // whole or `take` said stop. The staged file stays open between reads.
  bool Read(const StagingFile& file, const Take& take);

 private:
  std::string m_strFolder;
  std::vector<StagingFile> m_vFiles;
  FileHandle m_staged;
};

// Reads a file of the folder by its name: the file itself, else the staged
// export of that name. False when neither is there or it cannot be read.
bool ReadStagingFileWhole(const std::string& folder, const std::string& name, std::string& bytes);

// Writes each staged export a record names out as a file of its own (as a
// folder of separate exports is easier to look into by hand) and, when every
// one is on the disk, deletes the staged file. False when any could not be
// written: the staged file then stays, and readers still find them there.
bool SplitStagedExports(const std::string& folder);

// True for the folder's markers (a run or a restore is here, the deletion
// notes), which no archive may hold.
bool IsStagingMarker(const std::string& name);
// True for every bookkeeping file of the folder: its markers and the staged
// exports file, which is packed as the exports it holds. (An archive an older
// version packed with that file in it is read as it was written.)
bool IsStagingBookkeeping(const std::string& name);
