// Scan benchmark: the full registry scan against a bare walk of the same keys and
// values, and the shortcut scan against a bare find-file walk that resolves the
// same links (with the same resolve and path flags), each pair in the same run.
// Reports ratios (best of seven alternating rounds: the machine is shared) and
// memory. Both scans are the pause-free ones. QB_BENCH_ROUNDS=1 prints each round.
//
// Runs under Wine in a throwaway prefix (bench/run-bench); the registry tree is
// built below HKCU\Software\QuillbaneBench and HKEY_LOCAL_MACHINE is redirected
// onto it, so the prefix's own registry is left alone.

#include <windows.h>
#include <objbase.h>
#include <psapi.h>
#include <shlobj.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "scan/scan_host.h"
#include "scan/section_scanner.h"

namespace {

// What the console host does per item when nobody watches a progress line.
class CountingHost : public ScanHost {
 public:
  void ReportProblem(std::unique_ptr<ProblemRecord> record) override {
    records.push_back(std::move(record));
  }
  void ShowStatus(const std::string&) override { ++statuses; }
  void PumpInput() override {}
  std::vector<std::unique_ptr<ProblemRecord>> records;
  long statuses = 0;
};

double Seconds(const std::function<void()>& work) {
  const auto start = std::chrono::steady_clock::now();
  work();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// The best of several alternating runs of each, so both see a warm cache.
void Compare(const char* what, const std::function<void()>& scan,
             const std::function<void()>& bare, int rounds) {
  double bestScan = 1e9, bestBare = 1e9;
  for (int i = 0; i < rounds; ++i) {
    const double b = Seconds(bare), s = Seconds(scan);
    char verbose[8] = {};
    if (GetEnvironmentVariableA("QB_BENCH_ROUNDS", verbose, sizeof(verbose)) && verbose[0]) std::printf("  round %d: scan %.3f bare %.3f\n", i, s, b);
    bestBare = std::min(bestBare, b);
    bestScan = std::min(bestScan, s);
  }
  std::printf("%-34s scan %.3f s, bare %.3f s, ratio %.2f\n", what, bestScan, bestBare,
              bestScan / bestBare);
}

size_t PeakWorkingSetMb() {
  PROCESS_MEMORY_COUNTERS counters = {};
  counters.cb = sizeof(counters);
  GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof(counters));
  return counters.PeakWorkingSetSize >> 20;
}

size_t PrivateMb() {
  PROCESS_MEMORY_COUNTERS counters = {};
  counters.cb = sizeof(counters);
  GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof(counters));
  return counters.PagefileUsage >> 20;
}

void PutString(HKEY key, const std::string& name, const std::string& text, DWORD type = REG_SZ) {
  RegSetValueExA(key, name.c_str(), 0, type, reinterpret_cast<const BYTE*>(text.c_str()),
                 static_cast<DWORD>(text.size() + 1));
}

// A tree of 10 x 10 x 10 keys below SOFTWARE with `perKey` values in each leaf:
// mostly plain texts and numbers, some existing paths, and `staleEvery` (0 for
// none) making one in so many a path that does not exist.
void BuildRegistry(HKEY machine, int perKey, int staleEvery) {
  HKEY software = nullptr;
  RegCreateKeyExA(machine, "SOFTWARE", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &software, nullptr);
  int n = 0;
  for (int a = 0; a < 10; ++a) {
    for (int b = 0; b < 10; ++b) {
      for (int c = 0; c < 10; ++c) {
        const std::string path = "Vendor" + std::to_string(a) + "\\Product" + std::to_string(b) +
                                 "\\Part" + std::to_string(c);
        HKEY key = nullptr;
        RegCreateKeyExA(software, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                        nullptr);
        for (int v = 0; v < perKey; ++v, ++n) {
          const std::string name = "Value" + std::to_string(v);
          if (staleEvery && n % staleEvery == 0) {
            PutString(key, name, "C:\\QbBench\\gone\\app" + std::to_string(n) + ".exe");
          } else if (n % 10 == 1) {
            PutString(key, name, "C:\\windows\\system32\\notepad.exe");
          } else if (n % 10 == 2) {
            const DWORD number = static_cast<DWORD>(n);
            RegSetValueExA(key, name.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number),
                           sizeof(number));
          } else if (n % 10 == 3) {
            PutString(key, name, "%SystemRoot%\\system32\\x.dll", REG_EXPAND_SZ);
          } else {
            PutString(key, name, "Some setting text " + std::to_string(n));
          }
        }
        RegCloseKey(key);
      }
    }
  }
  RegCloseKey(software);
}

