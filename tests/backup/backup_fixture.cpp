#include "backup_fixture.h"

#include "backup/minizip_io.h"
#include "backup/reg_export_file.h"
#include "backup/removal_lock.h"
#include "core/product.h"
#include "core/registry.h"
#include "backup/zip_packer.h"

FakeEditor::FakeEditor() : m_pPrevious(SetRegistryEditor(this)) {}

FakeEditor::~FakeEditor() { SetRegistryEditor(m_pPrevious); }

bool FakeEditor::Run(const std::string& arguments) {
  calls.push_back(arguments);
  std::vector<std::string> quoted;  // the texts between pairs of quotes
  for (size_t open = arguments.find('"'), close; open != std::string::npos;
       open = arguments.find('"', close + 1)) {
    if ((close = arguments.find('"', open + 1)) == std::string::npos) break;
    quoted.push_back(arguments.substr(open + 1, close - open - 1));
  }
  if (arguments.compare(0, 4, " /S ") == 0 && quoted.size() == 1) return Import(quoted[0]);
  if (arguments.compare(0, 3, "/e ") != 0 || quoted.size() != 2) return false;
  if (failExports) return true;  // like regedit: ran, wrote nothing
  if (emptyExports) return WriteFileBytes(quoted[0], "");
  const std::string& key = exportInstead.empty() ? quoted[1] : exportInstead;
  return WriteFileBytes(quoted[0], Utf16Export("[" + key + "]\r\n" + StringValueLines(key)));
}

namespace {

std::string Escaped(const std::string& text) {
  std::string escaped;
  for (char c : text) {
    if (c == '\\' || c == '"') escaped += '\\';
    escaped += c;
  }
  return escaped;
}

}  // namespace

// The key's text values as export lines ("name"="data"), in the registry's order.
std::string FakeEditor::StringValueLines(const std::string& fullKeyName) {
  const size_t slash = fullKeyName.find('\\');
  const HKEY root = RootKeyFromName(fullKeyName.substr(0, slash));
  KeyHandle key;
  if (!root || slash == std::string::npos ||
      RegOpenKeyExA(root, fullKeyName.substr(slash + 1).c_str(), 0, KEY_READ, key.Receive()) != ERROR_SUCCESS) {
    return "";
  }
  std::string lines;
  char name[256], data[1024];
  for (DWORD index = 0;; ++index) {
    DWORD nameSize = sizeof(name), dataSize = sizeof(data) - 1, type = 0;
    if (RegEnumValueA(key.Get(), index, name, &nameSize, nullptr, &type, reinterpret_cast<BYTE*>(data),
                      &dataSize) != ERROR_SUCCESS) {
      break;
    }
    data[dataSize] = '\0';
    if (type == REG_SZ) lines += "\"" + Escaped(name) + "\"=\"" + Escaped(data) + "\"\r\n";
  }
  return lines;
}

bool FakeEditor::Import(const std::string& file) {
  std::string bytes;
  ExportContents contents;
  std::string error;
  if (!ReadFileBytes(file, bytes) || !ParseExportFile(bytes, contents, error)) return true;
  for (const ExportSection& section : contents.sections) {
    const size_t slash = section.keyName.find('\\');
    const HKEY root = RootKeyFromName(section.keyName.substr(0, slash));
    if (root && slash != std::string::npos && !section.deletes) {
      RegPutString(root, section.keyName.substr(slash + 1), "imported", "yes");
    }
  }
  return true;
}

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
