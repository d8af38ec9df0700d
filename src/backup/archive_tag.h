#pragma once
// The integrity tag of a backup archive: one more line at the end of its record
// file, "[ARCHIVE_TAG:HMAC-SHA256:<64 hex digits>]", a keyed hash over the record
// file (less that line) and every other file of the archive, name and bytes,
// keyed with this user account's secret (archive_key.h). Only this program,
// running for this user, can write a tag that checks; so an archive someone
// else put into the backup folder, or changed, is restored only when the user
// says so. Readers that do not know the line skip it as a stray line.

#include <string>
#include <vector>

constexpr const char* kArchiveTagPrefix = "[ARCHIVE_TAG:HMAC-SHA256:";

// Splits a record file into the part the tag covers and the tag's hex digits.
// False (and the whole text as `covered`) when the last line is no tag line.
bool SplitArchiveTag(const std::string& records, std::string& covered, std::string& tagHex);

// One file of an archive, by name.
struct TaggedFile {
  std::string name;
  std::string bytes;
};

// The tag's hex digits over the covered record text and the other files (in any
// order: they are taken sorted by name); false when the system's hash fails.
bool ComputeArchiveTag(const std::string& key, const std::string& covered,
                       std::vector<TaggedFile> files, std::string& tagHex);

// Tags the record file ("Config.ini") of a folder holding an archive's files,
// over it and every other file there but the bookkeeping files; an earlier tag
// line is replaced. False (the folder unchanged) without a key or on failure.
bool TagArchiveFolder(const std::string& folder, const std::string& key);

enum class ArchiveTrust {
  kMadeHere,  // the tag checks with this user's key
  kUntagged,  // no tag line (older archives), or no key to check it with
  kWrongTag,  // a tag that does not check: changed, or another user's
};

ArchiveTrust CheckArchiveFolder(const std::string& folder, const std::string& key);
