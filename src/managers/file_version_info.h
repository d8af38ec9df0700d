#pragma once
// The version resource of an executable or library: its fixed version block and
// the twelve descriptive strings, read from the string table that best fits the
// user's language. The managers show four of them in their details box.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

// The twelve strings, in the order they are stored and read.
enum class VersionString {
  kCompanyName,
  kFileDescription,
  kFileVersion,
  kInternalName,
  kLegalCopyright,
  kOriginalFileName,
  kProductName,
  kProductVersion,
  kComments,
  kLegalTrademarks,
  kPrivateBuild,
  kSpecialBuild,
};
constexpr size_t kVersionStringCount = 12;
// The names the string tables use ("CompanyName", ...), in the order above.
extern const char* const kVersionStringNames[kVersionStringCount];

// Index of the translation entry (language in the low 16 bits, code page in the
// high 16 bits) whose string table is read for a user of the given language: the
// user's own language, then the same primary byte, then language neutral, then
// English, else the first entry. -1 for an empty list.
int ChooseTranslation(const uint32_t* entries, size_t count, uint16_t userLanguage);

// "\StringFileInfo\LLLLCCCC\" for a translation entry (upper-case hex).
std::string StringTablePrefix(uint32_t entry);

class FileVersionInfo {
 public:
  // The system's fixed version record: 13 words, the first the signature 0xFEEF04BD.
  using FixedBlock = std::array<uint32_t, 13>;

  FileVersionInfo();
  virtual ~FileVersionInfo() = default;

  // Zeroes the fixed block and empties the strings.
  virtual void Reset();

  // Fills the object from the file's version resource, choosing the string table
  // for the user's default language; false (and reset) when the file has none or
  // cannot be read.
  bool Read(const std::string& path);
  // The same for a user of the given language.
  bool Read(const std::string& path, uint16_t userLanguage);

  const FixedBlock& Fixed() const { return m_aFixed; }
  const std::string& Text(VersionString which) const {
    return m_aStrings[static_cast<size_t>(which)];
  }
  std::string CompanyName() const { return Text(VersionString::kCompanyName); }
  std::string FileDescription() const { return Text(VersionString::kFileDescription); }
  std::string FileVersion() const { return Text(VersionString::kFileVersion); }
  std::string InternalName() const { return Text(VersionString::kInternalName); }
  std::string ProductName() const { return Text(VersionString::kProductName); }
  std::string ProductVersion() const { return Text(VersionString::kProductVersion); }

 private:
  FixedBlock m_aFixed;
  std::array<std::string, kVersionStringCount> m_aStrings;
};
