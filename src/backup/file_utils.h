#pragma once
// File and process operations that removal, backup, restore and the preferences
// share: starting a program (optionally waiting for it), emptying a folder tree,
// and letting the user choose a folder.

#include <windows.h>

#include <string>

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

// Deletes the files of a folder that match the pattern (all files when it is
// empty); with recurse, empties the subfolders too (with "*.*" they stay, emptied;
// with an empty pattern they are removed). The folder itself stays. False when the
// folder is not a folder or a deletion of this folder's own files or subfolders
// failed in the last pass.
bool EmptyFolderTree(const std::string& folder, bool recurse, const std::string& pattern);

// The shell's folder chooser for the log folder; "" when cancelled or unusable.
std::string BrowseForLogFolder(HWND hOwner = nullptr);

// The Windows folder (e.g. "C:\windows"), without a trailing backslash.
std::string WindowsFolder();

// True when the path names an existing file (not a folder).
bool FileExists(const std::string& path);
// Size of a file in bytes; -1 when it cannot be read.
long long FileSize(const std::string& path);
// Reads a whole file (binary); false when it cannot be opened or read.
bool ReadWholeFile(const std::string& path, std::string& bytes);
