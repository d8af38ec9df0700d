#include "scan/exclusion_list.h"

#include <string>

#include <gtest/gtest.h>

namespace {

ProblemRecord Registry(HKEY root, const std::string& key, const std::string& name,
                       const std::string& data) {
  ProblemRecord record;
  record.errorType = kRegistryError;
  record.isValue = 1;
  record.rootKey = root;
  record.keyPath = key;
  record.valueName = name;
  record.valueData = data;
  return record;
}

TEST(ExclusionList, HoldsTwentyEightEntriesWithDbxTwice) {
  EXPECT_STREQ(ExclusionList[10], ".dbx");
  EXPECT_STREQ(ExclusionList[12], ".dbx");
  EXPECT_STREQ(ExclusionList[27], "ServicePackCachePath");
  EXPECT_STREQ(ExclusionList[0],
               "software\\microsoft\\windows\\currentversion\\internet settings\\cache\\paths");
}

TEST(IsExcluded, MatchesAnywhereInRootKeyNameAndData) {
  // Root name plus key path: "hkey_classes_root\.htc..." (entries 5 and 8).
  EXPECT_TRUE(IsExcluded(Registry(HKEY_CLASSES_ROOT, ".htcfile", "", "")));
  // Key path, in any capitalisation.
  EXPECT_TRUE(IsExcluded(Registry(HKEY_LOCAL_MACHINE,
                                  "SYSTEM\\CurrentControlSet\\Services\\NortonDrv", "ImagePath",
                                  "C:\\windows\\system32\\drivers\\x.sys")));
  EXPECT_TRUE(IsExcluded(Registry(HKEY_LOCAL_MACHINE, "Software\\Epson\\Printer", "Path",
                                  "c:\\gone")));
  EXPECT_TRUE(IsExcluded(Registry(HKEY_LOCAL_MACHINE,
                                  "Software\\Microsoft\\Active Setup\\Installed Components\\{x}",
                                  "StubPath", "c:\\gone.exe")));
  // Value name.
  EXPECT_TRUE(IsExcluded(Registry(HKEY_CURRENT_USER, "Software\\Vendor", "InstallSource",
                                  "d:\\setup")));
  EXPECT_TRUE(IsExcluded(Registry(HKEY_CURRENT_USER, "Software\\Vendor", "IE.HKLMZONEINFO", "")));
  // Value data.
  EXPECT_TRUE(IsExcluded(Registry(HKEY_CURRENT_USER, "Software\\Vendor", "Home",
                                  "FILE://C:/gone/index.htm")));
  EXPECT_TRUE(IsExcluded(Registry(HKEY_CURRENT_USER, "Software\\Vendor", "Icon",
                                  "c:\\pics\\logo.EMF")));
  // Separators count: "sidebyside" and "content.ie5\cache" across the key path.
  EXPECT_TRUE(IsExcluded(Registry(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\SideBySide\\Winners",
                                  "", "")));
  EXPECT_TRUE(IsExcluded(Registry(HKEY_CURRENT_USER, "Software\\Content.IE5\\Cache", "v", "")));
}

TEST(IsExcluded, LeavesOrdinaryProblemsAndEveryFileProblemAlone) {
  EXPECT_FALSE(IsExcluded(Registry(HKEY_LOCAL_MACHINE,
                                   "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Fonts",
                                   "Courier", "coure.fon")));
  // The fields are joined with backslashes, so words split across fields do not
  // make up an entry.
  EXPECT_FALSE(IsExcluded(Registry(HKEY_CURRENT_USER, "Software\\Vendor", "Install", "From")));
  EXPECT_FALSE(IsExcluded(Registry(HKEY_CURRENT_USER, "Software\\Vendor", "a.d", "bx")));

  ProblemRecord shortcut;
  shortcut.errorType = kFileError;
  shortcut.linkPath = "C:\\Users\\norton.lnk";
  shortcut.targetPath = "file://c:/norton.exe";
  EXPECT_FALSE(IsExcluded(shortcut));
}

}  // namespace
