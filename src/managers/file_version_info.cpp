#include "managers/file_version_info.h"

#include <windows.h>

#include <cstring>
#include <vector>

const char* const kVersionStringNames[kVersionStringCount] = {
    "CompanyName",  "FileDescription", "FileVersion", "InternalName",
    "LegalCopyright", "OriginalFileName", "ProductName", "ProductVersion",
    "Comments",     "LegalTrademarks", "PrivateBuild", "SpecialBuild"};

FileVersionInfo::FileVersionInfo() { FileVersionInfo::Reset(); }

void FileVersionInfo::Reset() {
  m_aFixed.fill(0);
  for (std::string& text : m_aStrings) text.clear();
}

bool FileVersionInfo::Read(const std::string& path) { return Read(path, GetUserDefaultLangID()); }

bool FileVersionInfo::Read(const std::string& path, uint16_t userLanguage) {
  Reset();
  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeA(path.c_str(), &ignored);
  if (size == 0) return false;
  std::vector<char> block(size);
  if (!GetFileVersionInfoA(path.c_str(), 0, size, block.data())) return false;

  void* data = nullptr;
  UINT length = 0;
  if (VerQueryValueA(block.data(), "\\", &data, &length) && data &&
      length == sizeof(FixedBlock)) {
    std::memcpy(m_aFixed.data(), data, sizeof(FixedBlock));
  }

  // Without a translation list there is no telling which table is meant: read none.
  data = nullptr;
  length = 0;
  if (!VerQueryValueA(block.data(), "\\VarFileInfo\\Translation", &data, &length) || !data ||
      length < sizeof(uint32_t)) {
    return true;
  }
  std::vector<uint32_t> entries(length / sizeof(uint32_t));
  std::memcpy(entries.data(), data, entries.size() * sizeof(uint32_t));
  const int chosen = ChooseTranslation(entries.data(), entries.size(), userLanguage);
  const std::string prefix = StringTablePrefix(entries[static_cast<size_t>(chosen)]);

  for (size_t i = 0; i < kVersionStringCount; ++i) {
    const std::string query = prefix + kVersionStringNames[i];
    char* text = nullptr;
    UINT characters = 0;
    if (VerQueryValueA(block.data(), query.c_str(), reinterpret_cast<void**>(&text),
                       &characters) &&
        text) {
      // The count may or may not include the terminator; never read past it.
      size_t n = 0;
      while (n < characters && text[n] != '\0') ++n;
      m_aStrings[i].assign(text, n);
    }
  }
  return true;
}
