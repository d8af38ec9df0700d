#include <windows.h>
#include <shlwapi.h>

#include <gtest/gtest.h>

#include "backup/file_utils.h"
#include "backup/program_folder.h"
#include "backup/registry_editor.h"
#include "core/registry.h"
#include "support/registry_sandbox.h"
#include "support/temp_folder.h"

TEST(EmptyFolderTree, PatternsPassesAndFailures) {
  TempFolder folder;
  ASSERT_TRUE(WriteFileBytes(folder / "a.txt", "a"));
  ASSERT_TRUE(WriteFileBytes(folder / "b.log", "b"));
  ASSERT_TRUE(WriteFileBytes(folder / "sub\\c.txt", "c"));
  ASSERT_TRUE(WriteFileBytes(folder / "sub\\deep\\d.log", "d"));

  EXPECT_FALSE(EmptyFolderTree(folder / "a.txt", true, "*.*"));
  EXPECT_TRUE(FileExists(folder / "a.txt"));
  EXPECT_FALSE(EmptyFolderTree(folder / "missing", true, ""));

  // A pattern without recursion touches only matching files of the folder itself.
  EXPECT_TRUE(EmptyFolderTree(folder.Path(), false, "*.txt"));
  EXPECT_FALSE(FileExists(folder / "a.txt"));
  EXPECT_TRUE(FileExists(folder / "b.log"));
  EXPECT_TRUE(FileExists(folder / "sub\\c.txt"));

  // "*.*" with recursion empties the tree and leaves the subfolders.
  EXPECT_TRUE(EmptyFolderTree(folder.Path(), true, "*.*"));
  EXPECT_FALSE(FileExists(folder / "b.log"));
  EXPECT_FALSE(FileExists(folder / "sub\\deep\\d.log"));
  EXPECT_NE(GetFileAttributesA((folder / "sub\\deep").c_str()), INVALID_FILE_ATTRIBUTES);

  // No pattern with recursion removes the subfolders as well.
  EXPECT_TRUE(EmptyFolderTree(folder.Path(), true, ""));
  EXPECT_EQ(GetFileAttributesA((folder / "sub").c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_NE(GetFileAttributesA(folder.Path().c_str()), INVALID_FILE_ATTRIBUTES);

  // A file held open stops the pass and fails the call.
  ASSERT_TRUE(WriteFileBytes(folder / "held.txt", "h"));
  HANDLE hLock = CreateFileA((folder / "held.txt").c_str(), GENERIC_READ, 0, nullptr,
                             OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(hLock, INVALID_HANDLE_VALUE);
  EXPECT_FALSE(EmptyFolderTree(folder.Path(), true, "*.*"));
  CloseHandle(hLock);
  EXPECT_TRUE(EmptyFolderTree(folder.Path(), true, "*.*"));
}

TEST(RunProgram, WaitsForTheProgramAndReportsAFailedStart) {
  EXPECT_EQ(RunProgramWaiting(WindowsFolder() + "\\system32\\cmd.exe", "/c exit 3"),
            RunOutcome::kFinished);
  // A program that outlasts the wait is left running and reported as such (ping
  // ends on its own a second later).
  EXPECT_EQ(RunProgramWaiting(WindowsFolder() + "\\system32\\ping.exe", "-n 2 127.0.0.1", 100),
            RunOutcome::kStillRunning);
  EXPECT_EQ(RunProgramWaiting("C:\\QuillbaneTests\\no-such-program.exe", ""),
            RunOutcome::kNotStarted);
  EXPECT_TRUE(RunProgram("C:\\QuillbaneTests\\no-such-program.exe", "", true));
  EXPECT_FALSE(RunProgram("C:\\QuillbaneTests\\no-such-program.exe", "", false));
}

TEST(RegistryEditor, ManagerArgumentsAndFullPath) {
  EXPECT_EQ(ManagerExportArguments("C:\\B\\1,2,2009_3,4,5.reg", "HKEY_LOCAL_MACHINE", "S\\K"),
            "/e \"C:\\B\\1,2,2009_3,4,5.reg\" \"HKEY_LOCAL_MACHINE\\S\\K\" ");
  const std::string path = RegistryEditorPath();
  EXPECT_EQ(path, WindowsFolder() + "\\regedit.exe");
  EXPECT_TRUE(FileExists(path));
  EXPECT_FALSE(ProgramFolder().empty());
  EXPECT_NE(ProgramFolder().back(), '\\');
}

// The real registry editor, on real keys of the test prefix: an export it wrote
// must bring the key back exactly, and a missing key must not pass as exported.
TEST(RegistryEditor, ExportAndImportRoundTripRealKeys) {
  const std::string base = "Software\\QuillbaneTests\\regedit-" +
                           std::to_string(GetCurrentProcessId()) + "-" +
                           std::to_string(GetTickCount());
  const std::string dword("\x07\0\0\0", 4);
  const std::string binary("\x00\xff\x10", 3);
  const std::string multi("a\0b c\0\0", 7);
  ASSERT_TRUE(RegPutBytes(HKEY_CURRENT_USER, base, "count", REG_DWORD, dword.data(), 4));
  ASSERT_TRUE(RegPutBytes(HKEY_CURRENT_USER, base + "\\Sub", "bin", REG_BINARY, binary.data(), 3));
  ASSERT_TRUE(RegPutBytes(HKEY_CURRENT_USER, base + "\\Sub", "multi", REG_MULTI_SZ, multi.data(), 7));
  ASSERT_TRUE(RegPutString(HKEY_CURRENT_USER, base + "\\Sub", "", "default \"quoted\" \\ text"));

  TempFolder folder;
  const std::string file = folder / "RegKeyBkup0.reg";
  ASSERT_TRUE(ExportKeyChecked(BackupExportArguments(folder.Path(), 0, "HKEY_CURRENT_USER\\" + base),
                               file));
  ASSERT_EQ(SHDeleteKeyA(HKEY_CURRENT_USER, base.c_str()), ERROR_SUCCESS);
  ASSERT_FALSE(RegKeyExists(HKEY_CURRENT_USER, base));
  ASSERT_TRUE(CurrentRegistryEditor().Run(ImportArguments(folder.Path(), "RegKeyBkup0.reg")));

  DWORD type = 0;
  std::string bytes;
  ASSERT_TRUE(RegGetRaw(HKEY_CURRENT_USER, base, "count", type, bytes));
  EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD));
  EXPECT_EQ(bytes, dword);
  ASSERT_TRUE(RegGetRaw(HKEY_CURRENT_USER, base + "\\Sub", "bin", type, bytes));
  EXPECT_EQ(type, static_cast<DWORD>(REG_BINARY));
  EXPECT_EQ(bytes, binary);
  ASSERT_TRUE(RegGetRaw(HKEY_CURRENT_USER, base + "\\Sub", "multi", type, bytes));
  EXPECT_EQ(type, static_cast<DWORD>(REG_MULTI_SZ));
  EXPECT_EQ(bytes, multi);
  ASSERT_TRUE(RegGetRaw(HKEY_CURRENT_USER, base + "\\Sub", "", type, bytes));
  EXPECT_EQ(bytes, std::string("default \"quoted\" \\ text", 24));

  EXPECT_FALSE(ExportKeyChecked(
      BackupExportArguments(folder.Path(), 1, "HKEY_CURRENT_USER\\" + base + "\\NoSuchKey"),
      folder / "RegKeyBkup1.reg"));
  EXPECT_FALSE(FileExists(folder / "RegKeyBkup1.reg"));
  SHDeleteKeyA(HKEY_CURRENT_USER, base.c_str());
}
