#include "backup/reg_key_transfer.h"

#include <algorithm>
#include <cstdlib>

#include "backup/file_utils.h"
#include "backup/reg_export_check.h"
#include "backup/reg_export_writer.h"
#include "core/ascii_case.h"
#include "core/handles.h"
#include "core/registry.h"

namespace {

// A name the registry gave as UTF-8; false for lone surrogates, which no text of
// this program (and no export the strict reader takes) can carry.
bool NameText(const wchar_t* name, DWORD length, std::string& utf8) {
  return Utf8FromUtf16Le(reinterpret_cast<const char*>(name), length * sizeof(wchar_t), utf8);
}

std::wstring WideName(const std::string& utf8) {
  std::string bytes;
  Utf16LeFromUtf8(utf8, bytes);
  return std::wstring(reinterpret_cast<const wchar_t*>(bytes.data()), bytes.size() / sizeof(wchar_t));
}

bool ReadValues(HKEY hKey, RegKeyContents& key, std::string& error) {
  DWORD maxData = 0;
  RegQueryInfoKeyW(hKey, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                   &maxData, nullptr, nullptr);
  std::vector<wchar_t> name(16384);  // the longest value name the registry allows, and its NUL
  std::vector<BYTE> data(maxData + 2);
  for (DWORD index = 0;;) {
    DWORD nameLength = static_cast<DWORD>(name.size());
    DWORD size = static_cast<DWORD>(data.size());
    DWORD type = 0;
    const LONG rc = RegEnumValueW(hKey, index, name.data(), &nameLength, nullptr, &type,
                                  data.data(), &size);
    if (rc == ERROR_NO_MORE_ITEMS) return true;
    if (rc == ERROR_MORE_DATA) {  // the value grew since the key was measured
      data.resize(std::max<size_t>(size + 2, data.size() * 2));
      continue;
    }
    if (rc != ERROR_SUCCESS) {
      error = "the values of " + key.keyName + " cannot be read: " + ErrorReason(rc);
      return false;
    }
    RegValue value;
    if (!NameText(name.data(), nameLength, value.name)) {
      error = "a value name of " + key.keyName + " is no valid Unicode text";
      return false;
    }
    value.type = type;
    value.data.assign(reinterpret_cast<const char*>(data.data()), size);
    key.values.push_back(std::move(value));
    ++index;
  }
}

bool ReadTree(HKEY hKey, const std::string& fullName, std::vector<RegKeyContents>& keys,
              std::string& error) {
  keys.emplace_back();
  keys.back().keyName = fullName;
  if (!ReadValues(hKey, keys.back(), error)) return false;
  std::vector<std::string> subKeys;
  std::vector<wchar_t> name(512);  // key names are at most 255 characters
  for (DWORD index = 0;; ++index) {
    DWORD length = static_cast<DWORD>(name.size());
    const LONG rc = RegEnumKeyExW(hKey, index, name.data(), &length, nullptr, nullptr, nullptr, nullptr);
    if (rc == ERROR_NO_MORE_ITEMS) break;
    std::string subKey;
    if (rc != ERROR_SUCCESS) {
      error = "the subkeys of " + fullName + " cannot be read: " + ErrorReason(rc);
      return false;
    }
    if (!NameText(name.data(), length, subKey)) {
      error = "a subkey name of " + fullName + " is no valid Unicode text";
      return false;
    }
    subKeys.push_back(subKey);
  }
  for (const std::string& subKey : subKeys) {
    CRegistry child;
    if (!child.OpenKeyForReading(hKey, subKey)) {
      error = "the key " + fullName + "\\" + subKey + " cannot be read";
      return false;
    }
    if (!ReadTree(child.Handle(), fullName + "\\" + subKey, keys, error)) return false;
  }
  return true;
}

std::string TrimmedPath(std::string keyPath) {
  while (!keyPath.empty() && keyPath.back() == '\\') keyPath.pop_back();
  return keyPath;
}

HKEY RootFromName(const std::string& fullKeyName, std::string& path) {
  const size_t slash = fullKeyName.find('\\');
  const std::string root = fullKeyName.substr(0, slash);
  path = slash == std::string::npos ? "" : fullKeyName.substr(slash + 1);
  const std::pair<const char*, HKEY> roots[] = {
      {"HKEY_LOCAL_MACHINE", HKEY_LOCAL_MACHINE}, {"HKEY_CURRENT_USER", HKEY_CURRENT_USER},
      {"HKEY_CLASSES_ROOT", HKEY_CLASSES_ROOT},   {"HKEY_USERS", HKEY_USERS},
      {"HKEY_CURRENT_CONFIG", HKEY_CURRENT_CONFIG}};
  for (const auto& known : roots) {
    if (SameIgnoringAsciiCase(root, known.first)) return known.second;
  }
  return nullptr;
}

bool WriteSection(const ExportSection& section, std::string& error) {
  std::string path;
  CRegistry key(RootFromName(section.keyName, path));
  if (!key.CreateKey(path, true)) {
    error = "the key " + section.keyName + " cannot be created";
    return false;
  }
  for (const RegValue& value : section.values) {
    // The system adds a NUL to text data that seems to lack one when the memory
    // after it holds a NUL: a guard of other bytes keeps the data as it is.
    std::vector<BYTE> data(value.data.begin(), value.data.end());
    data.resize(data.size() + 2, 0xFF);
    const LONG rc = RegSetValueExW(key.Handle(), value.name.empty() ? nullptr : WideName(value.name).c_str(),
                                   0, value.type, data.data(), static_cast<DWORD>(value.data.size()));
    if (rc != ERROR_SUCCESS) {
      error = "a value of " + section.keyName + " cannot be written: " + ErrorReason(rc);
      return false;
    }
  }
  return true;
}

}  // namespace

