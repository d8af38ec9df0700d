#include <windows.h>
#include <shlwapi.h>

#include <gtest/gtest.h>

#include "backup/file_utils.h"
#include "backup/registry_editor.h"
#include "backup_fixture.h"

TEST(EmptyFolderTree, PatternsPassesAndFailures) {
  TempFolder folder;
  for (const char* name : {"a.txt", "b.log", "sub\\c.txt", "sub\\deep\\d.log"}) {
    ASSERT_TRUE(WriteFileBytes(folder / name, "x"));
  }
  EXPECT_FALSE(EmptyFolderTree(folder / "a.txt", true, "*.*"));
  EXPECT_TRUE(FileExists(folder / "a.txt"));
  EXPECT_FALSE(EmptyFolderTree(folder / "missing", true, ""));

  // The staging folder is emptied with "*.*": the files of the whole tree go, the
  // subfolders stay.
  EXPECT_TRUE(EmptyFolderTree(folder.Path(), true, "*.*"));
  for (const char* name : {"a.txt", "b.log", "sub\\c.txt", "sub\\deep\\d.log"}) {
    EXPECT_FALSE(FileExists(folder / name)) << name;
  }
  EXPECT_TRUE(PathExists(folder / "sub\\deep"));

  // A file held open stops the pass and fails the call.
  ASSERT_TRUE(WriteFileBytes(folder / "held.txt", "h"));
  {
    FileLock lock(folder / "held.txt");
    EXPECT_FALSE(EmptyFolderTree(folder.Path(), true, "*.*"));
  }
  EXPECT_TRUE(EmptyFolderTree(folder.Path(), true, "*.*"));
}

// A finished run is seen in the registry editor test below.
TEST(RunProgram, ReportsAProgramStillRunningAndAFailedStart) {
  // A program that outlasts the wait is left running and reported as such (ping
  // ends on its own a second later).
  EXPECT_EQ(RunProgramWaiting(WindowsFolder() + "\\system32\\ping.exe", "-n 2 127.0.0.1", 100),
            RunOutcome::kStillRunning);
  EXPECT_EQ(RunProgramWaiting("C:\\QuillbaneTests\\no-such-program.exe", ""),
            RunOutcome::kNotStarted);
}

// The real registry editor, started by its full path, on real keys of the test
// prefix: an export it wrote must bring the key and its subkeys back exactly,
// and a missing key must not pass as exported. (The e2e scripts run it over
// every value type.)
TEST(RegistryEditor, ExportAndImportRoundTripRealKeys) {
  EXPECT_EQ(RegistryEditorPath(), WindowsFolder() + "\\regedit.exe");
  EXPECT_TRUE(FileExists(RegistryEditorPath()));
  EXPECT_EQ(ManagerExportArguments("C:\\B\\1,2,2009_3,4,5.reg", "HKEY_LOCAL_MACHINE", "S\\K"),
            "/e \"C:\\B\\1,2,2009_3,4,5.reg\" \"HKEY_LOCAL_MACHINE\\S\\K\" ");

  const std::string base = "Software\\QuillbaneTests\\regedit-" +
                           std::to_string(GetCurrentProcessId()) + "-" +
                           std::to_string(GetTickCount());
  const struct {
    std::string key, name;
    DWORD type;
    std::string bytes;
  } values[] = {
      {base, "count", REG_DWORD, std::string("\x07\0\0\0", 4)},
      {base + "\\Sub", "multi", REG_MULTI_SZ, std::string("a\0b c\0\0", 7)},
  };
  for (const auto& v : values) {
    ASSERT_TRUE(RegPutBytes(HKEY_CURRENT_USER, v.key, v.name, v.type, v.bytes.data(),
                            static_cast<DWORD>(v.bytes.size())));
  }
  TempFolder folder;
  ASSERT_TRUE(ExportKeyChecked(BackupExportArguments(folder.Path(), 0, "HKEY_CURRENT_USER\\" + base),
                               folder / "RegKeyBkup0.reg"));
  ASSERT_EQ(SHDeleteKeyA(HKEY_CURRENT_USER, base.c_str()), ERROR_SUCCESS);
  ASSERT_TRUE(CurrentRegistryEditor().Run(ImportArguments(folder.Path(), "RegKeyBkup0.reg")));
  for (const auto& v : values) {
    DWORD type = 0;
    EXPECT_EQ(ValueBytes(HKEY_CURRENT_USER, v.key, v.name, type), v.bytes) << v.name;
    EXPECT_EQ(type, v.type) << v.name;
  }

  EXPECT_FALSE(ExportKeyChecked(
      BackupExportArguments(folder.Path(), 1, "HKEY_CURRENT_USER\\" + base + "\\NoSuchKey"),
      folder / "RegKeyBkup1.reg"));
  EXPECT_FALSE(FileExists(folder / "RegKeyBkup1.reg"));
  SHDeleteKeyA(HKEY_CURRENT_USER, base.c_str());
}
