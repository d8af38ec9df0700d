#include "backup/archive_key.h"

#include <windows.h>
#include <bcrypt.h>
#include <wincrypt.h>

#include <vector>

#include "core/product.h"

namespace {

constexpr const char* kKeyValue = "ArchiveKey";
constexpr size_t kKeyBytes = 32;
// Extra entropy: a blob lifted into another program's protected data does not
// unprotect as ours.
const char kEntropy[] = "Quillbane archive tags";

class SettingsKey {
 public:
  explicit SettingsKey(REGSAM access) {
    if (RegOpenKeyExA(HKEY_CURRENT_USER, qb::kSettingsKeyPath, 0, access, &m_hKey) !=
        ERROR_SUCCESS) {
      m_hKey = nullptr;
    }
  }
  ~SettingsKey() {
    if (m_hKey) RegCloseKey(m_hKey);
  }
  SettingsKey(const SettingsKey&) = delete;
  SettingsKey& operator=(const SettingsKey&) = delete;
  HKEY Get() const { return m_hKey; }

 private:
  HKEY m_hKey = nullptr;
};

// Memory the system allocated with LocalAlloc, freed on every path.
class LocalMemory {
 public:
  explicit LocalMemory(BYTE* memory) : m_pMemory(memory) {}
  ~LocalMemory() {
    if (m_pMemory) LocalFree(m_pMemory);
  }
  LocalMemory(const LocalMemory&) = delete;
  LocalMemory& operator=(const LocalMemory&) = delete;

 private:
  BYTE* m_pMemory;
};

// A view of bytes that outlive the blob.
DATA_BLOB Blob(const char* bytes, size_t size) {
  DATA_BLOB blob;
  blob.cbData = static_cast<DWORD>(size);
  blob.pbData = reinterpret_cast<BYTE*>(const_cast<char*>(bytes));
  return blob;
}

}  // namespace

bool LoadArchiveKey(std::string& key) {
  key.clear();
  SettingsKey settings(KEY_QUERY_VALUE);
  if (!settings.Get()) return false;
  DWORD type = 0, size = 0;
  if (RegQueryValueExA(settings.Get(), kKeyValue, nullptr, &type, nullptr, &size) !=
          ERROR_SUCCESS ||
      type != REG_BINARY || size == 0 || size > 4096) {
    return false;
  }
  std::string protectedBytes(size, '\0');
  if (RegQueryValueExA(settings.Get(), kKeyValue, nullptr, &type,
                       reinterpret_cast<BYTE*>(&protectedBytes[0]), &size) != ERROR_SUCCESS) {
    return false;
  }
  protectedBytes.resize(size);
  DATA_BLOB in = Blob(protectedBytes.data(), protectedBytes.size());
  DATA_BLOB entropy = Blob(kEntropy, sizeof(kEntropy) - 1), out = {0, nullptr};
  if (!CryptUnprotectData(&in, nullptr, &entropy, nullptr, nullptr, CRYPTPROTECT_UI_FORBIDDEN,
                          &out)) {
    return false;
  }
  LocalMemory owner(out.pbData);
  if (out.cbData != kKeyBytes) return false;
  key.assign(reinterpret_cast<const char*>(out.pbData), out.cbData);
  SecureZeroMemory(out.pbData, out.cbData);
  return true;
}

bool LoadOrCreateArchiveKey(std::string& key) {
  if (LoadArchiveKey(key)) return true;
  SettingsKey settings(KEY_SET_VALUE);
  if (!settings.Get()) return false;
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
  LocalMemory owner(out.pbData);
  if (RegSetValueExA(settings.Get(), kKeyValue, 0, REG_BINARY, out.pbData, out.cbData) !=
      ERROR_SUCCESS) {
    return false;
  }
  key.swap(fresh);
  return true;
}
