#pragma once
// The small tests the scanners share to decide whether registry data that names a
// file still names something that exists.

#include <windows.h>

#include <string>

#include "core/registry_view.h"
#include "scan/path_reading.h"

// The Windows folder as the system reports it, normally without a trailing '\'.
std::string GetWindowsFolder();

// Whether no reading of the text names something that exists (see
// path_reading.h): kMissing only then. A walk's answers are kept (see
// ScopedProbeMemory). The text's paths are those of a program of the view.
PathReading ReadReferencedPath(const std::string& text, RegistryView view = RegistryView::k64);

// True unless the text, read as a path or a command line, names only things
// that are missing: a text that names something that exists, lies on a share or
// a drive that is not a fixed disk, holds a character lost in an earlier
// conversion, or that is no path at all, is never called missing.
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
