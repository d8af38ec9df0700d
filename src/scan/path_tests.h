#pragma once
// The small tests the scanners share to decide whether registry data that names a
// file still names something that exists.

#include <windows.h>

#include <string>

#include "core/registry_view.h"

// The Windows folder as the system reports it, normally without a trailing '\'.
std::string GetWindowsFolder();

// Dispatches pending window messages of this thread, at most ten per call.
void PumpMessages();

// True when the text, read as a path or a command line, names an existing file or
// folder, lies on a share or a drive that is not a fixed disk, holds a character
// lost in an earlier conversion, or names a path the system cannot look at (access
// denied, too long, network away). Errs towards "found". A bare name of a 32-bit
// registration is also looked for where a 32-bit program's search finds its
// system files (SysWOW64). The text's paths are taken as they stand: map them for
// the view first (PathToTest).
bool ReferencedFileExists(const std::string& text, RegistryView view = RegistryView::k64);

// Replaces %NAME% references by their values; false (text unchanged) on failure.
bool ExpandEnvironment(std::string& text);

// One value of any type and length read with read access, as text up to its first
// zero byte; "" when the key or value is missing or cannot be read.
std::string ReadRegistryString(HKEY hRoot, const std::string& subKey,
                               const std::string& valueName);

bool IsDirectory(const std::string& path);

// True for a share path: two leading '\' (or '/').
bool IsNetworkPath(const std::string& text);

// True when the text is a share path, or starts with a drive letter and colon whose
// drive is not a fixed disk (removable, network, CD-ROM, RAM disk, or no such drive).
bool IsOnNonFixedDrive(const std::string& text);

// The whole text without one enclosing pair of double quotes (as the shell's
// unquoting does); anything else comes back unchanged.
std::string UnquoteSpaces(const std::string& text);