// Opens the same keys and reads the same values as the full scan, nothing more.
long BareRegistryWalk(HKEY key) {
  DWORD subKeys = 0, values = 0;
  RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, &subKeys, nullptr, nullptr, &values, nullptr,
                   nullptr, nullptr, nullptr);
  long read = 0;
  for (DWORD i = 0; i < subKeys; ++i) {
    char name[256];
    DWORD length = 255;
    if (RegEnumKeyExA(key, i, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) {
      continue;
    }
    HKEY sub = nullptr;
    if (RegOpenKeyExA(key, name, 0, KEY_ALL_ACCESS, &sub) != ERROR_SUCCESS) continue;
    read += BareRegistryWalk(sub);
    RegCloseKey(sub);
  }
  static char valueName[16384];
  for (DWORD i = 0; i < values; ++i) {
    char data[260];
    DWORD nameLength = 16383, size = sizeof(data), type = 0;
    if (RegEnumValueA(key, i, valueName, &nameLength, nullptr, &type,
                      reinterpret_cast<BYTE*>(data), &size) == ERROR_SUCCESS) {
      ++read;
    }
  }
  return read;
}

void RegistryBench(HKEY benchRoot) {
  HKEY machine = nullptr;
  RegCreateKeyExA(benchRoot, "HKLM", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &machine, nullptr);
  RegOverridePredefKey(HKEY_LOCAL_MACHINE, machine);

  // Memory first: a clean tree of 10,000 values, then one of 100,000.
  BuildRegistry(machine, 10, 0);
  {
    CountingHost host;
    SectionScanner scanner(&host);
    scanner.StartScan();
    const size_t before = PrivateMb();
    scanner.ScanMachineSoftware(0);
    std::printf("clean 10,000 values:  private %zu MB -> %zu MB, %zu problems\n", before,
                PrivateMb(), host.records.size());
  }
  BuildRegistry(machine, 100, 0);
  {
    CountingHost host;
    SectionScanner scanner(&host);
    scanner.StartScan();
    const size_t before = PrivateMb();
    scanner.ScanMachineSoftware(0);
    std::printf("clean 100,000 values: private %zu MB -> %zu MB, %zu problems, %ld items\n",
                before, PrivateMb(), host.records.size(), host.statuses);
  }
  {
    HKEY software = nullptr;
    RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE", 0, KEY_ALL_ACCESS, &software);
    Compare("full registry scan, clean tree",
            [&] {
              CountingHost host;
              SectionScanner scanner(&host);
              scanner.StartScan();
              scanner.ScanMachineSoftware(0);
            },
            [&] { BareRegistryWalk(software); }, 7);
    RegCloseKey(software);
  }

  // Timing: the same tree with one value in a hundred stale.
  BuildRegistry(machine, 100, 100);
  HKEY software = nullptr;
  RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE", 0, KEY_ALL_ACCESS, &software);
  size_t problems = 0;
  Compare("full registry scan (100,000 values)",
          [&] {
            CountingHost host;
            SectionScanner scanner(&host);
            scanner.StartScan();
            scanner.ScanMachineSoftware(0);
            problems = host.records.size();
          },
          [&] { BareRegistryWalk(software); }, 7);
  std::printf("  problems found: %zu\n", problems);
  RegCloseKey(software);

  RegOverridePredefKey(HKEY_LOCAL_MACHINE, nullptr);
  RegCloseKey(machine);
}

bool MakeShortcut(const std::string& linkPath, const std::string& target) {
  IShellLinkA* link = nullptr;
  if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                              reinterpret_cast<void**>(&link)))) {
    return false;
  }
  IPersistFile* file = nullptr;
  wchar_t wide[MAX_PATH] = {};
  MultiByteToWideChar(CP_ACP, 0, linkPath.c_str(), -1, wide, MAX_PATH);
  const bool ok = SUCCEEDED(link->SetPath(target.c_str())) &&
                  SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file))) &&
                  SUCCEEDED(file->Save(wide, TRUE));
  if (file) file->Release();
  link->Release();
  return ok;
}

