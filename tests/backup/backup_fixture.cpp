#include "backup_fixture.h"

#include "backup/minizip_io.h"
#include "backup/removal_lock.h"
#include "core/product.h"
#include "core/registry.h"
#include "backup/zip_packer.h"

BackupTest::BackupTest() {
  // The settings key holds this user's archive key, protected by the system:
  // with it, archives are tagged.
  RegPutDword(HKEY_CURRENT_USER, qb::kSettingsKeyPath, "AutoBackup", 0);
  m_sandbox.CopyMachineSoftwareKey("Microsoft\\Cryptography");
  // The suites run side by side as one user: each takes its own lock.
  SetRemovalLockScope("backup_tests");
  m_archive.SetStagingFolder(Staging());
  m_archive.SetBackupFolder(BackupFolder());
}

FileLock::FileLock(const std::string& path)
    : file(CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr)) {}

std::unique_ptr<ProblemRecord> ValueProblem(HKEY root, const std::string& key,
                                            const std::string& name, const std::string& data,
                                            int sectionId) {
  return std::make_unique<ProblemRecord>(
      ProblemRecord{kRegistryError, 1, "", sectionId, root, key, name, data, 1, "", ""});
}

std::unique_ptr<ProblemRecord> KeyProblem(HKEY root, const std::string& key, int sectionId) {
  return std::make_unique<ProblemRecord>(
      ProblemRecord{kRegistryError, 1, "", sectionId, root, key, "", "", 0, "", ""});
}

std::unique_ptr<ProblemRecord> FileProblem(const std::string& linkPath, int sectionId) {
  return std::make_unique<ProblemRecord>(
      ProblemRecord{kFileError, 1, "", sectionId, nullptr, "", "", "", 0, linkPath, ""});
}

std::string ValueBytes(HKEY root, const std::string& key, const std::string& name,
                       DWORD& type) {
  std::string bytes;
  return RegGetRaw(root, key, name, type, bytes) ? bytes : "<missing>";
}

std::string Utf16Export(const std::string& ascii) {
  std::string bytes = "\xFF\xFE";
  for (char c : "Windows Registry Editor Version 5.00\r\n\r\n" + ascii) bytes += std::string{c, '\0'};
  return bytes;
}

std::string FileText(const std::string& path) {
  std::string bytes;
  return ReadFileBytes(path, bytes) ? bytes : "<missing>";
}

bool PathExists(const std::string& path) {
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool CraftZip(const std::string& path,
              const std::vector<std::pair<std::string, std::string>>& entries,
              uint32_t dosDate) {
  zlib_filefunc64_def io;
  fill_win32_filefunc64A(&io);
  zipFile zip = zipOpen2_64(path.c_str(), APPEND_STATUS_CREATE, nullptr, &io);
  if (!zip) return false;
  bool ok = true;
  for (const auto& entry : entries) {
    zip_fileinfo info = {};
    info.dosDate = dosDate;
    ok = ok && zipOpenNewFileInZip(zip, entry.first.c_str(), &info, nullptr, 0, nullptr, 0,
                                   nullptr, Z_DEFLATED, Z_DEFAULT_COMPRESSION) == ZIP_OK &&
         zipWriteInFileInZip(zip, entry.second.data(),
                             static_cast<unsigned>(entry.second.size())) == ZIP_OK &&
         zipCloseFileInZip(zip) == ZIP_OK;
  }
  return zipClose(zip, nullptr) == ZIP_OK && ok;
}

std::vector<std::string> ZipEntryNames(const std::string& archive) {
  std::vector<std::string> names;
  ZipUnpacker unpacker(archive);
  for (bool ok = unpacker.GotoFirst(); ok; ok = unpacker.GotoNext()) {
    ZipEntryInfo info;
    if (unpacker.GetEntryInfo(info)) names.push_back(info.name);
  }
  return names;
}
