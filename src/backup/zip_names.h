#pragma once
// Name rules of the zip layer, kept free of system calls so they can be tested
// (and fuzzed) directly: which entry names may be written to disk, and how an
// entry name maps to a path below an extraction folder.

#include <string>

// True when one path component may be created as a file or folder: not empty,
// not "." or "..", no drive or stream separator ':', none of the characters
// Windows forbids in names, no trailing dot or blank (Windows would silently drop
// it and write a different name), and not a device name (CON, NUL, COM1 ...,
// with or without an extension).
bool IsSafeNameComponent(const std::string& component);

// The relative path an entry name extracts to ("/" already turned into "\"):
// with ignorePath the part after the last "\", otherwise the whole name. False
// when any component is unsafe or the name is absolute (leading "\" or a
// drive), so nothing can land outside the extraction folder.
bool EntryTargetName(const std::string& entryName, bool ignorePath, std::string& target);

// The part of a path after its last "\" (the whole path when it has none).
std::string BareFileName(const std::string& path);
