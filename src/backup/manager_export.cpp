#include "backup/manager_export.h"

#include "backup/archive_key.h"
#include "backup/backup_names.h"
#include "backup/file_utils.h"
#include "backup/reg_export_check.h"
#include "backup/reg_export_writer.h"
#include "backup/restore_rules.h"
#include "core/ascii_case.h"
#include "core/handles.h"
#include "core/wide_text.h"
#include "core/startup_approved.h"

namespace {

constexpr const char* kUninstallKey = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
constexpr const char* kBhoKey =
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Browser Helper Objects";
constexpr const char* kShortcutEntryName = "Shortcut.lnk";
constexpr const char* kHeaderLine = "Windows Registry Editor Version 5.00\r\n";

std::string Utf16(const std::string& utf8) {
  std::string wide;
  Utf16LeFromUtf8(utf8, wide);
  return wide;
}

// Splits an export into the part its tag covers and the tag's digits: the tag
// is the last line, ";[ARCHIVE_TAG:HMAC-SHA256:...]", in the file's UTF-16.
bool SplitExportTag(const std::string& bytes, std::string& covered, std::string& tagHex) {
  covered = bytes;
  tagHex.clear();
  const std::string prefix = Utf16(std::string(";") + kArchiveTagPrefix);
  const size_t at = bytes.rfind(prefix);
  if (at == std::string::npos || at % 2 != 0 || at < 2 || bytes.compare(at - 2, 2, "\n\0", 2) != 0) {
    return false;
  }
  std::string rest;
  if (!Utf8FromUtf16Le(bytes.data() + at + prefix.size(), bytes.size() - at - prefix.size(), rest)) {
    return false;
  }
  while (!rest.empty() && (rest.back() == '\r' || rest.back() == '\n')) rest.pop_back();
  if (rest.size() != 65 || rest.back() != ']' ||
      rest.find_first_not_of("0123456789abcdef") != 64) {
    return false;
  }
  covered = bytes.substr(0, at);
  tagHex = rest.substr(0, 64);
  return true;
}

// An export and its shortcut copy as the tag reads them: the record is the
// export up to its tag line, a line feed, and the tag as an archive writes it.
class ExportTagFiles : public TaggedFiles {
 public:
  ExportTagFiles(const std::string& exportPath, std::string record)
      : m_strCopy(ExportShortcutCopy(exportPath)), m_strRecord(std::move(record)) {}
  bool Usable() const override { return true; }
  std::vector<File> Files() const override {
    const long long size = FileSize(m_strCopy);
    if (size < 0) return {};
    return {{kShortcutEntryName, static_cast<uint64_t>(size)}};
  }
  bool Read(const std::string& name, const Take& take) override {
    if (name.empty()) return take(m_strRecord.data(), m_strRecord.size());
    return name == kShortcutEntryName && ReadFileInBlocks(m_strCopy, take);
  }

