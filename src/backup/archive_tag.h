#pragma once
// The integrity tag of a backup archive: one more line at the end of its record
// file, "[ARCHIVE_TAG:HMAC-SHA256:<64 hex digits>]", a keyed hash over the record
// file (less that line) and every other file of the archive, name and bytes,
// keyed with this user account's secret (archive_key.h). Only this program,
// running for this user, can write a tag that checks; so an archive someone
// else put into the backup folder, or changed, is restored only when the user
// says so. Readers that do not know the line skip it as a stray line.
//
// Everything is hashed as it streams past, block by block, from a folder or
// straight from a zip before anything is extracted: no file is held whole.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class ZipUnpacker;

constexpr const char* kArchiveTagPrefix = "[ARCHIVE_TAG:HMAC-SHA256:";

// Splits a record file into the part the tag covers and the tag's hex digits.
// False (and the whole text as `covered`) when the last line is no tag line.
bool SplitArchiveTag(const std::string& records, std::string& covered, std::string& tagHex);

// The files of one archive as the tag reads them.
class TaggedFiles {
 public:
  struct File {
    std::string name;
    uint64_t size = 0;
  };
  using Take = std::function<bool(const char* data, size_t size)>;

  virtual ~TaggedFiles() = default;
  // False when the files cannot be told apart as the tag needs (two of one name).
  virtual bool Usable() const = 0;
  // Every file but the record file, in any order.
  virtual std::vector<File> Files() const = 0;
  // Hands out a file's bytes block by block ("" is the record file); false when
  // it cannot be read whole or `take` said stop.
  virtual bool Read(const std::string& name, const Take& take) = 0;
};

enum class ArchiveTrust {
  kMadeHere,  // the tag checks with one of this user's keys
  kUntagged,  // no tag line (older archives), or no key to check it with
  kWrongTag,  // a tag that does not check: changed, another user's, or made
              // with a key this account no longer holds
};

ArchiveTrust CheckArchiveTag(TaggedFiles& files, const std::vector<std::string>& keys);

// The tag (64 hex digits) of files whose record ("") is all that Read("")
// gives: CheckArchiveTag finds it so when that record is followed by a line
// holding the tag. For files that keep their tag elsewhere than a Config.ini (a
// manager's export keeps it in a comment line). False without a key or when a
// file cannot be read.
bool ComputeArchiveTag(TaggedFiles& files, const std::string& key, std::string& tagHex);

// Tags the record file ("Config.ini") of a folder holding an archive's files,
// over it and every other file there but the bookkeeping files; an earlier tag
// line is replaced. False (the folder unchanged) without a key or on failure.
bool TagArchiveFolder(const std::string& folder, const std::string& key);

// The check of a folder holding an archive's files (a kept folder).
ArchiveTrust CheckArchiveFolder(const std::string& folder, const std::vector<std::string>& keys);
// The check of an open zip, from its entries as restore would extract them
// (flat, by their bare names), before anything is extracted.
ArchiveTrust CheckArchiveZip(ZipUnpacker& zip, const std::vector<std::string>& keys);
