#pragma once
// The user's preferences under HKEY_CURRENT_USER\Software\Tarnwick, never cached:
// every read asks the registry again and every write goes there at once.

#include <string>

// True when the settings key cannot be opened with full access (first run).
bool SettingsKeyMissing();

// DWORD preferences: anything but a nonzero REG_DWORD reads as off.
bool ReadRunAtStartup();
// Also writes or removes the start-at-logon entry in the Run key; false when that
// entry is not as asked afterwards (the Run key cannot be opened or written).
bool WriteRunAtStartup(bool on);
bool ReadSelectAll();
void WriteSelectAll(bool on);
bool ReadAutoBackup();
void WriteAutoBackup(bool on);

// The scan log folder; the program folder's "logs" subfolder when unset.
std::string ReadLogFolder();
// The program folder's "logs" subfolder.
std::string DefaultLogFolder();
void WriteLogFolder(const std::string& folder);

// The value `name` under HKEY_CURRENT_USER\SOFTWARE\Microsoft\Windows\CurrentVersion\Run.
bool SetRunAtLogon(const std::string& name, const std::string& text);
bool ClearRunAtLogon(const std::string& name);
