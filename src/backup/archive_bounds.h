#pragma once
// How much an archive may unpack to before restore takes anything out of it. A
// removal saves registry records, registry exports and shortcut copies:
// even the largest (tens of thousands of items) comes to some tens of megabytes,
// and such text packs at most some tens to one. An archive that declares more is
// no backup of this program, whoever made it (a small file that unpacks to
// gigabytes would otherwise fill the disk before its tag is even read). Pure
// rules: the sizes and the free space come in as numbers.

#include <cstdint>
#include <string>
#include <vector>

// The most all entries of an archive may unpack to.
constexpr uint64_t kMaxRestoreBytes = 512ull << 20;
// The most a record file may hold (it is read into memory to be listed).
constexpr uint64_t kMaxRecordFileBytes = 64ull << 20;
// Above this many bytes unpacked, the archive may unpack to at most kMaxRatio
// times its packed size.
constexpr uint64_t kRatioFloorBytes = 16ull << 20;
constexpr uint64_t kMaxRatio = 100;
// Room left on the staging folder's disk after the archive is unpacked there
// (and a tenth of what it unpacks to).
constexpr uint64_t kFreeSpaceReserve = 1ull << 20;
// The most entries an archive may have (one per saved key or file, plus one).
constexpr uint64_t kMaxEntries = 250000;

struct EntrySize {
  uint64_t packed = 0;
  uint64_t unpacked = 0;
  bool recordFile = false;  // the entry restore reads as the record file
};

// "" when an archive whose entries declare these sizes may be unpacked into a
// folder on a disk with freeBytes free; otherwise why not, worded for the user.
std::string ArchiveSizeRefusal(const std::vector<EntrySize>& entries, uint64_t freeBytes);
