#pragma once
// Where Windows keeps whether a program it starts at log-on is enabled, and how
// it reads and writes that state. Since Windows 8 the Startup tab of the Task
// Manager and the Startup page of the Settings never delete a Run value or a
// Startup-folder shortcut to switch it off: they write a value of the same name
// (the shortcut's file name) under "...\Explorer\StartupApproved\Run" (the
// 64-bit Run key), "\Run32" (the 32-bit one) or "\StartupFolder", in the same
// root as the entry. The value is 12 bytes of REG_BINARY: 02 (or 06) and zeros
// is enabled, 03 and the FILETIME of the change is disabled, and no value at
// all is enabled too.

#include <windows.h>

#include <string>
#include <vector>

constexpr const char* kStartupApprovedKeyPath =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\StartupApproved";
constexpr const char* kApprovedRun = "Run";
constexpr const char* kApprovedRun32 = "Run32";
constexpr const char* kApprovedStartupFolder = "StartupFolder";
constexpr const char* kRunKeyPath = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr const char* kRunKeyPath32 = "Software\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\Run";

constexpr size_t kApprovalBytes = 12;

// "...\StartupApproved\<which>".
std::string StartupApprovedKey(const char* which);
// The StartupApproved key of a Run key: Run32 for the 32-bit one (a path below
// Wow6432Node), Run otherwise.
std::string ApprovedKeyOfRunKey(const std::string& runKeyPath);

// Whether Windows starts the entry, from its StartupApproved value's bytes;
// `present` false (no value) is enabled. An odd first byte is disabled (03, and
// 07 as some versions write it); anything else, an empty value too, is enabled,
// as Windows reads it.
bool ApprovalEnabled(bool present, const std::string& bytes);

// The bytes Windows writes: enabled 02 and eleven zeros; disabled 03, three
// zeros and the time of the change as a FILETIME (little-endian).
std::string EnabledApprovalBytes();
std::string DisabledApprovalBytes(const FILETIME& when);

// The user's and the all-users Startup folders (without a trailing backslash;
// "" when the system names none).
struct StartupFolders {
  std::string user;
  std::string common;
};
StartupFolders SystemStartupFolders();
// Tests name folders of their own (null restores the system's).
void SetStartupFoldersForTest(const StartupFolders* folders);

// The Startup folder whose shortcuts a root's StartupFolder values stand for:
// the user's for HKEY_CURRENT_USER, the all-users one for HKEY_LOCAL_MACHINE.
std::string StartupFolderOfRoot(HKEY root);

// The shortcuts (".lnk" files) directly in a folder, by file name, in the order
// the system lists them.
std::vector<std::string> StartupShortcuts(const std::string& folder);

// A StartupApproved value read exactly; false when it is not there or cannot be
// read (`error` then holds the system's code, ERROR_FILE_NOT_FOUND when absent).
bool ReadApprovalValue(HKEY root, const std::string& approvedKey, const std::string& name,
                       std::string& bytes, DWORD* type = nullptr, LONG* error = nullptr);
