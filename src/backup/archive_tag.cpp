#include "backup/archive_tag.h"

#include <windows.h>
#include <bcrypt.h>

#include <algorithm>
#include <map>
#include <set>
#include <memory>

#include "backup/backup_archive.h"
#include "backup/backup_records.h"
#include "backup/file_utils.h"
#include "backup/staged_exports.h"
#include "backup/zip_names.h"
#include "backup/zip_packer.h"
#include "core/ascii_case.h"
#include "core/handles.h"
#include "core/wide_text.h"

namespace {

constexpr const char* kRecordFile = "Config.ini";
constexpr size_t kTagBytes = 32;
// The end of a record file kept while it streams past, to find the tag line
// (90 characters) after the last records.
constexpr size_t kTailBytes = 512;

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

  void Add(const char* data, size_t size) {
    // Hashed in pieces: one call takes at most a ULONG of bytes.
    for (size_t at = 0; m_bOk && m_hHash && at < size; at += 1u << 30) {
      const size_t piece = std::min<size_t>(size - at, 1u << 30);
      m_bOk = BCryptHashData(m_hHash, reinterpret_cast<PUCHAR>(const_cast<char*>(data + at)),
                             static_cast<ULONG>(piece), 0) == 0;
    }
  }
  void Add(const std::string& bytes) { Add(bytes.data(), bytes.size()); }
  // A length before each part, so no two different inputs run together alike.
  void AddLength(unsigned long long length) {
    char bytes[8];
    for (int i = 0; i < 8; ++i) bytes[i] = static_cast<char>((length >> (8 * i)) & 0xFF);
    Add(bytes, sizeof(bytes));
  }
  bool Finish(std::string& digest) {
    if (!m_hHash || !m_bOk) return false;
    unsigned char out[kTagBytes];
    if (BCryptFinishHash(m_hHash, out, sizeof(out), 0) != 0) return false;
    digest.assign(reinterpret_cast<const char*>(out), sizeof(out));
    return true;
  }

 private:
  BCRYPT_ALG_HANDLE m_hAlgorithm = nullptr;
  BCRYPT_HASH_HANDLE m_hHash = nullptr;
  bool m_bOk = true;
};

// How the record file ends: how many bytes the tag covers (all of them when
// there is no tag line), the tag, and the last covered byte.
struct RecordEnd {
  uint64_t covered = 0;
  std::string tagHex;  // "" when the file ends without a tag line
  char lastCovered = '\0';
};

bool ReadRecordEnd(TaggedFiles& files, RecordEnd& end) {
  std::string tail;
  uint64_t total = 0;
  if (!files.Read("", [&](const char* data, size_t size) {
        total += size;
        tail.append(data, size);
        if (tail.size() > 2 * kTailBytes) tail.erase(0, tail.size() - kTailBytes);
        return true;
      })) {
    return false;
  }
  std::string before;
  // The line must begin inside what was kept, or it is longer than a tag line.
  if (!SplitArchiveTag(tail, before, end.tagHex) || (before.empty() && total != tail.size())) {
    end.tagHex.clear();
    before = tail;
  }
  end.covered = total - tail.size() + before.size();
  end.lastCovered = before.empty() ? '\0' : before.back();
  return true;
}

// Hashes the covered records (with `suffix` after them) and the files, with
// every key at once. False when a file could not be read as it was listed.
bool HashArchive(TaggedFiles& files, uint64_t covered, const std::string& suffix,
                 std::vector<std::unique_ptr<HmacSha256>>& hashes) {
  for (auto& hash : hashes) {
    hash->Add("Quillbane archive tag 1");
    hash->AddLength(covered + suffix.size());
  }
  uint64_t fed = 0;
  if (!files.Read("", [&](const char* data, size_t size) {
        const size_t take = static_cast<size_t>(std::min<uint64_t>(size, covered - fed));
        for (auto& hash : hashes) hash->Add(data, take);
        fed += take;
        return true;
      }) ||
      fed != covered) {
    return false;
  }
  for (auto& hash : hashes) hash->Add(suffix);
  std::vector<TaggedFiles::File> list = files.Files();
  std::sort(list.begin(), list.end(), [](const TaggedFiles::File& a, const TaggedFiles::File& b) {
    return a.name < b.name;
  });
  for (const TaggedFiles::File& file : list) {
    for (auto& hash : hashes) {
      hash->AddLength(file.name.size());
      hash->Add(file.name);
      hash->AddLength(file.size);
    }
    uint64_t read = 0;
    if (!files.Read(file.name, [&](const char* data, size_t size) {
          read += size;
          if (read > file.size) return false;
          for (auto& hash : hashes) hash->Add(data, size);
          return true;
        }) ||
        read != file.size) {
      return false;
    }
  }
  return true;
}

// Compared in full whatever differs first: the time says nothing of the tag.
bool SameTag(const std::string& a, const std::string& b) {
  unsigned char differ = a.size() == b.size() ? 0 : 1;
  for (size_t i = 0; i < a.size(); ++i) {
    differ |= static_cast<unsigned char>(a[i] ^ (i < b.size() ? b[i] : 0));
  }
  return differ == 0;
}

class FolderFilesSource : public TaggedFiles {
 public:
  explicit FolderFilesSource(const std::string& folder)
      : m_strFolder(folder), m_files(folder, false) {
    for (size_t i = 0; i < m_files.List().size(); ++i) m_byName[m_files.List()[i].name] = i;
  }
  bool Usable() const override { return true; }
  std::vector<File> Files() const override {
    std::vector<File> files;
    for (const StagingFile& file : m_files.List()) files.push_back({file.name, file.size});
    return files;
  }
  bool Read(const std::string& name, const Take& take) override {
    if (name.empty()) return ReadFileInBlocks(m_strFolder + "\\" + kRecordFile, take);
    const auto found = m_byName.find(name);
    return found != m_byName.end() && m_files.Read(m_files.List()[found->second], take);
  }