// 100 folders of 100 files, ten of them shortcuts (half of those dead).
void BuildTree(const std::string& root) {
  CreateDirectoryA(root.c_str(), nullptr);
  const std::string target = root + "\\target.exe";
  HANDLE t = CreateFileA(target.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  CloseHandle(t);
  for (int f = 0; f < 100; ++f) {
    const std::string folder = root + "\\Folder" + std::to_string(f / 10) + "\\Sub" + std::to_string(f);
    CreateDirectoryA((root + "\\Folder" + std::to_string(f / 10)).c_str(), nullptr);
    CreateDirectoryA(folder.c_str(), nullptr);
    for (int i = 0; i < 100; ++i) {
      if (i < 10) {
        MakeShortcut(folder + "\\link" + std::to_string(i) + ".lnk",
                     i % 2 ? target : root + "\\gone" + std::to_string(f) + ".exe");
      } else {
        const std::string file = folder + "\\file" + std::to_string(i) + ".txt";
        HANDLE h = CreateFileA(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        DWORD written = 0;
        WriteFile(h, "data", 4, &written, nullptr);
        CloseHandle(h);
      }
    }
  }
}

long BareShortcutWalk(const std::string& folder) {
  WIN32_FIND_DATAA entry;
  HANDLE search = FindFirstFileA((folder + "\\*.*").c_str(), &entry);
  if (search == INVALID_HANDLE_VALUE) return 0;
  long links = 0;
  do {
    const std::string name = entry.cFileName;
    if (name == "." || name == "..") continue;
    const std::string full = folder + "\\" + name;
    if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      links += BareShortcutWalk(full);
    } else if (full.size() > 4 && full.compare(full.size() - 4, 4, ".lnk") == 0) {
      IShellLinkA* link = nullptr;
      IPersistFile* file = nullptr;
      if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER,
                                     IID_IShellLinkA, reinterpret_cast<void**>(&link))) &&
          SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
        wchar_t wide[MAX_PATH] = {};
        MultiByteToWideChar(CP_ACP, 0, full.c_str(), -1, wide, MAX_PATH);
        char target[MAX_PATH];
        WIN32_FIND_DATAA found;
        if (SUCCEEDED(file->Load(wide, STGM_READ)) &&
            SUCCEEDED(link->Resolve(nullptr, SLR_NO_UI | SLR_ANY_MATCH | SLR_UPDATE | SLR_NOUPDATE | SLR_NOSEARCH)) &&
            SUCCEEDED(link->GetPath(target, MAX_PATH, &found, SLGP_SHORTPATH))) {
          ++links;
        }
      }
      if (file) file->Release();
      if (link) link->Release();
    }
  } while (FindNextFileA(search, &entry));
  FindClose(search);
  return links;
}

void ShortcutBench() {
  const std::string root = "C:\\QbBench";
  BuildTree(root);
  size_t problems = 0;
  long links = 0;
  Compare("shortcut scan (10,000 files)",
          [&] {
            CountingHost host;
            SectionScanner scanner(&host);
            scanner.StartScan();
            scanner.ScanFolderForShortcuts(root);
            problems = host.records.size();
          },
          [&] { links = BareShortcutWalk(root); }, 7);
  std::printf("  shortcuts resolved by the bare walk: %ld, problems found: %zu\n", links, problems);
}

}  // namespace

int main() {
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  HKEY software = nullptr;
  RegOpenKeyExA(HKEY_CURRENT_USER, "Software", 0, KEY_ALL_ACCESS, &software);
  HKEY benchRoot = nullptr;
  RegCreateKeyExA(software, "QuillbaneBench", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &benchRoot,
                  nullptr);

  RegistryBench(benchRoot);
  ShortcutBench();
  std::printf("peak working set: %zu MB\n", PeakWorkingSetMb());

  RegCloseKey(benchRoot);
  RegDeleteTreeA(software, "QuillbaneBench");
  RegCloseKey(software);
  CoUninitialize();
  return 0;
}
