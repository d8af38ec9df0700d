#pragma once
// What the scans cannot do without: the walks that read every key, value, folder
// entry and shortcut target the scans read, and nothing else. A scan's time over
// its bare walk's is the cost of its own work per item.

#include <windows.h>

#include <string>

// Opens the keys the full registry scan opens (Wow6432Node included, keys named
// like "classes" left out, as the scan leaves them) and reads every value whole:
// name, type and data. Returns the number of values read.
long BareRegistryWalk(HKEY hKey);

// Lists every entry of the folder tree as the shortcut scan does and reads the
// stored target of every ".lnk" file below 1 KB through the shell-link object.
// Returns the number of targets read.
long BareShortcutWalk(const std::wstring& folder);

// `folders` folders of 100 files below root, ten of them shortcuts: nine to one
// of 400 programs' files or folders, one to a program that is gone. Returns the
// number of shortcuts made.
long BuildShortcutTree(const std::string& root, int folders);
