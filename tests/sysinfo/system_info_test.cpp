#include "sysinfo/system_info.h"

#include <gtest/gtest.h>

#include "sysinfo/os_name.h"

namespace {

OsVersionFacts Nt(unsigned long major, unsigned long minor, int productType, unsigned long suite,
                  const std::string& service, unsigned long build = 0) {
  OsVersionFacts f;
  f.isNT = true;
  f.major = major;
  f.minor = minor;
  f.build = build;
  f.serviceText = service;
  f.haveExtended = true;
  f.productType = productType;
  f.suiteMask = suite;
  return f;
}

TEST(OsName, ClassicSystemsKeepTheirNames) {
  EXPECT_EQ("Windows XP Professional Edition Service Pack 2", OsNameFromVersion(Nt(5, 1, 1, 0, "Service Pack 2")));
  EXPECT_EQ("Windows XP Home Edition Service Pack 3", OsNameFromVersion(Nt(5, 1, 1, 0x0200, "Service Pack 3")));
  EXPECT_EQ("Windows 2000 Advanced Server Service Pack 4", OsNameFromVersion(Nt(5, 0, 3, 0x0002, "Service Pack 4")));
  EXPECT_EQ(" Server Service Pack 1", OsNameFromVersion(Nt(5, 2, 3, 0, "Service Pack 1")));
  EXPECT_EQ("Windows 2000 Server Domain Controller", OsNameFromVersion(Nt(5, 0, 2, 0, "")));
  EXPECT_EQ("Windows NT 4.0 Workstation Service Pack 6a", OsNameFromVersion(Nt(4, 0, 1, 0, "Service Pack 6a")));
  EXPECT_EQ("Windows NT 4.0 Service Pack 5", OsNameFromVersion(Nt(4, 0, 1, 0, "Service Pack 5")));

  OsVersionFacts win98;
  win98.isNT = false;
  win98.major = 4;
  win98.minor = 10;
  win98.serviceText = " A ";
  EXPECT_EQ("Windows 98 A ", OsNameFromVersion(win98));
  win98.minor = 3;
  win98.serviceText = "";
  EXPECT_EQ("", OsNameFromVersion(win98));
}

TEST(OsName, VistaAndLaterAreNamedCorrectly) {
  EXPECT_EQ("Windows Vista Service Pack 2", OsNameFromVersion(Nt(6, 0, 1, 0, "Service Pack 2")));
  EXPECT_EQ("Windows 7 Service Pack 1", OsNameFromVersion(Nt(6, 1, 1, 0, "Service Pack 1", 7601)));
  EXPECT_EQ("Windows 8", OsNameFromVersion(Nt(6, 2, 1, 0, "")));
  EXPECT_EQ("Windows 8.1", OsNameFromVersion(Nt(6, 3, 1, 0, "")));
  EXPECT_EQ("Windows 10", OsNameFromVersion(Nt(10, 0, 1, 0, "", 19045)));
  EXPECT_EQ("Windows 11", OsNameFromVersion(Nt(10, 0, 1, 0, "", 22000)));
  EXPECT_EQ("Windows Server 2008 R2", OsNameFromVersion(Nt(6, 1, 3, 0, "")));
  EXPECT_EQ("Windows Server 2022 Domain Controller", OsNameFromVersion(Nt(10, 0, 2, 0, "", 20348)));
  EXPECT_EQ(std::string::npos, OsNameFromVersion(Nt(6, 1, 1, 0, "")).find("XP"));
}

TEST(OsName, ServicePackNumberIsTheSmallestDigit) {
  EXPECT_EQ(0, ServicePackNumber(""));
  EXPECT_EQ(6, ServicePackNumber("Service Pack 6a"));
  EXPECT_EQ(1, ServicePackNumber("Build 9 Pack 1"));
  EXPECT_EQ("Free Disk Space : 2 GB of 40 GB", FreeDiskSpaceLine(2, 40));
}

TEST(SystemInfo, CollectsTheRunningSystemsFacts) {
  SystemInfo info;
  info.Collect();
  EXPECT_TRUE(info.isNT);
  EXPECT_GE(info.majorVersion, 6u);
  EXPECT_EQ(0u, info.osName.find("Windows"));
  EXPECT_TRUE(info.IsXpOrLater());
  EXPECT_FALSE(info.userName.empty());
  EXPECT_GT(info.totalMemory, 0u);
  EXPECT_LE(info.availableMemory, info.totalMemory);
  EXPECT_EQ(0u, info.FreeDiskSpaceText().find("Free Disk Space : "));

  info.totalMemory = 2147483648ull;
  info.availableMemory = 1610612735ull;
  EXPECT_EQ("Available Memory : 1535 MB of 2048 MB", info.MemoryText());
}

}  // namespace
