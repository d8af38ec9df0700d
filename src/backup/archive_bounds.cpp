#include "backup/archive_bounds.h"

namespace {

std::string Megabytes(uint64_t bytes) { return std::to_string((bytes + (1 << 20) - 1) >> 20) + " MB"; }

}  // namespace

std::string ArchiveSizeRefusal(const std::vector<EntrySize>& entries, uint64_t freeBytes) {
  if (entries.size() > kMaxEntries) {
    return "it holds " + std::to_string(entries.size()) + " entries, more than any backup has";
  }
  uint64_t packed = 0, unpacked = 0;
  for (const EntrySize& entry : entries) {
    if (entry.recordFile && entry.unpacked > kMaxRecordFileBytes) {
      return "its record file would unpack to " + Megabytes(entry.unpacked) +
             ", more than any backup's (" + Megabytes(kMaxRecordFileBytes) + ")";
    }
    // Summed with a cap, so no sizes can wrap around to a small total.
    if (entry.unpacked > kMaxRestoreBytes || unpacked + entry.unpacked > kMaxRestoreBytes) {
      return "it would unpack to more than " + Megabytes(kMaxRestoreBytes) +
             ", more than any backup holds";
    }
    unpacked += entry.unpacked;
    packed += entry.packed < kMaxRestoreBytes ? entry.packed : kMaxRestoreBytes;
  }
  if (unpacked > kRatioFloorBytes && unpacked / kMaxRatio > packed) {
    return "it would unpack to " + Megabytes(unpacked) + " from " + Megabytes(packed) +
           ", far more than a backup's records and copies pack to";
  }
  // The copies are not the only thing on that disk: a tenth more and a
  // megabyte are left over.
  if (unpacked + unpacked / 10 + kFreeSpaceReserve > freeBytes) {
    return "it would unpack to " + Megabytes(unpacked) + ", and the disk of the temporary folder has " +
           Megabytes(freeBytes) + " free";
  }
  return "";
}
