#include <windows.h>

#include <gtest/gtest.h>

#include "backup/file_utils.h"
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

TEST(RunProgram, ReportsAProgramStillRunningAndAFailedStart) {
  // A program that outlasts the wait is left running and reported as such (ping
  // ends on its own a second later).
  EXPECT_EQ(RunProgramWaiting(WindowsFolder() + "\\system32\\ping.exe", "-n 2 127.0.0.1", 100),
            RunOutcome::kStillRunning);
  EXPECT_EQ(RunProgramWaiting("C:\\QuillbaneTests\\no-such-program.exe", ""),
            RunOutcome::kNotStarted);
}
