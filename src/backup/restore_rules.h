#pragma once
// What a restore may write. An archive is only a file in a folder others may
// write to: restore puts back only what this program could have removed, where
// its record says, and refuses the rest by name. Pure rules; the system's facts
// about drives and folders come in through DestinationFacts.
//
// Every rule returns "" when the record may be restored, otherwise the reason it
// is refused, worded for the user.

#include <functional>
#include <string>
#include <vector>

#include "backup/reg_export_file.h"

// A full key name's components ("HKEY_CURRENT_USER", "Software", ...); false when
// one is empty, "." or "..", which would name another key than the text seems to.
bool KeyNameComponents(const std::string& fullKeyName, std::vector<std::string>& components);

// True when `key` is `base` or lies below it, by whole components, the letter
// case of ASCII letters ignored (as the registry does); "..\" never climbs.
bool KeyAtOrBelow(const std::string& key, const std::string& base);

// REG_KEY: only keys strictly below the branches the scanners report keys from
// (the machine's software and services, the classes, the user's software).
std::string RegKeyRefusal(const std::string& fullKeyName);
// REG_VALUE: only values in or below the keys the scanners report values from
// (HKLM\SOFTWARE, HKCU\Software, HKCU\Control Panel\Sounds), or below HKCR
// (no scan reports a value of the classes root itself).
std::string RegValueRefusal(const std::string& mainKey);
// A REG_KEY record's export: readable, its first key section the record's key,
// every other one below it, and nothing that deletes.
std::string ExportRefusal(const std::string& exportBytes, const std::string& fullKeyName);
// The same for an export already read with the strict reader.
std::string ExportRefusal(const ExportContents& contents, const std::string& fullKeyName);

enum class FolderState { kFolder, kLink, kMissing, kOther };

struct DestinationFacts {
  // True when the drive of this letter (upper case) is a local fixed disk.
  std::function<bool(char letter)> isFixedDrive;
  // What a path is: a plain folder, a junction or folder link, missing, or else.
  std::function<FolderState(const std::string& path)> folderState;
};

// FILE: only a shortcut (".lnk"), by a full path on a local fixed drive whose
// existing folders hold no junction or link. Folders missing below them may be
// made again as plain folders; what is at the path itself is restore's business
// (it never writes over a file).
std::string FileRefusal(const std::string& destPath, const DestinationFacts& facts);
