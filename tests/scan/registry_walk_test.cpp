// The full registry scan on a sandboxed registry.

#include <gtest/gtest.h>

#include "core/section_catalogue.h"
#include "scan_recorder.h"
#include "support/registry_sandbox.h"
#include "support/temp_folder.h"

namespace {

class RegistryWalkTest : public SandboxedTest {
 protected:
  ScanRecorder m_host;
  TempFolder m_folder;
};

TEST_F(RegistryWalkTest, ReportsStaleDrivePathsOfTextValuesOnly) {
  const std::string app = "SOFTWARE\\Vendor\\App";
  const std::string gone = m_folder / "Gone\\App.exe";
  ASSERT_TRUE(RegPutString(HKEY_LOCAL_MACHINE, app, "Icon", gone + ",0"));
  ASSERT_TRUE(RegPutString(HKEY_LOCAL_MACHINE, app, "Folder", m_folder.Path()));
  ASSERT_TRUE(RegPutString(HKEY_LOCAL_MACHINE, app, "Expand", gone, REG_EXPAND_SZ));
  ASSERT_TRUE(RegPutString(HKEY_LOCAL_MACHINE, app, "NotAPath", "1:\\x"));
  ASSERT_TRUE(RegPutString(HKEY_LOCAL_MACHINE, app, "TooLong", gone + std::string(300, 'x')));
  ASSERT_TRUE(RegPutString(HKEY_LOCAL_MACHINE, app, "Cd", "D:\\setup\\x.exe"));
  ASSERT_TRUE(RegPutString(HKEY_LOCAL_MACHINE, "SOFTWARE\\Classes\\qb", "P", gone));
  ASSERT_TRUE(RegPutString(HKEY_LOCAL_MACHINE, "SOFTWARE\\Vendor\\SubClasses\\x", "P", gone));
  const std::string junk("\xff\xfe" "C:\\\x01\x00", 6);
  ASSERT_TRUE(RegPutBytes(HKEY_LOCAL_MACHINE, app, "Junk", REG_SZ, junk.data(), 6));

  EXPECT_NE(0, m_host.Scanner().ScanMachineSoftware(0));
  ASSERT_EQ(1u, m_host.records.size());
  const ProblemRecord& r = *m_host.records[0];
  EXPECT_EQ(HKEY_LOCAL_MACHINE, r.rootKey);
  EXPECT_EQ("Software\\Vendor\\App", r.keyPath);
  EXPECT_EQ("Icon", r.valueName);
  EXPECT_EQ(gone + ",0", r.valueData);
  EXPECT_EQ(1, r.isValue);
  EXPECT_EQ(kFullRegistryScan, r.sectionId);
  std::string lower = gone;
  for (char& c : lower) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
  EXPECT_EQ(FileNotFoundMessage(lower), r.message);
  for (const std::string& s : m_host.statuses) {
    EXPECT_EQ(std::string::npos, s.find("Classes")) << s;
    EXPECT_EQ(std::string::npos, s.find("Expand")) << s;
  }
}

TEST_F(RegistryWalkTest, SubkeysComeBeforeTheKeysOwnValues) {
  ASSERT_TRUE(RegPutString(HKEY_CURRENT_USER, "Software\\A", "va", "x"));
  ASSERT_TRUE(RegPutString(HKEY_CURRENT_USER, "Software\\A\\B", "vb", "x"));
  ASSERT_TRUE(RegPutString(HKEY_CURRENT_USER, "Software\\A\\B\\C", "vc", "x"));
  ASSERT_TRUE(RegPutString(HKEY_CURRENT_USER, "Software\\D", "vd", "x"));
  ASSERT_TRUE(RegPutString(HKEY_CURRENT_USER, "Software", "top", "x"));
  EXPECT_NE(0, m_host.Scanner().ScanUserSoftware());
  const std::vector<std::string> expected = {
      "HKEY_CURRENT_USER\\Software\\A\\B\\C\\vc", "HKEY_CURRENT_USER\\Software\\A\\B\\vb",
      "HKEY_CURRENT_USER\\Software\\A\\va", "HKEY_CURRENT_USER\\Software\\D\\vd",
      "HKEY_CURRENT_USER\\Software\\top"};
  EXPECT_EQ(expected, m_host.statuses);
}

TEST_F(RegistryWalkTest, DeepestNestingDoesNotExhaustTheStack) {
  // Key paths are limited to 255-character names and the registry's 512 levels;
  // one-letter names reach the deepest level within the path limit.
  HKEY hKey = nullptr;
  ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE", 0, nullptr, 0,
                                           KEY_ALL_ACCESS, nullptr, &hKey, nullptr));
  int depth = 1;
  for (; depth < 510; ++depth) {
    HKEY hChild = nullptr;
    if (RegCreateKeyExA(hKey, "k", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &hChild, nullptr) !=
        ERROR_SUCCESS) {
      break;
    }
    RegCloseKey(hKey);
    hKey = hChild;
  }
  const std::string gone = m_folder / "deep.exe";
  ASSERT_EQ(ERROR_SUCCESS, RegSetValueExA(hKey, "Deep", 0, REG_SZ,
                                          reinterpret_cast<const BYTE*>(gone.c_str()),
                                          static_cast<DWORD>(gone.size() + 1)));
  RegCloseKey(hKey);
  ASSERT_GE(depth, 500);

  EXPECT_NE(0, m_host.Scanner().ScanMachineSoftware(0));
  ASSERT_EQ(1u, m_host.records.size());
  EXPECT_EQ("Deep", m_host.records[0]->valueName);
  EXPECT_EQ(static_cast<size_t>(depth - 1), (m_host.records[0]->keyPath.size() - 8) / 2);
}

TEST_F(RegistryWalkTest, AbortUnwindsAndTheUserHalfIsNotStarted) {
  for (int i = 0; i < 5; ++i) {
    ASSERT_TRUE(RegPutString(HKEY_LOCAL_MACHINE, "SOFTWARE\\V\\K" + std::to_string(i), "P",
                             m_folder / "gone.exe"));
  }
  m_host.AbortAfterReports(2);
  EXPECT_EQ(0, m_host.Scanner().ScanMachineSoftware(0));
  EXPECT_EQ(2u, m_host.records.size());
  EXPECT_EQ(0, m_host.Scanner().WalkRegistryKey(HKEY_CURRENT_USER, "HKEY_CURRENT_USER"));
}

}  // namespace