 private:
  std::string m_strCopy;
  std::string m_strRecord;
};

std::string LastPart(const std::string& keyName) {
  const size_t slash = keyName.rfind('\\');
  return slash == std::string::npos ? keyName : keyName.substr(slash + 1);
}

std::string Parent(const std::string& path) {
  const size_t slash = path.rfind('\\');
  return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

size_t PartCount(const std::string& keyName) {
  std::vector<std::string> parts;
  return KeyNameComponents(keyName, parts) ? parts.size() : 0;
}

// True when `key` is exactly one key below one of the bases (HKLM, both views).
bool OneBelowMachineKey(const std::string& key, const char* base) {
  for (bool wow : {false, true}) {
    std::string full = std::string("HKEY_LOCAL_MACHINE\\") + base;
    if (wow) full.insert(std::string("HKEY_LOCAL_MACHINE\\SOFTWARE").size(), "\\Wow6432Node");
    if (KeyAtOrBelow(key, full) && PartCount(key) == PartCount(full) + 1) return true;
  }
  return false;
}

bool IsStartupKey(const std::string& key, bool approvedOnly) {
  for (const char* root : {"HKEY_CURRENT_USER\\", "HKEY_LOCAL_MACHINE\\"}) {
    std::vector<std::string> allowed = {StartupApprovedKey(kApprovedRun), StartupApprovedKey(kApprovedRun32),
                                        StartupApprovedKey(kApprovedStartupFolder)};
    if (!approvedOnly) {
      allowed.push_back(kRunKeyPath);
      allowed.push_back(kRunKeyPath32);
    }
    for (const std::string& path : allowed) {
      if (SameIgnoringAsciiCase(key, root + path)) return true;
    }
  }
  return false;
}

std::string TextOf(const RegValue& value) {
  std::string text;
  std::string data = value.data;
  while (data.size() >= 2 && data[data.size() - 1] == '\0' && data[data.size() - 2] == '\0') {
    data.resize(data.size() - 2);
  }
  if ((value.type == REG_SZ || value.type == REG_EXPAND_SZ) && Utf8FromUtf16Le(data.data(), data.size(), text)) {
    return text;
  }
  return "";
}

}  // namespace

const char* ManagerExportFolderName(ManagerExportKind kind) {
  switch (kind) {
    case ManagerExportKind::kBho: return "BHOBackup";
    case ManagerExportKind::kAddRemove: return "AddRemoveBackup";
    case ManagerExportKind::kStartup: return "StartupBackup";
    case ManagerExportKind::kNone: break;
  }
  return "";
}

ManagerExportKind ManagerExportKindOf(const std::string& path) {
  const std::string lower = LowerAsciiText(path);
  if (lower.size() < 4 || lower.compare(lower.size() - 4, 4, ".reg") != 0) return ManagerExportKind::kNone;
  const std::string folder = LastPart(Parent(path));
  for (ManagerExportKind kind :
       {ManagerExportKind::kBho, ManagerExportKind::kAddRemove, ManagerExportKind::kStartup}) {
    if (SameIgnoringAsciiCase(folder, ManagerExportFolderName(kind))) return kind;
  }
  return ManagerExportKind::kNone;
}

std::string ManagerExportFolder(const std::string& backupFolder, ManagerExportKind kind) {
  std::string folder = backupFolder;
  while (!folder.empty() && folder.back() == '\\') folder.pop_back();
  // Failures show later, as an export that cannot be written.
  CreateDirectoryW(WideText(folder).c_str(), nullptr);
  folder += std::string("\\") + ManagerExportFolderName(kind);
  CreateDirectoryW(WideText(folder).c_str(), nullptr);
  return folder;
}

std::string ManagerExportPath(const std::string& folder, const SYSTEMTIME& time, int attempt) {
  std::string path = folder + "\\" +
                     ArchiveBaseName(time.wMonth, time.wDay, time.wYear, time.wHour,
                                     time.wMinute, time.wSecond);
  if (attempt > 1) path += "_" + std::to_string(attempt);
  return path + ".reg";
}

std::string FreeManagerExportPath(const std::string& folder, const SYSTEMTIME& time) {
  // Never replace an earlier export: it may be the only copy of an entry.
  for (int attempt = 1; attempt <= 9999; ++attempt) {
    const std::string path = ManagerExportPath(folder, time, attempt);
    if (FileAttributes(path) == INVALID_FILE_ATTRIBUTES &&
        FileAttributes(ExportShortcutCopy(path)) == INVALID_FILE_ATTRIBUTES) {
      return path;
    }
  }
  return "";
}

std::string ExportShortcutCopy(const std::string& exportPath) {
  return exportPath.substr(0, exportPath.size() - 4) + ".lnk";
}

bool WriteManagerExport(const std::string& exportPath, const std::vector<RegKeyContents>& keys,
                        const std::vector<std::string>& comments, const std::string& shortcutFrom,
                        std::string& error) {
  std::string bytes;
  if (!WriteExportFile(keys, bytes, error)) return false;
  const std::string header = "\xFF\xFE" + Utf16(kHeaderLine);
  std::string commentBytes;
  for (const std::string& comment : comments) commentBytes += Utf16(comment + "\r\n");
  bytes.insert(header.size(), commentBytes);

  const std::string copy = ExportShortcutCopy(exportPath);
  auto fail = [&](const std::string& reason) {
    DeleteFileChecked(exportPath);
    if (!shortcutFrom.empty()) DeleteFileChecked(copy);
    error = reason;
    return false;
  };
  if (!shortcutFrom.empty()) {
    DWORD code = 0;
    if (!CopyFileTo(shortcutFrom, copy, false, &code)) {
      error = "the shortcut cannot be copied to " + copy + ": " + ErrorReason(code);
      return false;
    }
    if (CompareFileBytes(shortcutFrom, copy) != 1) return fail("the copy of the shortcut differs from it");
  }
  std::string key;
  if (LoadOrCreateArchiveKey(key)) {
    ExportTagFiles files(exportPath, bytes + "\n");
    std::string tagHex;
    if (ComputeArchiveTag(files, key, tagHex)) {
      bytes += Utf16(std::string(";") + kArchiveTagPrefix + tagHex + "]\r\n");
    }
  }
  if (!WriteNewFile(exportPath, bytes, true)) return fail("the file " + exportPath + " cannot be written");

  // Read back as restore will read it: it must hold exactly what was read.
  std::string written, parseError;
  ExportContents exported;
  if (!ReadWholeFile(exportPath, written) || written != bytes) {
    return fail("the export " + exportPath + " does not read back as written");
  }
  if (!ParseExportFile(written, exported, parseError)) {
    return fail("the export cannot be read back (" + parseError + ")");
  }
  const std::string difference = ExportDifference(exported, keys);
  if (!difference.empty()) return fail(difference);
  return true;
}

bool ReadManagerExport(const std::string& exportPath, ManagerExportFile& file, std::string& error) {
  // No manager's export is anywhere near this size: a larger file is no export of ours.
  const long long size = FileSize(exportPath);
  if (size < 0 || size > 64ll * 1024 * 1024 || !ReadWholeFile(exportPath, file.bytes)) {
    error = size > 0 ? "it is larger than any manager's backup" : "it cannot be read";
    return false;
  }
  std::string text;
  file.shortcutPath.clear();
  if (ExportFileText(file.bytes, text)) {
    const std::string marker = std::string("\n") + kShortcutComment;
    const size_t at = text.find(marker);
    if (at != std::string::npos) {
      const size_t start = at + marker.size();
      const size_t end = text.find_first_of("\r\n", start);
      file.shortcutPath = text.substr(start, end == std::string::npos ? std::string::npos : end - start);
    }
  }
  return true;
}

ArchiveTrust CheckManagerExportTag(const std::string& exportPath, const std::string& bytes,
                                   const std::vector<std::string>& keys) {
  std::string covered, tagHex;
  if (!SplitExportTag(bytes, covered, tagHex)) return ArchiveTrust::kUntagged;
  ExportTagFiles files(exportPath, covered + "\n" + kArchiveTagPrefix + tagHex + "]");
  return CheckArchiveTag(files, keys);
}

std::string ManagerExportRefusal(ManagerExportKind kind, const ExportContents& contents,
                                 const std::string& shortcutPath) {
  if (contents.inexactLine != 0) return contents.inexactReason;
  if (contents.valueDeletionLine != 0) return "it would delete a value";
  for (const ExportSection& section : contents.sections) {
    if (section.deletes) return "it would delete the key " + section.keyName;
  }
  if (kind == ManagerExportKind::kStartup) {
    for (const ExportSection& section : contents.sections) {
      if (!IsStartupKey(section.keyName, false)) {
        return "the key " + section.keyName + " is no Run key and no StartupApproved key";
      }
    }
    if (shortcutPath.empty()) return "";
    const StartupFolders folders = SystemStartupFolders();
    const std::string folder = Parent(shortcutPath);
    const bool inStartup = (!folders.user.empty() && SameIgnoringAsciiCase(folder, folders.user)) ||
                           (!folders.common.empty() && SameIgnoringAsciiCase(folder, folders.common));
    if (!inStartup) return "the shortcut " + shortcutPath + " is not in a Startup folder";
    return FileRefusal(shortcutPath, SystemDestinationFacts());
  }
  if (contents.sections.empty()) return "it holds no key";
  const std::string& first = contents.sections.front().keyName;
  if (kind == ManagerExportKind::kAddRemove) {
    if (!OneBelowMachineKey(first, kUninstallKey)) return "the key " + first + " is no Add/Remove entry";
    for (const ExportSection& section : contents.sections) {
      if (!KeyAtOrBelow(section.keyName, first)) return "the key " + section.keyName + " is not below " + first;
    }
    return "";
  }
  if (kind != ManagerExportKind::kBho) return "it is not in a manager's backup folder";
  if (!OneBelowMachineKey(first, kBhoKey)) return "the key " + first + " is no browser helper object";
  const std::string clsid = LastPart(first);
  for (const ExportSection& section : contents.sections) {
    if (!KeyAtOrBelow(section.keyName, first) &&
        !KeyAtOrBelow(section.keyName, "HKEY_CLASSES_ROOT\\CLSID\\" + clsid) &&
        !KeyAtOrBelow(section.keyName, "HKEY_CLASSES_ROOT\\Wow6432Node\\CLSID\\" + clsid)) {
      return "the key " + section.keyName + " is neither below " + first + " nor its class";
    }
  }
  return "";
}

std::string ManagerExportHolds(ManagerExportKind kind, const ExportContents& contents,
                               const std::string& shortcutPath) {
  std::string holds;
  if (kind == ManagerExportKind::kStartup) {
    if (!shortcutPath.empty()) return LastPart(shortcutPath);
    for (const ExportSection& section : contents.sections) {
      if (IsStartupKey(section.keyName, true)) continue;
      for (const RegValue& value : section.values) {
        holds += (holds.empty() ? "" : ", ") + (value.name.empty() ? std::string("(Default)") : value.name);
      }
    }
    return holds;
  }
  if (contents.sections.empty()) return "";
  const ExportSection& first = contents.sections.front();
  if (kind == ManagerExportKind::kAddRemove) {
    for (const RegValue& value : first.values) {
      if (SameIgnoringAsciiCase(value.name, "DisplayName") && !TextOf(value).empty()) return TextOf(value);
    }
  }
  return LastPart(first.keyName);
}
