#pragma once
// SystemInfo: the facts the Home panel and the scan log show, gathered once at
// start-up (the disk space is measured anew on each request).

#include <string>

class SystemInfo {
 public:
  SystemInfo();

  void Collect();
  // "Free Disk Space : %I64d GB of %I64d GB" over the fixed drives, per drive
  // rounded down to whole GB.
  std::string FreeDiskSpaceText() const;
  // "Available Memory : %d MB of %d MB".
  std::string MemoryText() const;

  bool isNT;
  unsigned long majorVersion = 0;
  unsigned long minorVersion = 0;
  unsigned long buildNumber = 0;
  int servicePack = 0;
  std::string osName;
  std::string userName;
  unsigned long long totalMemory = 0;
  unsigned long long availableMemory = 0;
};
