#include "sysinfo/system_info.h"

#include <utility>

#include <gtest/gtest.h>

#include "sysinfo/os_name.h"

namespace {

TEST(OsName, EveryWindowsByItsVersionNumbers) {
  // isNT, major, minor, build, service text, extended facts known, product type
  // (1 workstation, 2 domain controller, 3 server), suite mask.
  const std::pair<OsVersionFacts, const char*> kCases[] = {
      {{false, 4, 10, 0, " A ", false, 0, 0}, "Windows 98 A "},
      {{false, 4, 3, 0, "", false, 0, 0}, ""},
      {{true, 4, 0, 0, "Service Pack 6a", true, 1, 0}, "Windows NT 4.0 Workstation Service Pack 6a"},
      {{true, 4, 0, 0, "Service Pack 5", true, 1, 0}, "Windows NT 4.0 Service Pack 5"},
      {{true, 5, 0, 0, "Service Pack 4", true, 3, 0x0002}, "Windows 2000 Advanced Server Service Pack 4"},
      {{true, 5, 0, 0, "", true, 2, 0}, "Windows 2000 Server Domain Controller"},
      {{true, 5, 1, 0, "Service Pack 2", true, 1, 0}, "Windows XP Professional Edition Service Pack 2"},
      {{true, 5, 1, 0, "Service Pack 3", true, 1, 0x0200}, "Windows XP Home Edition Service Pack 3"},
      {{true, 5, 2, 0, "Service Pack 1", true, 3, 0}, " Server Service Pack 1"},
      // Vista and later, which the old naming got wrong.
      {{true, 6, 0, 0, "Service Pack 2", true, 1, 0}, "Windows Vista Service Pack 2"},
      {{true, 6, 1, 7601, "Service Pack 1", true, 1, 0}, "Windows 7 Service Pack 1"},
      {{true, 6, 2, 9200, "", true, 1, 0}, "Windows 8"},
      {{true, 6, 3, 9600, "", true, 1, 0}, "Windows 8.1"},
      {{true, 10, 0, 19045, "", true, 1, 0}, "Windows 10"},
      {{true, 10, 0, 22000, "", true, 1, 0}, "Windows 11"},
      {{true, 6, 1, 7601, "", true, 3, 0}, "Windows Server 2008 R2"},
      {{true, 10, 0, 20348, "", true, 2, 0}, "Windows Server 2022 Domain Controller"}};
  for (const auto& c : kCases) EXPECT_EQ(c.second, OsNameFromVersion(c.first)) << c.second;
}

TEST(SystemInfo, CollectsTheRunningSystemsFacts) {
  SystemInfo info;
  info.Collect();
  EXPECT_GT(info.totalMemory, 0u);
  EXPECT_LE(info.availableMemory, info.totalMemory);
  EXPECT_EQ("Free Disk Space : 2 GB of 40 GB", FreeDiskSpaceLine(2, 40));
  info.totalMemory = 2147483648ull;
  info.availableMemory = 1610612735ull;
  EXPECT_EQ("Available Memory : 1535 MB of 2048 MB", info.MemoryText());
}

}  // namespace
