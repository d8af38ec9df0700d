#include "backup/archive_tag.h"

#include <windows.h>
#include <bcrypt.h>

#include <algorithm>

#include "backup/backup_archive.h"
#include "backup/backup_records.h"
#include "backup/file_utils.h"
#include "core/wide_text.h"

namespace {

constexpr const char* kRecordFile = "Config.ini";
constexpr size_t kTagBytes = 32;

bool IsBookkeeping(const std::string& name) {
  return CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, name.c_str(), -1, kRunMarkerFile, -1) ==
             CSTR_EQUAL ||
         CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, name.c_str(), -1, kRestoreMarkerFile,
                        -1) == CSTR_EQUAL;
}

// One owner each for the algorithm and the hash object.
class HmacSha256 {
 public:
  explicit HmacSha256(const std::string& key) {
    if (BCryptOpenAlgorithmProvider(&m_hAlgorithm, BCRYPT_SHA256_ALGORITHM, nullptr,
                                    BCRYPT_ALG_HANDLE_HMAC_FLAG) != 0) {
      m_hAlgorithm = nullptr;
      return;
    }
    if (BCryptCreateHash(m_hAlgorithm, &m_hHash, nullptr, 0,
                         reinterpret_cast<PUCHAR>(const_cast<char*>(key.data())),
                         static_cast<ULONG>(key.size()), 0) != 0) {
      m_hHash = nullptr;
    }
  }
  ~HmacSha256() {
    if (m_hHash) BCryptDestroyHash(m_hHash);
    if (m_hAlgorithm) BCryptCloseAlgorithmProvider(m_hAlgorithm, 0);
  }
  HmacSha256(const HmacSha256&) = delete;
  HmacSha256& operator=(const HmacSha256&) = delete;

  void Add(const std::string& bytes) {
    // Hashed in pieces: one call takes at most a ULONG of bytes.
    for (size_t at = 0; m_bOk && at < bytes.size(); at += 1u << 30) {
      const size_t piece = std::min<size_t>(bytes.size() - at, 1u << 30);
      m_bOk = BCryptHashData(m_hHash, reinterpret_cast<PUCHAR>(const_cast<char*>(bytes.data() + at)),
                             static_cast<ULONG>(piece), 0) == 0;
    }
  }
  // A length before each part, so no two different inputs run together alike.
  void AddLength(unsigned long long length) {
    std::string bytes(8, '\0');
    for (int i = 0; i < 8; ++i) bytes[i] = static_cast<char>((length >> (8 * i)) & 0xFF);
    Add(bytes);
  }
  bool Finish(std::string& digest) {
    if (!m_hHash || !m_bOk) return false;
    unsigned char out[kTagBytes];
    if (BCryptFinishHash(m_hHash, out, sizeof(out), 0) != 0) return false;
    digest.assign(reinterpret_cast<const char*>(out), sizeof(out));
    return true;
  }
  bool Ready() const { return m_hHash != nullptr; }

 private:
  BCRYPT_ALG_HANDLE m_hAlgorithm = nullptr;
  BCRYPT_HASH_HANDLE m_hHash = nullptr;
  bool m_bOk = true;
};

bool ReadArchiveFiles(const std::string& folder, std::string& records,
                      std::vector<TaggedFile>& files) {
  if (!ReadWholeFile(folder + "\\" + kRecordFile, records)) return false;
  for (const std::string& name : FolderFiles(folder)) {
    if (name == kRecordFile || IsBookkeeping(name)) continue;
    TaggedFile file{name, std::string()};
    if (!ReadWholeFile(folder + "\\" + name, file.bytes)) return false;
    files.push_back(std::move(file));
  }
  return true;
}

bool TruncateFile(const std::string& path, size_t size) {
  HANDLE hFile = CreateFileW(WideText(path).c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
  if (hFile == INVALID_HANDLE_VALUE) return false;
  LARGE_INTEGER at;
  at.QuadPart = static_cast<LONGLONG>(size);
  const bool cut = SetFilePointerEx(hFile, at, nullptr, FILE_BEGIN) && SetEndOfFile(hFile);
  CloseHandle(hFile);
  return cut;
}

}  // namespace

