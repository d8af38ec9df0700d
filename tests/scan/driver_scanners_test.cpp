// Services, static drivers and uninstall entries.

#include <gtest/gtest.h>

#include "core/section_catalogue.h"
#include "scan/path_tests.h"
#include "scan_recorder.h"
#include "support/registry_sandbox.h"
#include "support/temp_folder.h"

namespace {

const std::string kServices = "SYSTEM\\CurrentControlSet\\Services";
const std::string kUninstall = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

class DriverScannerTest : public SandboxedTest {
 protected:
  ScanRecorder m_host;
  TempFolder m_folder;
};

TEST_F(DriverScannerTest, ServicesReportTheDerivedPathOfTheWholeKey) {
  const std::string win = GetWindowsFolder();
  ASSERT_TRUE(RegPutString(HKEY_LOCAL_MACHINE, kServices + "\\Good", "ImagePath",
                           "%SystemRoot%\\system32\\notepad.exe -k netsvcs", REG_EXPAND_SZ));
  ASSERT_TRUE(RegPutString(HKEY_LOCAL_MACHINE, kServices + "\\Gone", "ImagePath",
                           "\\SystemRoot\\System32\\drivers\\qbgone.sys"));
  ASSERT_TRUE(RegPutString(HKEY_LOCAL_MACHINE, kServices + "\\Upper", "ImagePath", "SYSTEMROOT\\x.sys"));
  ASSERT_TRUE(RegPutString(HKEY_LOCAL_MACHINE, kServices + "\\NoExt", "ImagePath", "system32\\drivers\\foo"));
  ASSERT_TRUE(RegPutString(HKEY_LOCAL_MACHINE, kServices + "\\Cd", "ImagePath", "\\??\\D:\\x.sys"));
  ASSERT_TRUE(RegPutString(HKEY_LOCAL_MACHINE, kServices + "\\Long", "ImagePath", "C:\\" + std::string(300, 'l')));
  ASSERT_TRUE(RegPutDword(HKEY_LOCAL_MACHINE, kServices + "\\Kernel", "Type", 1));

  EXPECT_NE(0, m_host.Scanner().ScanServices(0));
  ASSERT_EQ(2u, m_host.records.size());
  const ProblemRecord* gone = m_host.FindKey(kServices + "\\Gone");
  ASSERT_NE(nullptr, gone);
  EXPECT_EQ(win + "\\System32\\drivers\\qbgone.sys", gone->valueData);
  EXPECT_EQ("ImagePath", gone->valueName);
  EXPECT_EQ(0, gone->isValue);
  EXPECT_EQ(kSystemServices, gone->sectionId);
  EXPECT_EQ(FileNotFoundMessage(gone->valueData), gone->message);
  const ProblemRecord* upper = m_host.FindKey(kServices + "\\Upper");
  ASSERT_NE(nullptr, upper);
  EXPECT_EQ(win + "\\SYSTEMROOT\\x.sys", upper->valueData);
  for (const std::string& s : m_host.statuses) EXPECT_EQ(std::string::npos, s.find("NoExt"));
}

TEST_F(DriverScannerTest, StaticDriversKeepSystemRoot) {
  const std::string vxd = kServices + "\\VXD";
  ASSERT_TRUE(RegPutString(HKEY_LOCAL_MACHINE, vxd + "\\V1", "StaticVXD", "\\SystemRoot\\qb.vxd"));
  EXPECT_NE(0, m_host.Scanner().ScanVxdFiles(0));
  ASSERT_EQ(1u, m_host.records.size());
  EXPECT_EQ(vxd + "\\V1", m_host.records[0]->keyPath);
  EXPECT_EQ(GetWindowsFolder() + "\\SystemRoot\\qb.vxd", m_host.records[0]->valueData);
  EXPECT_EQ("StaticVXD", m_host.records[0]->valueName);
  EXPECT_EQ(kVxdFiles, m_host.records[0]->sectionId);
}

TEST_F(DriverScannerTest, UninstallEntries) {
  SetEnvironmentVariableA("QB_UNINST_DIR", m_folder.Path().c_str());
  const std::string gone = "%QB_UNINST_DIR%\\uninst.exe /S";
  ASSERT_TRUE(RegPutDword(HKEY_LOCAL_MACHINE, kUninstall + "\\Sys", "SystemComponent", 1));
  ASSERT_TRUE(RegPutString(HKEY_LOCAL_MACHINE, kUninstall + "\\Sys", "UninstallString", gone));
  ASSERT_TRUE(RegPutString(HKEY_LOCAL_MACHINE, kUninstall + "\\SysText", "SystemComponent", "1"));
  ASSERT_TRUE(RegPutString(HKEY_LOCAL_MACHINE, kUninstall + "\\SysText", "UninstallString", gone));
  ASSERT_TRUE(RegPutString(HKEY_LOCAL_MACHINE, kUninstall + "\\Empty", "UninstallString", ""));
  ASSERT_TRUE(RegPutString(HKEY_LOCAL_MACHINE, kUninstall + "\\Msi", "UninstallString",
                           "MsiExec.exe /X{11111111-2222-3333-4444-555555555555}"));
  ASSERT_TRUE(RegPutString(HKEY_LOCAL_MACHINE, kUninstall + "\\NoCommand", "DisplayName", "x"));

  EXPECT_NE(0, m_host.Scanner().ScanUninstallEntries(0));
  ASSERT_EQ(1u, m_host.records.size());
  const ProblemRecord& r = *m_host.records[0];
  EXPECT_EQ(kUninstall + "\\SysText", r.keyPath);
  EXPECT_EQ("UninstallString", r.valueName);
  EXPECT_EQ(gone, r.valueData);
  EXPECT_EQ(FileNotFoundMessage(m_folder / "uninst.exe /S"), r.message);
  EXPECT_EQ(kAddRemovePrograms, r.sectionId);
  EXPECT_EQ(0, r.isValue);
  for (const std::string& s : m_host.statuses) EXPECT_EQ(std::string::npos, s.find("Empty"));
}

}  // namespace
