// The choice of a version resource's string table. Pure: the caller passes the
// translation list and the user's language.

#include <cstdio>

#include "managers/file_version_info.h"

namespace {

int FindEntry(const uint32_t* entries, size_t count, uint32_t mask, uint32_t wanted) {
  for (size_t i = 0; i < count; ++i) {
    if ((entries[i] & mask) == wanted) return static_cast<int>(i);
  }
  return -1;
}

}  // namespace

int ChooseTranslation(const uint32_t* entries, size_t count, uint16_t userLanguage) {
  if (!entries || count == 0) return -1;
  // Each pair looks for the whole language identifier first, then only its low
  // byte, so a table in a sister language beats one in an unrelated language.
  const struct {
    uint32_t mask, wanted;
  } searches[] = {
      {0xFFFF, userLanguage},
      {0xFF, static_cast<uint32_t>(userLanguage & 0xFF)},
      {0xFFFF, 0},
      {0xFF, 0},
      {0xFFFF, 9},
      {0xFF, 9},
  };
  for (const auto& search : searches) {
    const int found = FindEntry(entries, count, search.mask, search.wanted);
    if (found >= 0) return found;
  }
  return 0;
}

std::string StringTablePrefix(uint32_t entry) {
  char prefix[40];
  std::snprintf(prefix, sizeof(prefix), "\\StringFileInfo\\%04X%04X\\",
                static_cast<unsigned>(entry & 0xFFFF), static_cast<unsigned>(entry >> 16));
  return prefix;
}
