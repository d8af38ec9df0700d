#pragma once
// The two views of a 64-bit system. A 32-bit program sees its own registry view
// (the keys below Wow6432Node) and its own file-system view: "System32" means
// SysWOW64 for it, and %ProgramFiles% the "(x86)" folder. A path a 32-bit
// registration names is tested the way the 32-bit program that uses it finds it;
// testing it as this 64-bit program sees it would call working entries stale.
//
// Pure text rules: the system's folders come in as arguments.

#include <string>

enum class RegistryView { k64, k32 };

// "64" or "32".
const char* ViewName(RegistryView view);

// The view whose entries a key holds: 32 when one of its path's parts is
// Wow6432Node (any case), else 64.
RegistryView ViewOfKey(const std::string& keyPath);

// The view a type library key's code path is meant for: its "win32" keys name the
// 32-bit code wherever they stand; everything else follows ViewOfKey.
RegistryView ViewOfTypeLibKey(const std::string& keyPath);

// The explicit path of a key's twin in the 32-bit view, as the 64-bit view names
// it: below the classes root "Wow6432Node\X"; elsewhere the first part stays
// ("SOFTWARE\Wow6432Node\X").
std::string Wow64KeyPath(const std::string& keyPath, bool classesRoot);

// The folders the mapping needs, as the system reports them; an empty one is not
// mapped.
struct ViewFolders {
  std::string windows;          // "C:\Windows"
  std::string windowsShort;     // its 8.3 form, when that differs
  std::string programFilesX86;  // "C:\Program Files (x86)"
  std::string commonFilesX86;   // "C:\Program Files (x86)\Common Files"
};

// The text (a path or a command line, environment references not yet expanded)
// with every path in it made the path that a program of the view opens:
// - %SystemRoot% and %windir% become the Windows folder;
// - 32-bit view: %ProgramFiles% and %CommonProgramFiles% become their "(x86)"
//   folders, and <Windows>\System32 becomes <Windows>\SysWOW64, except the
//   folders Windows leaves alone (catroot, catroot2, driverstore, drivers\etc,
//   logfiles, spool);
// - <Windows>\Sysnative (the 32-bit program's way to reach System32) becomes
//   <Windows>\System32 in either view.
// Case is ignored, '/' counts as '\', a path may stand quoted or after a blank,
// '=' or ',' and may carry the "\\?\" prefix. Anything else stays as it is.
std::string PathInView(std::string text, RegistryView view, const ViewFolders& folders);
