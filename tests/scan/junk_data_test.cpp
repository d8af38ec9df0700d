// Every scanner over registry data of every odd shape: wrong types, no
// terminating zero, lengths around each buffer's edge, the longest names.

#include <gtest/gtest.h>

#include "scan_recorder.h"
#include "support/registry_sandbox.h"

namespace {

void PutJunk(HKEY root, const std::string& key, const std::string& name) {
  static const DWORD kTypes[] = {REG_SZ, REG_EXPAND_SZ, REG_BINARY, REG_DWORD, REG_MULTI_SZ, 0x1234};
  static const size_t kLengths[] = {0, 1, 3, 254, 255, 256, 259, 260, 261, 1000};
  int n = 0;
  for (DWORD type : kTypes) {
    for (size_t length : kLengths) {
      std::string bytes(length, 'C');  // no terminating zero anywhere
      if (length > 3) bytes.replace(0, 3, "C:\\");
      if (length > 10) bytes[length / 2] = '\xff';
      RegPutBytes(root, key, name + std::to_string(n++), type, bytes.data(),
                  static_cast<DWORD>(bytes.size()));
    }
  }
  RegPutString(root, key, std::string(16383, 'n'), "C:\\long\\name.exe");
  RegPutString(root, key, "", "C:\\default\\gone.exe");
}

class JunkDataTest : public SandboxedTest {};

TEST_F(JunkDataTest, NoScannerCrashesOrOverruns) {
  const std::string longKey(254, 'k');
  const char* const kLists[] = {
      "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Fonts", "SOFTWARE\\Microsoft\\Windows\\Help",
      "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs", "SOFTWARE\\Vendor\\" };
  for (const char* key : kLists) PutJunk(HKEY_LOCAL_MACHINE, key, "v");
  PutJunk(HKEY_CURRENT_USER, "Control Panel\\Sounds", "v");
  PutJunk(HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts\\.j\\OpenWithList", "");
  for (const std::string& sub : {std::string("a"), longKey}) {
    PutJunk(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\" + sub, "v");
    PutJunk(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" + sub, "UninstallString");
    PutJunk(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" + sub, "SystemComponent");
    PutJunk(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Services\\" + sub, "ImagePath");
    PutJunk(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Services\\VXD\\" + sub, "StaticVXD");
    PutJunk(HKEY_CLASSES_ROOT, "TypeLib\\{x}\\1.0\\0\\win32\\" + sub, "v");
    PutJunk(HKEY_CLASSES_ROOT, "TypeLib\\{x}\\1.0\\HELPDIR", "v");
    PutJunk(HKEY_CLASSES_ROOT, ".j" + sub.substr(0, 200), "");
    PutJunk(HKEY_CLASSES_ROOT, "Applications\\" + sub + "\\shell\\open\\command", "");
  }

  ScanRecorder host;
  SectionScanner& s = host.Scanner();
  EXPECT_NE(0, s.ScanFonts(0));
  EXPECT_NE(0, s.ScanSoundFiles(0));
  EXPECT_NE(0, s.ScanHelpFiles(0));
  EXPECT_NE(0, s.ScanSharedFiles(0));
  EXPECT_NE(0, s.ScanAppPaths(0));
  EXPECT_NE(0, s.ScanServices(0));
  EXPECT_NE(0, s.ScanVxdFiles(0));
  EXPECT_NE(0, s.ScanUninstallEntries(0));
  EXPECT_NE(0, s.ScanTypeLibraries());
  EXPECT_NE(0, s.ScanProgIds(0));
  EXPECT_NE(0, s.ScanFileAssociations());
  EXPECT_NE(0, s.ScanMachineSoftware(0));
  EXPECT_NE(0, s.ScanUserSoftware());
  EXPECT_FALSE(host.records.empty());
  for (const auto& record : host.records) {
    // Fixed buffers everywhere but the open-with lists, which are read in full.
    if (record->keyPath.find("OpenWithList") == std::string::npos) {
      EXPECT_LE(record->valueData.size(), 260u) << record->keyPath;
    }
    EXPECT_EQ(std::string::npos, record->valueData.find('\0'));
  }
}

}  // namespace
