// Scan benchmark: the full registry scan against a bare walk of the same keys and
// values, and the shortcut scan against a bare find-file walk that reads the same
// links' targets, each pair on the same tree in the same run: 7 to 21 alternating
// rounds (the machine is shared; more for the shorter trees), the median of the
// rounds' ratios, and the private bytes before and after the first scan of each
// tree. Prints one table.
//
// Trees: a registry of 100,000 and one of 1,000,000 values shaped like a real
// machine's (bench/registry_tree.h), each scanned clean and with one value in a
// hundred stale; shortcut trees of 10,000 and 100,000 files. Both scans are the
// pause-free ones, run with what the console host does per item when nobody
// watches a progress line.
//
// Runs under Wine in a throwaway prefix (bench/run-bench); the registry trees are
// built below HKCU\Software\QuillbaneBench, HKEY_LOCAL_MACHINE is redirected onto
// one at a time, and the sandbox is removed at the end.
//
// QB_BENCH_ROUNDS=1 prints every round. QB_BENCH_PROFILE=scan|bare|links|linkwalk
// builds the 1,000,000-value registry (or the 100,000-file tree) and runs only
// that side, for a profiler; QB_BENCH_PROFILE=ratio measures that registry alone,
// and QB_BENCH_PROFILE=probe times the full scan's test of single path texts.
// There QB_BENCH_VALUES=N builds N values instead, and QB_BENCH_CLEAN=1 leaves
// the removed programs' files in place.

#include <windows.h>
#include <objbase.h>
#include <psapi.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "bare_walks.h"
#include "registry_tree.h"
#include "scan/exclusion_list.h"
#include "scan/entry_findings.h"
#include "scan/path_probe.h"
#include "scan/scan_events.h"
#include "scan/section_registry.h"
#include "scan/section_scanner.h"