bool ReadKeyTree(HKEY root, const std::string& keyPath, std::vector<RegKeyContents>& keys,
                 std::string& error) {
  keys.clear();
  const std::string rootName = RootKeyName(root);
  const std::string path = TrimmedPath(keyPath);
  if (rootName.empty()) {
    error = "the key is under a root this program does not name";
    return false;
  }
  const std::string fullName = path.empty() ? rootName : rootName + "\\" + path;
  CRegistry key;
  if (!key.OpenKeyForReading(root, path)) {
    error = "the key " + fullName + " cannot be read";
    return false;
  }
  return ReadTree(key.Handle(), fullName, keys, error);
}

bool ExportKeyBytes(HKEY root, const std::string& keyPath, std::vector<RegKeyContents>& keys,
                    std::string& bytes, std::string& error) {
  return ReadKeyTree(root, keyPath, keys, error) && WriteExportFile(keys, bytes, error);
}

bool ExportKeyToFile(HKEY root, const std::string& keyPath, const std::string& exportFile,
                     std::string& error) {
  std::vector<RegKeyContents> keys;
  std::string bytes;
  const DWORD gone = DeleteFileChecked(exportFile);
  if (gone != ERROR_SUCCESS && !IsNotFoundError(gone)) {
    error = "an earlier file " + exportFile + " cannot be replaced: " + ErrorReason(gone);
    return false;
  }
  if (!ExportKeyBytes(root, keyPath, keys, bytes, error)) return false;
  if (!WriteNewFile(exportFile, bytes, false)) {
    DeleteFileChecked(exportFile);
    error = "the file " + exportFile + " cannot be written";
    return false;
  }
  return true;
}

std::string ExportedKeyDifference(const std::string& exportFile, HKEY root,
                                  const std::string& keyPath, ExportContents* exported) {
  std::string bytes;
  if (!ReadWholeFile(exportFile, bytes)) return "the export " + exportFile + " cannot be read";
  std::vector<RegKeyContents> live;
  std::string error;
  if (!ReadKeyTree(root, keyPath, live, error)) return error;
  return ExportBytesDifference(bytes, live, exported);
}

std::string ExportBytesDifference(const std::string& bytes, const std::vector<RegKeyContents>& keys,
                                  ExportContents* exported) {
  std::string error;
  ExportContents read;
  ExportContents& contents = exported ? *exported : read;
  if (!ParseExportFile(bytes, contents, error)) return "the export cannot be read (" + error + ")";
  return ExportDifference(contents, keys);
}

CodePageDecoder SystemCodePageDecoder() {
  UINT codePage = CP_ACP;
  std::string number;
  CRegistry nls;
  if (nls.OpenKeyForReading(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Control\\Nls\\CodePage") &&
      nls.QueryStringValue("ACP", number) && !number.empty()) {
    codePage = static_cast<UINT>(std::strtoul(number.c_str(), nullptr, 10));
  }
  return [codePage](const std::string& text, std::string& utf16le) {
    const int size = static_cast<int>(text.size());
    const int length = MultiByteToWideChar(codePage, 0, text.data(), size, nullptr, 0);
    if (length <= 0) return false;
    std::wstring wide(static_cast<size_t>(length), L'\0');
    MultiByteToWideChar(codePage, 0, text.data(), size, &wide[0], length);
    utf16le.assign(reinterpret_cast<const char*>(wide.data()), wide.size() * sizeof(wchar_t));
    return true;
  };
}

bool ImportExportFile(const std::string& fileBytes, const std::string& confinementKey,
                      std::string& error, const CodePageDecoder& decoder) {
  ExportContents contents;
  if (!ParseExportFile(fileBytes, contents, error, decoder)) {
    error = "the export cannot be read (" + error + ")";
    return false;
  }
  return ImportExportContents(contents, confinementKey, error);
}

bool ImportExportContents(const ExportContents& contents, const std::string& confinementKey,
                          std::string& error) {
  error = ImportRefusal(contents, confinementKey);
  if (!error.empty()) return false;
  return WriteExportSections(contents.sections, error);
}

bool WriteExportSections(const std::vector<ExportSection>& sections, std::string& error) {
  for (const ExportSection& section : sections) {
    if (!WriteSection(section, error)) return false;
  }
  return true;
}
