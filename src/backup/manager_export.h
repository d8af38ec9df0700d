#pragma once
// The registry entry managers' backups: a dated export file per removed entry
// in a folder of its own below the backup folder ("BHOBackup",
// "AddRemoveBackup", "StartupBackup"), written by our exporter the way the
// registry editor writes it, so a double-click still imports it. A removed
// Startup-folder shortcut is copied beside its export under the same name
// (".lnk"), and the export names where it was in a comment line. The last line
// is the archive tag as a comment, over the export and that copy: restore takes
// one that does not check out only on the user's word, as it does an archive.

#include <windows.h>

#include <string>
#include <vector>

#include "backup/archive_tag.h"
#include "backup/reg_export_file.h"

enum class ManagerExportKind { kNone, kBho, kAddRemove, kStartup };

// The folder name below the backup folder ("" for kNone).
const char* ManagerExportFolderName(ManagerExportKind kind);
// The kind of a file by the folder it is in (and its ".reg" extension).
ManagerExportKind ManagerExportKindOf(const std::string& path);

// "<backupFolder>\<kind's folder>", made (with the backup folder) when missing.
std::string ManagerExportFolder(const std::string& backupFolder, ManagerExportKind kind);

// "<folder>\<m>,<d>,<yyyy>_<h>,<m>,<s>.reg" for attempt 1, "..._2.reg" and so on
// after it, so a second export within the same second keeps the first one.
std::string ManagerExportPath(const std::string& folder, const SYSTEMTIME& time, int attempt);
// The first of those paths at which neither the export nor a shortcut copy of
// that name exists; "" when none is free.
std::string FreeManagerExportPath(const std::string& folder, const SYSTEMTIME& time);
// The shortcut copy that belongs to an export: the same name with ".lnk".
std::string ExportShortcutCopy(const std::string& exportPath);

// The comment line that names where a removed shortcut was.
constexpr const char* kShortcutComment = "; Shortcut: ";

// Writes a manager's export of these keys and values: `comments` (each a whole
// ";" line) after the header, then the sections, then the tag line when this
// account has an archive key. `shortcutFrom`, when not empty, is copied beside
// it first (ExportShortcutCopy) and its bytes compared. False, with the reason,
// when anything cannot be written exactly; then neither file is left.
bool WriteManagerExport(const std::string& exportPath, const std::vector<RegKeyContents>& keys,
                        const std::vector<std::string>& comments, const std::string& shortcutFrom,
                        std::string& error);

// A manager's export as restore reads it: the bytes, what the tag covers, and
// the shortcut a comment names.
struct ManagerExportFile {
  std::string bytes;
  std::string shortcutPath;  // where the copied shortcut was; "" for none
};
// False, with the reason, when the file cannot be read.
bool ReadManagerExport(const std::string& exportPath, ManagerExportFile& file, std::string& error);

// The export's tag against this account's keys.
ArchiveTrust CheckManagerExportTag(const std::string& exportPath, const std::string& bytes,
                                   const std::vector<std::string>& keys);

// What a manager's export may write, by its kind: a BHO export only its one
// object's key below the BHO key (either view) and that class below CLSID; an
// Add/Remove export only one entry below the Uninstall key (either view); a
// Startup export only values of the Run keys and their StartupApproved keys,
// and its shortcut only into a Startup folder. Nothing that deletes, no value
// whose bytes are unsure. "" when it may be restored, otherwise why not.
std::string ManagerExportRefusal(ManagerExportKind kind, const ExportContents& contents,
                                 const std::string& shortcutPath);

// One line for the backup list: what the export holds ("Harbor Tray",
// "{5C3B...}", "Orrelmoor Photo Viewer 3.2"); "" when it cannot be read.
std::string ManagerExportHolds(ManagerExportKind kind, const ExportContents& contents,
                               const std::string& shortcutPath);
