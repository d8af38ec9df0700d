// Type libraries, program identifiers and open-with lists.

#include <gtest/gtest.h>

#include "core/section_catalogue.h"
#include "scan_recorder.h"
#include "support/registry_sandbox.h"
#include "support/temp_folder.h"

namespace {

const std::string kLib = "TypeLib\\{11111111-0000-0000-0000-000000000001}\\1.0";
const std::string kExts = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts";

class ComScannerTest : public SandboxedTest {
 protected:
  void SetUp() override {
    SandboxedTest::SetUp();
    ASSERT_TRUE(WriteFileBytes(m_folder / "lib.dll", "MZ"));
    ASSERT_TRUE(WriteFileBytes(m_folder / "App\\app.exe", "MZ"));
  }
  ScanRecorder m_host;
  TempFolder m_folder;
};

TEST_F(ComScannerTest, TypeLibraryCodeFilesAndHelpFolders) {
  ASSERT_TRUE(RegPutString(HKEY_CLASSES_ROOT, kLib + "\\0\\Win32", "", m_folder / "lib.dll"));
  ASSERT_TRUE(RegPutString(HKEY_CLASSES_ROOT, kLib + "\\9\\win32", "", m_folder / "gone.dll"));
  ASSERT_TRUE(RegPutString(HKEY_CLASSES_ROOT, kLib + "\\7\\win16", "x", "no default value"));
  ASSERT_TRUE(RegPutString(HKEY_CLASSES_ROOT, kLib + "\\HelpDir", "", m_folder.Path() + "\\"));
  ASSERT_TRUE(RegPutString(HKEY_CLASSES_ROOT, kLib + "\\Flags", "", "0"));
  const std::string lib2 = "TypeLib\\{22222222-0000-0000-0000-000000000002}\\2.0";
  ASSERT_TRUE(RegPutString(HKEY_CLASSES_ROOT, lib2 + "\\HELPDIR", "", m_folder / "nohelp\\"));
  const std::string lib3 = "TypeLib\\{33333333-0000-0000-0000-000000000003}\\1.0";
  ASSERT_TRUE(RegPutString(HKEY_CLASSES_ROOT, lib3 + "\\HELPDIR", "", ""));

  EXPECT_NE(0, m_host.Scanner().ScanTypeLibraries());

  const ProblemRecord* gone = m_host.FindKey(kLib + "\\9\\win32");
  ASSERT_NE(nullptr, gone);
  EXPECT_EQ(m_folder / "gone.dll", gone->valueData);
  EXPECT_EQ("", gone->valueName);
  EXPECT_EQ(HKEY_CLASSES_ROOT, gone->rootKey);
  EXPECT_EQ(kActiveXCom, gone->sectionId);
  EXPECT_EQ(0, gone->isValue);
  const ProblemRecord* empty = m_host.FindKey(kLib + "\\7\\win16");
  ASSERT_NE(nullptr, empty);
  EXPECT_EQ("The File () cannot be found at the specified location.", empty->message);

  // A missing help folder written with a trailing '\' is reported twice.
  std::vector<std::string> helpMessages;
  for (const auto& r : m_host.records) {
    if (r->keyPath == lib2 + "\\HELPDIR") helpMessages.push_back(r->message);
  }
  ASSERT_EQ(2u, helpMessages.size());
  EXPECT_EQ(FileNotFoundMessage(m_folder / "nohelp"), helpMessages[0]);
  EXPECT_EQ("The Directory Path (" + (m_folder / "nohelp") + ") is Invalid.", helpMessages[1]);
  EXPECT_EQ(4u, m_host.records.size());
  for (const std::string& s : m_host.statuses) EXPECT_EQ(std::string::npos, s.find("{33333333"));
}

TEST_F(ComScannerTest, AbortInsideADeepLibraryUnwindsEveryLevel) {
  std::string deep = kLib;
  for (int i = 0; i < 40; ++i) deep += "\\l";
  for (int i = 0; i < 3; ++i) {
    ASSERT_TRUE(RegPutString(HKEY_CLASSES_ROOT, deep + "\\" + std::to_string(i) + "\\win32", "",
                             m_folder / "gone.dll"));
  }
  ASSERT_TRUE(RegPutString(HKEY_CLASSES_ROOT, "TypeLib\\{99999999-0000-0000-0000-000000000009}\\1.0\\0\\win32", "",
                           m_folder / "gone.dll"));
  m_host.AbortAfterReports(1);
  EXPECT_EQ(0, m_host.Scanner().ScanTypeLibraries());
  EXPECT_EQ(1u, m_host.records.size());
}

TEST_F(ComScannerTest, ProgramIdsOfExtensionKeys) {
  ASSERT_TRUE(RegPutString(HKEY_CLASSES_ROOT, "qbfile", "", "A registered class"));
  ASSERT_TRUE(RegPutString(HKEY_CLASSES_ROOT, ".qbgood", "", "qbfile"));
  ASSERT_TRUE(RegPutString(HKEY_CLASSES_ROOT, ".qbrun", "", "x rundll32 y"));
  ASSERT_TRUE(RegPutString(HKEY_CLASSES_ROOT, ".qbpath", "", m_folder / "App\\app.exe"));
  ASSERT_TRUE(RegPutString(HKEY_CLASSES_ROOT, ".qbother", "", ".qbgood"));
  ASSERT_TRUE(RegPutString(HKEY_CLASSES_ROOT, ".qbbad", "", "QbNoSuch.Program.1"));
  ASSERT_TRUE(RegPutString(HKEY_CLASSES_ROOT, ".qbempty", "x", "no default"));
  ASSERT_TRUE(RegPutString(HKEY_CLASSES_ROOT, "notanextension", "", "QbNoSuch.Program.2"));

  EXPECT_NE(0, m_host.Scanner().ScanProgIds(0));
  ASSERT_EQ(1u, m_host.records.size());
  const ProblemRecord& r = *m_host.records[0];
  EXPECT_EQ(".qbbad", r.keyPath);
  EXPECT_EQ("QbNoSuch.Program.1", r.valueData);
  EXPECT_EQ("The ProgramID (QbNoSuch.Program.1) is Invalid.", r.message);
  EXPECT_EQ(kFileAssociations, r.sectionId);
  EXPECT_EQ(0, r.isValue);
  EXPECT_EQ(8u, m_host.statuses.size());  // every subkey, extension or not
}

TEST_F(ComScannerTest, ClassIdentifiersWithOrWithoutBraces) {
  const std::string id = "11112222-3333-4444-5555-666677778888";
  ASSERT_TRUE(RegPutString(HKEY_CLASSES_ROOT, "CLSID\\{" + id + "}", "", "x"));
  EXPECT_TRUE(ClsidKeyExists(id));
  EXPECT_TRUE(ClsidKeyExists("{" + id + "}"));
  EXPECT_FALSE(ClsidKeyExists("{00000000-dead-0000-0000-000000000000}"));
  EXPECT_FALSE(ClsidKeyExists(""));
  EXPECT_FALSE(IsValidProgId(""));
}

TEST_F(ComScannerTest, OpenWithListsNeedRegisteredApplications) {
  const std::string list = kExts + "\\.qbx\\OpenWithList";
  const std::string app = m_folder / "App\\app.exe";
  ASSERT_TRUE(RegPutString(HKEY_CLASSES_ROOT, "Applications\\qbgood.exe\\shell\\open\\command", "",
                           "\"" + app + "\" \"%1\""));
  ASSERT_TRUE(RegPutString(HKEY_CLASSES_ROOT, "Applications\\qbgone.exe\\shell\\open\\command", "",
                           "\"" + (m_folder / "gone.exe") + "\" \"%1\""));
  ASSERT_TRUE(RegPutString(HKEY_CLASSES_ROOT, "Applications\\notepad.exe", "FriendlyAppName", "n"));
  ASSERT_TRUE(RegPutString(HKEY_CLASSES_ROOT, "Applications\\qbnocmd.exe", "FriendlyAppName", "n"));
  ASSERT_TRUE(RegPutString(HKEY_CURRENT_USER, list, "a", "QBGOOD.EXE"));
  ASSERT_TRUE(RegPutString(HKEY_CURRENT_USER, list, "b", "qbgone.exe"));
  ASSERT_TRUE(RegPutString(HKEY_CURRENT_USER, list, "c", "notepad.exe"));
  ASSERT_TRUE(RegPutString(HKEY_CURRENT_USER, list, "d", "qbnocmd.exe"));
  ASSERT_TRUE(RegPutString(HKEY_CURRENT_USER, list, "e", "unregistered.exe"));
  ASSERT_TRUE(RegPutString(HKEY_CURRENT_USER, list, "MRUList", "abcde"));
  ASSERT_TRUE(RegPutDword(HKEY_CURRENT_USER, list, "f", 7));
  ASSERT_TRUE(RegPutString(HKEY_CURRENT_USER, kExts + "\\.qbnolist", "x", "y"));

  EXPECT_NE(0, m_host.Scanner().ScanFileAssociations());
  ASSERT_EQ(3u, m_host.records.size());
  for (const char* name : {"b", "d", "e"}) {
    const ProblemRecord* r = m_host.Find(name);
    ASSERT_NE(nullptr, r) << name;
    EXPECT_EQ(list, r->keyPath);
    EXPECT_EQ(HKEY_CURRENT_USER, r->rootKey);
    EXPECT_EQ(1, r->isValue);
    EXPECT_EQ(kFileAssociations, r->sectionId);
  }
  EXPECT_EQ("The File (unregistered.exe) cannot be found at the specified location",
            m_host.Find("e")->message);
  EXPECT_EQ(2u, m_host.statuses.size());
}

}  // namespace
