#pragma once
// The one rule by which every section, and the re-check before removal, decides
// that registry data or a shortcut names nothing that exists.
//
// A text is called missing only when no reading Windows itself could give it
// names something that exists. The whole text first, in the entry's view (see
// PathInView): unquoted, as written and with its environment references
// expanded; a folder path, a file mask's folder, a resource index's file. Then
// the cuts a consumer makes: the program of a command line (quoted, or a prefix
// before a blank, comma, quote or switch, with ".exe" where it has no
// extension), an icon index after a comma, the items of a ';' list. A prefix
// counts only as an existing FILE, never a folder: Windows runs
// "C:\Program Files (x86)\App\app.exe" by trying "C:\Program.exe" and
// "C:\Program Files.exe", never the folder "C:\Program Files". A bare program
// name is looked for where Windows looks for it (FindProgramByName).
//
// Every reading only ever keeps an entry, so the order they are tried in does
// not change the answer; the likeliest go first.

#include <string>

#include "core/registry_view.h"

enum class PathReading {
  kFound,       // a reading names something that exists, or cannot be looked at
  kMissing,     // every reading names something missing
  kCannotTell,  // not a path at all, or it uses an environment variable that
                // is not defined: nothing is known to be missing
};

PathReading ReadPathText(const std::string& text, RegistryView view);

// A program's file name without a folder, found as Windows finds one: in App
// Paths (the machine's in both views, the user's), the Windows folder, System32
// (SysWOW64 for a 32-bit program) and the search path; with ".exe" (and ".com",
// ".dll") appended when the name has no extension.
bool FindProgramByName(const std::string& name, RegistryView view);

// The path a problem's message names for a text: its quoted program, or the
// text without an icon index, cut after the first part with a file extension
// when arguments follow.
std::string ProgramPathOf(const std::string& text);
