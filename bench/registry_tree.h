#pragma once
// The synthetic registry of the scan benchmark: a SOFTWARE branch shaped like a
// real machine's, and the files on disk its paths name.

#include <windows.h>

#include <string>
#include <vector>

// The files the tree's paths name. Installed programs and system files exist; the
// removed programs' files exist only while their vendor folder is in place, so one
// rename turns the tree's stale values clean and back (SetRemovedPresent).
struct BenchFiles {
  std::vector<std::string> programs64;  // files and folders below "C:\Program Files"
  std::vector<std::string> programs32;  // below "C:\Program Files (x86)"
  std::vector<std::string> system;      // System32 files (SysWOW64 holds them too)
  std::vector<std::string> removed;     // files of programs that were uninstalled
};

// Creates the files (below the prefix's own folders; the prefix is thrown away).
BenchFiles MakeBenchFiles();
// Puts the removed programs' vendor folder in place (clean tree) or takes it away.
bool SetRemovedPresent(bool present);

struct TreeCounts {
  long keys = 0;
  long values = 0;
  long texts = 0;   // REG_SZ
  long paths = 0;   // REG_SZ naming a drive path
  long stale = 0;   // of those, naming a removed program's file
  long keys32 = 0;  // keys below Wow6432Node
};

// Builds `values` values below root\SOFTWARE: vendors' trees with leaves at depth
// 4 to 12, 5 to 40 values per key, 70% REG_SZ of which a third hold drive paths,
// one value in a hundred naming a removed program's file, and about one vendor in
// seven below Wow6432Node. The keys are volatile: the system never writes them to
// its hive files. The same seed gives the same tree.
TreeCounts BuildRegistryTree(HKEY root, long values, unsigned seed, const BenchFiles& files);
