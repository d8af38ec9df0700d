#include "backup/archive_key.h"

#include <windows.h>
#include <bcrypt.h>
#include <wincrypt.h>

#include <vector>

#include "core/handles.h"
#include "core/product.h"

namespace {

constexpr const char* kKeyValue = "ArchiveKey";
// Keys that could not be read are kept as "ArchiveKey.<n>".
constexpr const char* kKeptPrefix = "ArchiveKey.";
constexpr size_t kKeyBytes = 32;
// Extra entropy: a blob lifted into another program's protected data does not
// unprotect as ours.
const char kEntropy[] = "Quillbane archive tags";

// The settings key with the access asked for; none when it cannot be opened.
KeyHandle OpenSettingsKey(REGSAM access) {
  HKEY hKey = nullptr;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, qb::kSettingsKeyPath, 0, access, &hKey) != ERROR_SUCCESS) {
    return KeyHandle();
  }
  return KeyHandle(hKey);
}

// A view of bytes that outlive the blob.
DATA_BLOB Blob(const char* bytes, size_t size) {
  DATA_BLOB blob;
  blob.cbData = static_cast<DWORD>(size);
  blob.pbData = reinterpret_cast<BYTE*>(const_cast<char*>(bytes));
  return blob;
}

// A value's type and bytes; false when it is not there or cannot be read.
bool ReadValue(HKEY hKey, const std::string& name, DWORD& type, std::string& bytes) {
  DWORD size = 0;
  if (RegQueryValueExA(hKey, name.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS) {
    return false;
  }
  bytes.assign(size, '\0');
  if (RegQueryValueExA(hKey, name.c_str(), nullptr, &type,
                       reinterpret_cast<BYTE*>(size ? &bytes[0] : nullptr), &size) != ERROR_SUCCESS) {
    return false;
  }
  bytes.resize(size);
  return true;
}

// The secret a stored value protects; false when it is not one.
bool Unprotect(DWORD type, const std::string& protectedBytes, std::string& key) {
  key.clear();
  if (type != REG_BINARY || protectedBytes.empty() || protectedBytes.size() > 4096) return false;
  DATA_BLOB in = Blob(protectedBytes.data(), protectedBytes.size());
  DATA_BLOB entropy = Blob(kEntropy, sizeof(kEntropy) - 1), out = {0, nullptr};
  if (!CryptUnprotectData(&in, nullptr, &entropy, nullptr, nullptr, CRYPTPROTECT_UI_FORBIDDEN,
                          &out)) {
    return false;
  }
  const LocalMemory<BYTE> owner(out.pbData);
  if (out.cbData != kKeyBytes) return false;
  key.assign(reinterpret_cast<const char*>(out.pbData), out.cbData);
  SecureZeroMemory(out.pbData, out.cbData);
  return true;
}

// The names of the keys kept aside, in the order they were kept.
std::vector<std::string> KeptKeyNames(HKEY hKey) {
  std::vector<std::string> names;
  for (unsigned number = 1; number < 10000; ++number) {
    const std::string name = kKeptPrefix + std::to_string(number);
    if (RegQueryValueExA(hKey, name.c_str(), nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) {
      break;
    }
    names.push_back(name);
  }
  return names;
}

// Copies the unreadable current value aside, unless an equal copy is there
// already (a run that ended between the copy and the new key). False when it
// could not be copied and read back.
bool KeepAside(HKEY hKey, DWORD type, const std::string& bytes) {
  const std::vector<std::string> kept = KeptKeyNames(hKey);
  for (const std::string& name : kept) {
    DWORD keptType = 0;
    std::string keptBytes;
    if (ReadValue(hKey, name, keptType, keptBytes) && keptType == type && keptBytes == bytes) {
      return true;
    }
  }
  const std::string name = kKeptPrefix + std::to_string(kept.size() + 1);
  if (RegSetValueExA(hKey, name.c_str(), 0, type, reinterpret_cast<const BYTE*>(bytes.data()),
                     static_cast<DWORD>(bytes.size())) != ERROR_SUCCESS) {
    return false;
  }
  DWORD copiedType = 0;
  std::string copied;
  return ReadValue(hKey, name, copiedType, copied) && copiedType == type && copied == bytes;
}

}  // namespace

bool LoadArchiveKey(std::string& key) {
  key.clear();
  const KeyHandle settings = OpenSettingsKey(KEY_QUERY_VALUE);
  DWORD type = 0;
  std::string stored;
  return settings.Get() && ReadValue(settings.Get(), kKeyValue, type, stored) &&
         Unprotect(type, stored, key);
}

std::vector<std::string> LoadArchiveKeys() {
  std::vector<std::string> keys;
  std::string key;
  if (LoadArchiveKey(key)) keys.push_back(key);
  const KeyHandle settings = OpenSettingsKey(KEY_QUERY_VALUE);
  if (!settings.Get()) return keys;
  for (const std::string& name : KeptKeyNames(settings.Get())) {
    DWORD type = 0;
    std::string stored;
    if (ReadValue(settings.Get(), name, type, stored) && Unprotect(type, stored, key)) {
      keys.push_back(key);
    }
  }
  return keys;
}

bool LoadOrCreateArchiveKey(std::string& key, bool* replaced) {
  if (replaced) *replaced = false;
  if (LoadArchiveKey(key)) return true;
  const KeyHandle settings = OpenSettingsKey(KEY_QUERY_VALUE | KEY_SET_VALUE);
  if (!settings.Get()) return false;
  DWORD type = 0;
  std::string unreadable;
  const bool present = ReadValue(settings.Get(), kKeyValue, type, unreadable);
  if (!present && RegQueryValueExA(settings.Get(), kKeyValue, nullptr, nullptr, nullptr, nullptr) !=
                      ERROR_FILE_NOT_FOUND) {
    return false;  // there, but not even its bytes can be read: leave it alone
  }
  if (present && !KeepAside(settings.Get(), type, unreadable)) return false;
  std::string fresh(kKeyBytes, '\0');
  if (BCryptGenRandom(nullptr, reinterpret_cast<PUCHAR>(&fresh[0]), kKeyBytes,
                      BCRYPT_USE_SYSTEM_PREFERRED_RNG) != 0) {
    return false;
  }
  DATA_BLOB in = Blob(fresh.data(), fresh.size());
  DATA_BLOB entropy = Blob(kEntropy, sizeof(kEntropy) - 1), out = {0, nullptr};
  if (!CryptProtectData(&in, L"Quillbane archive key", &entropy, nullptr, nullptr,
                        CRYPTPROTECT_UI_FORBIDDEN, &out)) {
    return false;
  }
  const LocalMemory<BYTE> owner(out.pbData);
  if (RegSetValueExA(settings.Get(), kKeyValue, 0, REG_BINARY, out.pbData, out.cbData) !=
      ERROR_SUCCESS) {
    return false;
  }
  key.swap(fresh);
  if (replaced) *replaced = present;
  return true;
}