namespace {

// The console's per-item work when no progress line is shown: reports go
// through the exclusion test into a store, no status text is wanted.
class BenchHost : public ScanEvents {
 public:
  bool ProgressWanted() override { return false; }
  size_t Filed() const { return static_cast<size_t>(store.totalProblems()); }
  SectionCatalogue catalogue{RegisteredSections()};
  ProblemStore store{catalogue, IsExcluded, nullptr};
};

std::string Env(const char* name) {
  char value[64] = {};
  const DWORD length = GetEnvironmentVariableA(name, value, sizeof(value));
  return length > 0 && length < sizeof(value) ? value : "";
}

double Seconds(const std::function<void()>& work) {
  const auto start = std::chrono::steady_clock::now();
  work();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// The commit charge (private bytes) on Windows; Wine reports the resident
// anonymous memory here and leaves PrivateUsage at 0.
size_t PrivateKb() {
  PROCESS_MEMORY_COUNTERS counters = {};
  counters.cb = sizeof(counters);
  GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof(counters));
  return counters.PagefileUsage >> 10;
}

struct Row {
  std::string tree;
  double scan = 0, bare = 0;  // the best round of each
  double ratio = 0;           // the median of the rounds' own ratios
  size_t privateBefore = 0, privateAfter = 0;
  size_t problems = 0;
};

// One scan of the tree: its problems, and the private bytes around it.
using Scan = std::function<size_t(size_t& privateBefore, size_t& privateAfter)>;

Row Measure(const std::string& tree, const Scan& scan, const std::function<void()>& bare) {
  Row row;
  row.tree = tree;
  const double first = Seconds([&] { row.problems = scan(row.privateBefore, row.privateAfter); });
  const bool verbose = !Env("QB_BENCH_ROUNDS").empty();
  double bestScan = 1e9, bestBare = 1e9;
  std::vector<double> ratios;
  // Rounds for about seven seconds a side, at least 7 and at most 21: a short
  // round is shaken more by the rest of the machine, and more of them fit.
  const int rounds = std::clamp(static_cast<int>(7.0 / std::max(first, 0.01)), 7, 21);
  for (int i = 0; i < rounds; ++i) {
    size_t before = 0, after = 0;
    const double b = Seconds(bare);
    const double s = Seconds([&] { scan(before, after); });
    if (verbose) std::printf("  %s, round %d: scan %.3f bare %.3f\n", tree.c_str(), i, s, b);
    bestBare = std::min(bestBare, b);
    bestScan = std::min(bestScan, s);
    ratios.push_back(s / b);
  }
  row.scan = bestScan;
  row.bare = bestBare;
  // The machine's speed drifts by several percent within a run: each round's
  // scan is set against the bare walk just before it, and the middle one of
  // those ratios is the row's (the two bests may come from different moments).
  std::sort(ratios.begin(), ratios.end());
  row.ratio = ratios[ratios.size() / 2];
  return row;
}

size_t RegistryScan(size_t& privateBefore, size_t& privateAfter) {
  BenchHost host;
  SectionScanner scanner(&host.store, &host);
  scanner.StartScan();
  privateBefore = PrivateKb();
  scanner.ScanMachineSoftware(0);
  privateAfter = PrivateKb();
  return host.Filed();
}

Scan ShortcutScan(const std::string& root) {
  return [root](size_t& privateBefore, size_t& privateAfter) {
    BenchHost host;
    SectionScanner scanner(&host.store, &host);
    scanner.StartScan();
    privateBefore = PrivateKb();
    scanner.ScanFolderForShortcuts(root);
    privateAfter = PrivateKb();
    return host.Filed();
  };
}

std::wstring Wide(const std::string& text) { return std::wstring(text.begin(), text.end()); }

void PrintTable(const std::vector<Row>& rows) {
  // "ratio" is the median of the rounds' ratios; "bests" the best scan over the
  // best bare walk, as earlier tables gave it.
  std::printf("\n%-40s %8s %8s %6s %6s %22s %9s\n", "tree", "scan s", "bare s", "ratio", "bests",
              "private KB before/after", "problems");
  for (const Row& row : rows) {
    std::printf("%-40s %8.3f %8.3f %6.3f %6.3f %10zu / %-10zu %9zu\n", row.tree.c_str(), row.scan,
                row.bare, row.ratio, row.scan / row.bare, row.privateBefore, row.privateAfter,
                row.problems);
  }
}

class Sandbox {
 public:
  Sandbox() {
    RegOpenKeyExA(HKEY_CURRENT_USER, "Software", 0, KEY_ALL_ACCESS, &m_hSoftware);
    RegCreateKeyExA(m_hSoftware, "QuillbaneBench", 0, nullptr, REG_OPTION_VOLATILE, KEY_ALL_ACCESS,
                    nullptr, &m_hRoot, nullptr);
  }
  ~Sandbox() {
    RegOverridePredefKey(HKEY_LOCAL_MACHINE, nullptr);
    for (HKEY key : m_trees) RegCloseKey(key);
    RegCloseKey(m_hRoot);
    RegDeleteTreeA(m_hSoftware, "QuillbaneBench");
    RegCloseKey(m_hSoftware);
  }
  // A machine hive of `values` values; HKEY_LOCAL_MACHINE is not yet redirected.
  HKEY Tree(const char* name, long values, unsigned seed, const BenchFiles& files) {
    HKEY tree = nullptr;
    RegCreateKeyExA(m_hRoot, name, 0, nullptr, REG_OPTION_VOLATILE, KEY_ALL_ACCESS, nullptr, &tree,
                    nullptr);
    const auto start = std::chrono::steady_clock::now();
    const TreeCounts c = BuildRegistryTree(tree, values, seed, files);
    std::printf("%s: %ld keys (%ld below Wow6432Node), %ld values, %ld REG_SZ, %ld paths, "
                "%ld stale; built in %.1f s\n",
                name, c.keys, c.keys32, c.values, c.texts, c.paths, c.stale,
                std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    m_trees.push_back(tree);
    return tree;
  }

 private:
  HKEY m_hSoftware = nullptr;
  HKEY m_hRoot = nullptr;
  std::vector<HKEY> m_trees;
};

// HKEY_LOCAL_MACHINE redirected onto the tree while the object lives.
class MachineOn {
 public:
  explicit MachineOn(HKEY tree) {
    RegOverridePredefKey(HKEY_LOCAL_MACHINE, tree);
    RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE", 0, KEY_ALL_ACCESS, &m_hSoftware);
  }
  ~MachineOn() {
    RegCloseKey(m_hSoftware);
    RegOverridePredefKey(HKEY_LOCAL_MACHINE, nullptr);
  }
  HKEY Software() const { return m_hSoftware; }