bool SplitArchiveTag(const std::string& records, std::string& covered, std::string& tagHex) {
  covered = records;
  tagHex.clear();
  size_t end = records.size();
  while (end > 0 && (records[end - 1] == '\r' || records[end - 1] == '\n')) --end;
  const size_t start = records.rfind('\n', end == 0 ? 0 : end - 1);
  const size_t lineStart = start == std::string::npos ? 0 : start + 1;
  const std::string line = records.substr(lineStart, end - lineStart);
  const size_t prefix = std::char_traits<char>::length(kArchiveTagPrefix);
  if (line.size() != prefix + 2 * kTagBytes + 1 || line.compare(0, prefix, kArchiveTagPrefix) != 0 ||
      line.back() != ']') {
    return false;
  }
  covered = records.substr(0, lineStart);
  tagHex = line.substr(prefix, 2 * kTagBytes);
  return true;
}

bool ComputeArchiveTag(const std::string& key, const std::string& covered,
                       std::vector<TaggedFile> files, std::string& tagHex) {
  if (key.empty()) return false;
  std::sort(files.begin(), files.end(),
            [](const TaggedFile& a, const TaggedFile& b) { return a.name < b.name; });
  HmacSha256 hmac(key);
  if (!hmac.Ready()) return false;
  hmac.Add("Quillbane archive tag 1");
  hmac.AddLength(covered.size());
  hmac.Add(covered);
  for (const TaggedFile& file : files) {
    hmac.AddLength(file.name.size());
    hmac.Add(file.name);
    hmac.AddLength(file.bytes.size());
    hmac.Add(file.bytes);
  }
  std::string digest;
  if (!hmac.Finish(digest)) return false;
  tagHex = HexBytes(digest);
  return true;
}

bool TagArchiveFolder(const std::string& folder, const std::string& key) {
  std::string records, covered, oldTag, tag;
  std::vector<TaggedFile> files;
  if (key.empty() || !ReadArchiveFiles(folder, records, files)) return false;
  SplitArchiveTag(records, covered, oldTag);
  const size_t keep = covered.size();
  // The tag goes on a line of its own, written as the record file always is
  // (CR CR LF, as a text-mode stream writes it).
  if (!covered.empty() && covered.back() != '\n') covered += "\r\r\n";
  const std::string added = covered.substr(keep);
  if (!ComputeArchiveTag(key, covered, std::move(files), tag)) return false;
  // The records are never rewritten, only cut back to where an earlier tag
  // began: whatever ends the program meanwhile, no record is lost.
  const std::string path = folder + "\\" + kRecordFile;
  if (keep != records.size() && !TruncateFile(path, keep)) return false;
  return AppendToFile(path, added + kArchiveTagPrefix + tag + "]\r\r\n", true);
}

ArchiveTrust CheckArchiveFolder(const std::string& folder, const std::string& key) {
  std::string records, covered, tag, expected;
  std::vector<TaggedFile> files;
  if (!ReadArchiveFiles(folder, records, files) || !SplitArchiveTag(records, covered, tag)) {
    return ArchiveTrust::kUntagged;
  }
  if (key.empty()) return ArchiveTrust::kUntagged;
  if (!ComputeArchiveTag(key, covered, std::move(files), expected)) return ArchiveTrust::kWrongTag;
  // Compared in full whatever differs first: the time says nothing of the tag.
  unsigned char differ = 0;
  for (size_t i = 0; i < expected.size(); ++i) {
    differ |= static_cast<unsigned char>(expected[i] ^ (i < tag.size() ? tag[i] : 0));
  }
  return differ == 0 && tag.size() == expected.size() ? ArchiveTrust::kMadeHere
                                                     : ArchiveTrust::kWrongTag;
}
