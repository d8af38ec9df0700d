#pragma once
// File and process operations that removal, backup, restore and the preferences
// share: starting a program (optionally waiting for it), emptying a folder tree,
// and letting the user choose a folder.

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "backup/restore_rules.h"
#include "core/handles.h"

constexpr DWORD kProgramWaitMs = 120000;  // two minutes, then the caller goes on

enum class RunOutcome {
  kNotStarted,    // the shell could not start it
  kFinished,      // it ended within the wait
  kStillRunning,  // the wait ran out; it may still be working
};

// Without wait: the shell's default action; true when the shell accepted it.
// With wait: starts the program and waits for it up to two minutes; true in every
// case (callers that must know use RunProgramWaiting).
bool RunProgram(const std::string& file, const std::string& arguments, bool wait);

// Starts a program through the shell and waits for it at most timeoutMs.
RunOutcome RunProgramWaiting(const std::string& file, const std::string& arguments,
                             DWORD timeoutMs = kProgramWaitMs);

// While one lives, a thread waiting for a program calls `pump` whenever
// messages come for it (the window's removal pumps its messages there, so a
// long key export does not freeze it).
class ProgramWaitPump {
 public:
  explicit ProgramWaitPump(void (*pump)());
  ~ProgramWaitPump();
  ProgramWaitPump(const ProgramWaitPump&) = delete;
  ProgramWaitPump& operator=(const ProgramWaitPump&) = delete;

 private:
  void (*m_pPrevious)();
};

// Deletes the files of a folder that match the pattern (all files when it is
// empty); with recurse, empties the subfolders too (with "*.*" they stay, emptied;
// with an empty pattern they are removed). The folder itself stays. False when the
// folder is not a folder or a deletion of this folder's own files or subfolders
// failed in the last pass.
bool EmptyFolderTree(const std::string& folder, bool recurse, const std::string& pattern);

// The Windows folder (e.g. "C:\windows"), without a trailing backslash.
std::string WindowsFolder();

// True when the path names an existing file (not a folder). The file calls here
// go through the wide API, so a path of any length works.
bool FileExists(const std::string& path);
// A file's attributes; INVALID_FILE_ATTRIBUTES when it cannot be read (the
// system's reason in errorOut).
DWORD FileAttributes(const std::string& path, DWORD* errorOut = nullptr);
// Copies a file (replacing the target when replace is set); false with the
// system's reason in errorOut.
bool CopyFileTo(const std::string& from, const std::string& to, bool replace,
                DWORD* errorOut = nullptr);
// Deletes a file, a read-only one too (its attribute is put back when the file
// stays). ERROR_SUCCESS or the system's reason.
DWORD DeleteFileChecked(const std::string& path);
// Writes a file's data through to the disk, so it survives the program being
// killed and the machine going down; false when it cannot be opened or flushed.
bool FlushFileToDisk(const std::string& path);
// Gives a file exactly these attributes (0 = none), read-only last. False when
// the system refuses.
bool SetAttributes(const std::string& path, DWORD attributes);
// Appends bytes to a file (created when missing); with flush, writes them through
// to the disk before returning.
bool AppendToFile(const std::string& path, const std::string& bytes, bool flush);
// A file appended to many times in a row (a run's records, its deletion notes):
// opened (created when missing) at the first append and kept open until
// Commit, which writes everything through to the disk and closes it.
class AppendOnlyFile {
 public:
  void SetPath(const std::string& path) {
    m_file.Reset();
    m_strPath = path;
  }
  const std::string& Path() const { return m_strPath; }
  bool Append(const std::string& bytes);
  // True when nothing was appended since the last commit, or all of it is now
  // on the disk.
  bool Commit();
  void Close() { m_file.Reset(); }

 private:
  std::string m_strPath;
  FileHandle m_file;
};
// Creates a new file (one already there makes it fail) holding these bytes; with
// flush, writes them through to the disk first. False when it cannot be created
// or written.
bool WriteNewFile(const std::string& path, const std::string& bytes, bool flush);
// Makes the folder (and its parents) when missing and writes a file in it and
// deletes it: "" when that works, otherwise why not in words ("access denied",
// "C:\x is a file, not a folder", ...).
std::string FolderWriteProblem(const std::string& folder);
// A short text for a system error code: "access denied", "not found", ...
std::string ErrorReason(DWORD code);
// True for the codes that say a file, folder or key is not there.
bool IsNotFoundError(DWORD code);
// Size of a file in bytes; -1 when it cannot be read.
long long FileSize(const std::string& path);
// Reads a whole file (binary); false when it cannot be opened or read.
bool ReadWholeFile(const std::string& path, std::string& bytes);
// Hands a file's bytes to `take` block by block (never the whole file at once);
// false when it cannot be read or `take` returned false.
bool ReadFileInBlocks(const std::string& path,
                      const std::function<bool(const char* data, size_t size)>& take);
// 1 when two files hold the same bytes, 0 when not, -1 when either cannot be
// read. Compared block by block.
int CompareFileBytes(const std::string& a, const std::string& b);
// The names of the files directly in a folder (no subfolders), in the order the
// system lists them.
std::vector<std::string> FolderFiles(const std::string& folder);

// The system's answers for FileRefusal: drive types, folder attributes (a
// folder that cannot be looked at counts as no plain folder), and what is there.
DestinationFacts SystemDestinationFacts();
