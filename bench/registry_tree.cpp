#include "registry_tree.h"

#include <algorithm>
#include <random>

namespace {

const char* const kVendors[] = {"Harrow Labs", "Quenby", "Talmont Systems", "Orrin", "Vessel Audio",
                                "Brackwater", "Pellham Data", "Ninefold", "Caddis", "Lumen Works"};
const char* const kProducts[] = {"Studio", "Sync", "Viewer", "Agent", "Toolkit",
                                 "Player", "Update", "Backup", "Editor", "Driver Pack"};
const char* const kFileNames[] = {"app.exe", "bin\\core.dll", "bin\\helper.exe", "uninstall.exe",
                                  "docs\\readme.txt"};
const char* const kKeyNames[] = {"Settings", "Components", "Plugins", "1.0", "Recent", "Options",
                                 "{6F3A1B2C-8D4E-4F5A-9B6C-7D8E9F0A1B2C}", "Capabilities",
                                 "Defaults", "Profiles", "Cache", "Layout", "Modules"};
const char* const kValueNames[] = {"InstallLocation", "DisplayIcon", "Path", "Version", "Language",
                                   "LastUsed", "Enabled", "Publisher", "Url", "Options", "Mode",
                                   "DataFolder", "Theme", "Flags", "Id"};
const char* const kWords[] = {"Default", "en-US", "1.4.2.118", "{2B8E4C61-0F3D-4A7B-A1C9-5E6D7F8091AB}",
                              "https://support.example.com/help", "Enabled", "", "20240115",
                              "Standard edition for workstations", "x64", "Portable"};

constexpr const char* kRemovedVendor = "C:\\Program Files\\Dunmore Software";

bool MakeFile(const std::string& path) {
  for (size_t slash = path.find('\\', 3); slash != std::string::npos;
       slash = path.find('\\', slash + 1)) {
    CreateDirectoryA(path.substr(0, slash).c_str(), nullptr);
  }
  HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  CloseHandle(h);
  return true;
}

void Programs(const std::string& base, int count, std::vector<std::string>& out) {
  for (int p = 0; p < count; ++p) {
    const std::string folder = base + "\\" + kVendors[p % 10] + "\\" + kProducts[(p / 10) % 10] +
                               " " + std::to_string(p / 100 + 1);
    for (const char* name : kFileNames) {
      if (MakeFile(folder + "\\" + name)) out.push_back(folder + "\\" + name);
    }
    out.push_back(folder + "\\");  // an install location
  }
}

class TreeWriter {
 public:
  TreeWriter(long budget, unsigned seed, const BenchFiles& files)
      : m_budget(budget), m_random(seed), m_files(files) {}

  // A vendor's tree below `parent`; false once the value budget is spent.
  bool Vendor(HKEY parent, int index, bool wow64) {
    // What an uninstalled program left behind stands together: the stale values
    // of a vendor's tree name the files of one removed program.
    m_removed = Between(0, static_cast<int>(m_files.removed.size() / 5) - 1) * 5;
    return Key(parent, std::string(kVendors[index % 10]) + " " + std::to_string(index), 1, wow64);
  }
  const TreeCounts& Counts() const { return m_counts; }

 private:
  int Between(int low, int high) { return std::uniform_int_distribution<int>(low, high)(m_random); }
  double Chance() { return std::uniform_real_distribution<double>(0.0, 1.0)(m_random); }
  template <typename T, size_t N>
  const char* Pick(T (&items)[N]) { return items[Between(0, static_cast<int>(N) - 1)]; }

  bool Key(HKEY parent, const std::string& name, int depth, bool wow64) {
    if (m_budget <= 0) return false;
    HKEY key = nullptr;
    if (RegCreateKeyExA(parent, name.c_str(), 0, nullptr, REG_OPTION_VOLATILE, KEY_ALL_ACCESS,
                        nullptr, &key, nullptr) != ERROR_SUCCESS) {
      return false;
    }
    ++m_counts.keys;
    if (wow64) ++m_counts.keys32;
    // Leaves stand at depth 4 to 12: every key above 4 has children, and below it
    // fewer and fewer do.
    int children = 0;
    if (depth < 4) {
      children = Between(2, 4);
    } else if (depth < 12 && Chance() < 0.45) {
      children = Between(1, 3);
    }
    for (int c = 0; c < children && m_budget > 0; ++c) {
      Key(key, std::string(Pick(kKeyNames)) + (c ? " " + std::to_string(c) : ""), depth + 1, wow64);
    }
    const int values = static_cast<int>(std::min<long>(Between(5, 40), m_budget));
    for (int v = 0; v < values; ++v) Value(key, v, wow64);
    m_budget -= values;
    RegCloseKey(key);
    return m_budget > 0;
  }

  void Put(HKEY key, const std::string& name, DWORD type, const void* data, size_t size) {
    RegSetValueExA(key, name.c_str(), 0, type, static_cast<const BYTE*>(data),
                   static_cast<DWORD>(size));
    ++m_counts.values;
  }
  void PutText(HKEY key, const std::string& name, const std::string& text, DWORD type = REG_SZ) {
    Put(key, name, type, text.c_str(), text.size() + 1);
    if (type == REG_SZ) ++m_counts.texts;
  }