 private:
  std::string m_strFolder;
  StagingFolderFiles m_files;
  std::map<std::string, size_t> m_byName;
};

// The entries of a zip by the names they extract to (flat). The record file is
// the entry named "Config.ini"; two entries that would land on one name (any
// letter case) make the files unusable, as no folder could hold both.
class ZipFilesSource : public TaggedFiles {
 public:
  explicit ZipFilesSource(ZipUnpacker& zip) : m_zip(zip) {
    bool record = false;
    for (bool more = zip.GotoFirst(); more; more = zip.GotoNext()) {
      ZipEntryInfo info;
      ZipEntryPosition position;
      std::string name;
      if (!zip.GetEntryInfo(info) || !zip.GetPosition(position)) {
        m_bUsable = false;
        return;
      }
      if (info.isFolder || !EntryTargetName(info.name, true, name)) continue;
      if (!m_folded.insert(LowerAsciiText(name)).second) m_bUsable = false;
      if (name == kRecordFile) {
        record = true;
        m_record = position;
      } else if (!IsStagingMarker(name)) {
        m_files.push_back({name, info.uncompressedBytes});
        m_positions[name] = position;
      }
    }
    m_bUsable = m_bUsable && record;
  }
  bool Usable() const override { return m_bUsable; }
  std::vector<File> Files() const override { return m_files; }
  bool Read(const std::string& name, const Take& take) override {
    const auto found = m_positions.find(name);
    if (!name.empty() && found == m_positions.end()) return false;
    return m_zip.GoTo(name.empty() ? m_record : found->second) && m_zip.ReadEntry(take);
  }

 private:
  ZipUnpacker& m_zip;
  bool m_bUsable = true;
  ZipEntryPosition m_record;
  std::vector<File> m_files;
  std::map<std::string, ZipEntryPosition> m_positions;
  std::set<std::string> m_folded;
};

bool TruncateFile(const std::string& path, uint64_t size) {
  const FileHandle file(CreateFileW(WideText(path).c_str(), GENERIC_WRITE, 0, nullptr,
                                   OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return false;
  LARGE_INTEGER at;
  at.QuadPart = static_cast<LONGLONG>(size);
  return SetFilePointerEx(file.Get(), at, nullptr, FILE_BEGIN) && SetEndOfFile(file.Get());
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

ArchiveTrust CheckArchiveTag(TaggedFiles& files, const std::vector<std::string>& keys) {
  RecordEnd end;
  if (!files.Usable() || !ReadRecordEnd(files, end) || end.tagHex.empty()) {
    return ArchiveTrust::kUntagged;
  }
  std::vector<std::unique_ptr<HmacSha256>> hashes;
  for (const std::string& key : keys) {
    if (!key.empty()) hashes.push_back(std::make_unique<HmacSha256>(key));
  }
  if (hashes.empty()) return ArchiveTrust::kUntagged;
  if (!HashArchive(files, end.covered, "", hashes)) return ArchiveTrust::kWrongTag;
  for (auto& hash : hashes) {
    std::string digest;
    if (hash->Finish(digest) && SameTag(HexBytes(digest), end.tagHex)) return ArchiveTrust::kMadeHere;
  }
  return ArchiveTrust::kWrongTag;
}

bool ComputeArchiveTag(TaggedFiles& files, const std::string& key, std::string& tagHex) {
  uint64_t total = 0;
  if (key.empty() || !files.Usable() ||
      !files.Read("", [&](const char*, size_t size) {
        total += size;
        return true;
      })) {
    return false;
  }
  std::vector<std::unique_ptr<HmacSha256>> hashes;
  hashes.push_back(std::make_unique<HmacSha256>(key));
  std::string digest;
  if (!HashArchive(files, total, "", hashes) || !hashes[0]->Finish(digest)) return false;
  tagHex = HexBytes(digest);
  return true;
}

bool TagArchiveFolder(const std::string& folder, const std::string& key) {
  FolderFilesSource files(folder);
  const std::string path = folder + "\\" + kRecordFile;
  const long long size = FileSize(path);
  RecordEnd end;
  if (key.empty() || size < 0 || !ReadRecordEnd(files, end)) return false;
  // The tag goes on a line of its own, written as the record file always is
  // (CR CR LF, as a text-mode stream writes it).
  const std::string added = end.covered > 0 && end.lastCovered != '\n' ? "\r\r\n" : "";
  std::vector<std::unique_ptr<HmacSha256>> hashes;
  hashes.push_back(std::make_unique<HmacSha256>(key));
  std::string digest;
  if (!HashArchive(files, end.covered, added, hashes) || !hashes[0]->Finish(digest)) return false;
  // The records are never rewritten, only cut back to where an earlier tag
  // began: whatever ends the program meanwhile, no record is lost.
  if (end.covered != static_cast<uint64_t>(size) && !TruncateFile(path, end.covered)) return false;
  return AppendToFile(path, added + kArchiveTagPrefix + HexBytes(digest) + "]\r\r\n", true);
}

ArchiveTrust CheckArchiveFolder(const std::string& folder, const std::vector<std::string>& keys) {
  if (!FileExists(folder + "\\" + kRecordFile)) return ArchiveTrust::kUntagged;
  FolderFilesSource files(folder);
  return CheckArchiveTag(files, keys);
}

ArchiveTrust CheckArchiveZip(ZipUnpacker& zip, const std::vector<std::string>& keys) {
  ZipFilesSource files(zip);
  return CheckArchiveTag(files, keys);
}
