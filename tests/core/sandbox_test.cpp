// The test fixtures themselves: a sandbox that leaks, or a temporary folder that
// stays behind, would make every other test unreliable.

#include <windows.h>

#include <gtest/gtest.h>

#include "support/registry_sandbox.h"
#include "support/temp_folder.h"

namespace {

TEST(RegistrySandboxFixture, RedirectsTheThreeRootsAndCleansUp) {
  std::string base;
  ASSERT_TRUE(RegKeyExists(HKEY_LOCAL_MACHINE, "Software\\Microsoft"));
  {
    RegistrySandbox sandbox;
    ASSERT_TRUE(sandbox.Active());
    base = sandbox.BasePath();
    EXPECT_FALSE(RegKeyExists(HKEY_LOCAL_MACHINE, "Software\\Microsoft")) << "starts empty";
    EXPECT_FALSE(RegKeyExists(HKEY_CLASSES_ROOT, ".txt"));
    ASSERT_TRUE(RegPutString(HKEY_LOCAL_MACHINE, "Software\\QbProbe", "v", "1"));
    ASSERT_TRUE(RegPutString(HKEY_CLASSES_ROOT, ".qbprobe", "", "x"));
    ASSERT_TRUE(RegPutString(HKEY_CURRENT_USER, "Software\\QbProbe", "v", "1"));
    EXPECT_TRUE(RegKeyExists(sandbox.Backing(HKEY_LOCAL_MACHINE), "Software\\QbProbe"));
  }
  EXPECT_TRUE(RegKeyExists(HKEY_LOCAL_MACHINE, "Software\\Microsoft"));
  EXPECT_FALSE(RegKeyExists(HKEY_LOCAL_MACHINE, "Software\\QbProbe"));
  EXPECT_FALSE(RegKeyExists(HKEY_CURRENT_USER, "Software\\QbProbe"));
  EXPECT_FALSE(RegKeyExists(HKEY_CLASSES_ROOT, ".qbprobe"));
  EXPECT_FALSE(RegKeyExists(HKEY_CURRENT_USER, "Software\\" + base)) << "sandbox removed";
}

TEST(TempFolderFixture, LivesUnderDriveCAndIsRemovedWithItsContents) {
  std::string path;
  {
    TempFolder folder;
    path = folder.Path();
    EXPECT_EQ(path.rfind("C:\\", 0), 0u);
    ASSERT_TRUE(WriteFileBytes(folder / "a\\b\\c.txt", "abc"));
    ASSERT_TRUE(WriteFileBytes(folder / "ro.txt", "x"));
    SetFileAttributesA((folder / "ro.txt").c_str(), FILE_ATTRIBUTE_READONLY);
    std::string bytes;
    ASSERT_TRUE(ReadFileBytes(folder / "a\\b\\c.txt", bytes));
    EXPECT_EQ(bytes, "abc");
  }
  EXPECT_EQ(GetFileAttributesA(path.c_str()), INVALID_FILE_ATTRIBUTES);
}

}  // namespace

namespace {

TEST(TestPrefix, HasNoLinuxRootAndTheConfiguredDriveTypes) {
  EXPECT_EQ(GetDriveTypeA("C:\\"), static_cast<UINT>(DRIVE_FIXED));
  EXPECT_EQ(GetDriveTypeA("D:\\"), static_cast<UINT>(DRIVE_CDROM));
  EXPECT_EQ(GetDriveTypeA("N:\\"), static_cast<UINT>(DRIVE_REMOTE));
  EXPECT_EQ(GetDriveTypeA("Z:\\"), static_cast<UINT>(DRIVE_NO_ROOT_DIR));
}

}  // namespace