 private:
  HKEY m_hSoftware = nullptr;
};

int Profile(const std::string& side, const BenchFiles& files, Sandbox& sandbox) {
  size_t before = 0, after = 0;
  if (side == "links" || side == "linkwalk") {
    BuildShortcutTree("C:\\QbBench", 1000);
    std::printf("profile: running\n");
    std::fflush(stdout);
    for (int i = 0; i < 5; ++i) {
      std::printf("%s: %.3f s\n", side.c_str(), Seconds([&] {
        if (side == "links") ShortcutScan("C:\\QbBench")(before, after);
        else BareShortcutWalk(L"C:\\QbBench");
      }));
    }
    return 0;
  }
  if (side == "probe") {
    SetRemovedPresent(false);
    // One full scan test of each text, with the walk's memory fresh, then again.
    const auto time = [](const char* what, const std::vector<std::string>& texts) {
      ScopedProbeMemory memory;
      const double first = Seconds([&] {
        for (const std::string& text : texts) FullScanFindings(REG_SZ, text, RegistryView::k64);
      });
      const double again = Seconds([&] {
        for (const std::string& text : texts) FullScanFindings(REG_SZ, text, RegistryView::k64);
      });
      std::printf("%-28s first %7.1f us, again %5.2f us per value\n", what,
                  first * 1e6 / texts.size(), again * 1e6 / texts.size());
    };
    std::vector<std::string> lower;
    for (const std::string& f : files.programs64) {
      std::string l = f;
      for (char& c : l) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
      lower.push_back(l);
    }
    std::vector<std::string> quoted;
    for (const std::string& f : files.programs64) quoted.push_back("\"" + f + "\" /background");
    time("program file as stored", files.programs64);
    time("program file lower case", lower);
    time("program file quoted", quoted);
    time("system file", files.system);
    time("removed program's file", files.removed);
    return 0;
  }
  SetRemovedPresent(!Env("QB_BENCH_CLEAN").empty());
  const std::string count = Env("QB_BENCH_VALUES");
  const long values = count.empty() ? 1000000 : std::atol(count.c_str());
  MachineOn machine(sandbox.Tree("profile", values, 2, files));
  std::printf("profile: running\n");
  std::fflush(stdout);
  if (side == "ratio") {
    PrintTable({Measure("registry, 1,000,000 values, 1% stale", RegistryScan,
                        [&] { BareRegistryWalk(machine.Software()); })});
    return 0;
  }

  for (int i = 0; i < 5; ++i) {
    std::printf("%s: %.3f s\n", side.c_str(), Seconds([&] {
      if (side == "scan") RegistryScan(before, after);
      else BareRegistryWalk(machine.Software());
    }));
  }
  return 0;
}

}  // namespace

int main() {
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  int result = 0;
  {
    Sandbox sandbox;
    const BenchFiles files = MakeBenchFiles();
    {
      // What the private-bytes counter makes of memory this process takes.
      const size_t before = PrivateKb();
      std::vector<char> taken(8 << 20, 'x');
      std::printf("private bytes counter: 8,192 KB taken reads as %ld KB more\n",
                  static_cast<long>(PrivateKb()) - static_cast<long>(before) + taken[0] - 'x');
    }
    const std::string profile = Env("QB_BENCH_PROFILE");
    if (!profile.empty()) {
      result = Profile(profile, files, sandbox);
    } else {
      HKEY small = sandbox.Tree("100,000 values", 100000, 1, files);
      HKEY large = sandbox.Tree("1,000,000 values", 1000000, 2, files);
      CreateDirectoryA("C:\\QbBench", nullptr);
      const std::string links10k = "C:\\QbBench\\Files10k", links100k = "C:\\QbBench\\Files100k";
      const long made = BuildShortcutTree(links10k, 100) + BuildShortcutTree(links100k, 1000);
      std::printf("shortcut trees: 110,000 files, %ld shortcuts\n", made);

      std::vector<Row> rows;
      for (bool clean : {true, false}) {
        SetRemovedPresent(clean);
        for (HKEY tree : {small, large}) {
          MachineOn machine(tree);
          rows.push_back(Measure(std::string("registry, ") +
                                     (tree == small ? "100,000" : "1,000,000") + " values" +
                                     (clean ? ", clean" : ", 1% stale"),
                                 RegistryScan, [&] { BareRegistryWalk(machine.Software()); }));
        }
      }
      rows.push_back(Measure("shortcuts, 10,000 files, 1,000 links", ShortcutScan(links10k),
                             [&] { BareShortcutWalk(Wide(links10k)); }));
      rows.push_back(Measure("shortcuts, 100,000 files, 10,000 links", ShortcutScan(links100k),
                             [&] { BareShortcutWalk(Wide(links100k)); }));
      PrintTable(rows);
    }
  }
  CoUninitialize();
  return result;
}
