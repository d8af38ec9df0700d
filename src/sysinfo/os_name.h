#pragma once
// The operating system's display name from its version numbers: no system calls,
// so every Windows can be named in a test.

#include <string>

struct OsVersionFacts {
  bool isNT = true;
  unsigned long major = 0;
  unsigned long minor = 0;
  unsigned long build = 0;
  std::string serviceText;    // such as "Service Pack 3"
  bool haveExtended = false;  // product type and suite mask are known
  int productType = 0;        // 1 workstation, 2 domain controller, 3 server
  unsigned long suiteMask = 0;
};

// The smallest digit 1-9 that occurs in the service text; 0 when none does.
int ServicePackNumber(const std::string& serviceText);

std::string OsNameFromVersion(const OsVersionFacts& facts);

// "Free Disk Space : %I64d GB of %I64d GB".
std::string FreeDiskSpaceLine(unsigned long long freeGb, unsigned long long totalGb);