  // A path written the ways registrations write them.
  std::string PathText(const std::string& file) {
    const double form = Chance();
    if (form < 0.40) return file;
    if (form < 0.60) return "\"" + file + "\" /background";
    if (form < 0.75) return file + ",0";
    if (form < 0.85) return file.substr(0, file.rfind('\\') + 1);
    std::string lower = file;
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; });
    return lower;
  }

  void Value(HKEY key, int index, bool wow64) {
    const std::string name =
        index == 0 && Chance() < 0.3 ? std::string()
                                     : std::string(Pick(kValueNames)) + std::to_string(index);
    // Exactly one value in a hundred is stale, the rest drawn by their shares.
    if (++m_serial % 100 == 37) {
      PutText(key, name, PathText(m_files.removed[m_removed + Between(0, 4)]));
      ++m_counts.paths;
      ++m_counts.stale;
      return;
    }
    const double kind = Chance() * 0.99;
    if (kind < 0.7 / 3 - 0.01) {
      const std::vector<std::string>& pool =
          Chance() < 0.3 ? m_files.system : (wow64 ? m_files.programs32 : m_files.programs64);
      PutText(key, name, PathText(pool[Between(0, static_cast<int>(pool.size()) - 1)]));
      ++m_counts.paths;
    } else if (kind < 0.69) {
      std::string text = Pick(kWords);
      // A few long texts: descriptions, serialized settings.
      if (Chance() < 0.01) text = std::string(static_cast<size_t>(Between(300, 2000)), 'x');
      PutText(key, name, text);
    } else if (kind < 0.89) {
      const DWORD number = static_cast<DWORD>(Between(0, 100000));
      Put(key, name, REG_DWORD, &number, sizeof(number));
    } else if (kind < 0.94) {
      std::string bytes(static_cast<size_t>(Between(8, 200)), '\x5a');
      Put(key, name, REG_BINARY, bytes.data(), bytes.size());
    } else if (kind < 0.97) {
      PutText(key, name, "%SystemRoot%\\system32\\gone" + std::to_string(m_serial) + ".dll",
              REG_EXPAND_SZ);
    } else {
      static const char kList[] = "first\0second\0third\0";
      Put(key, name, REG_MULTI_SZ, kList, sizeof(kList));
    }
  }

  long m_budget;
  long m_serial = 0;
  int m_removed = 0;
  std::mt19937 m_random;
  const BenchFiles& m_files;
  TreeCounts m_counts;
};

}  // namespace

BenchFiles MakeBenchFiles() {
  BenchFiles files;
  Programs("C:\\Program Files", 300, files.programs64);
  Programs("C:\\Program Files (x86)", 100, files.programs32);

  // System files, also where a 32-bit program finds them (this prefix has no
  // 32-bit half, so SysWOW64 is empty).
  char windows[MAX_PATH] = {};
  GetWindowsDirectoryA(windows, MAX_PATH);
  const std::string system32 = std::string(windows) + "\\system32\\";
  WIN32_FIND_DATAA entry;
  HANDLE search = FindFirstFileA((system32 + "*.dll").c_str(), &entry);
  for (bool more = search != INVALID_HANDLE_VALUE; more && files.system.size() < 300;
       more = FindNextFileA(search, &entry)) {
    files.system.push_back(system32 + entry.cFileName);
    MakeFile(std::string(windows) + "\\SysWOW64\\" + entry.cFileName);
  }
  if (search != INVALID_HANDLE_VALUE) FindClose(search);

  for (int p = 0; p < 400; ++p) {
    const std::string folder = std::string(kRemovedVendor) + "\\" + kProducts[p % 10] + " " +
                               std::to_string(p) + "\\";
    for (const char* name : kFileNames) {
      if (MakeFile(folder + name)) files.removed.push_back(folder + name);
    }
  }
  return files;
}

bool SetRemovedPresent(bool present) {
  const std::string away = std::string(kRemovedVendor) + ".removed";
  return present ? MoveFileA(away.c_str(), kRemovedVendor) != FALSE
                 : MoveFileA(kRemovedVendor, away.c_str()) != FALSE;
}

TreeCounts BuildRegistryTree(HKEY root, long values, unsigned seed, const BenchFiles& files) {
  HKEY software = nullptr, wow64 = nullptr;
  RegCreateKeyExA(root, "SOFTWARE", 0, nullptr, REG_OPTION_VOLATILE, KEY_ALL_ACCESS, nullptr,
                  &software, nullptr);
  RegCreateKeyExA(software, "Wow6432Node", 0, nullptr, REG_OPTION_VOLATILE, KEY_ALL_ACCESS, nullptr,
                  &wow64, nullptr);
  TreeWriter writer(values, seed, files);
  for (int vendor = 0;; ++vendor) {
    const bool in32 = vendor % 7 == 3;
    if (!writer.Vendor(in32 ? wow64 : software, vendor, in32)) break;
  }
  RegCloseKey(wow64);
  RegCloseKey(software);
  TreeCounts counts = writer.Counts();
  counts.keys += 2;
  return counts;
}
