#include "scan/path_tests.h"

#include <gtest/gtest.h>

#include "scan/section_scanner.h"
#include "scan/status_text.h"
#include "support/registry_sandbox.h"
#include "support/scripted_prompts.h"
#include "support/temp_folder.h"

namespace {

class ReferencedFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(WriteFileBytes(m_folder / "My App\\app.exe", "MZ"));
    ASSERT_TRUE(CreateDirectoryA((m_folder / "Docs").c_str(), nullptr));
  }
  TempFolder m_folder;
};

TEST_F(ReferencedFileTest, CommandLinesPassWhenTheirProgramExists) {
  const std::string app = m_folder / "My App\\app.exe";
  const std::string gone = m_folder / "My App\\gone.exe";
  EXPECT_TRUE(ReferencedFileExists("\"" + app + "\" /run \"x y\""));
  EXPECT_FALSE(ReferencedFileExists("\"" + gone + "\" /run"));
  EXPECT_TRUE(ReferencedFileExists(app + " -silent"));
  EXPECT_FALSE(ReferencedFileExists(gone + " -silent"));
  EXPECT_TRUE(ReferencedFileExists("\"" + app + "\""));
}

TEST_F(ReferencedFileTest, SearchPathFindsSystemToolsOnlyWithArguments) {
  EXPECT_TRUE(ReferencedFileExists("notepad.exe"));
  EXPECT_TRUE(ReferencedFileExists("notepad /p"));
  EXPECT_FALSE(ReferencedFileExists("notepad"));
  EXPECT_TRUE(ReferencedFileExists("MsiExec.exe /X{12345678-1234-1234-1234-123456789012}"));
}

TEST_F(ReferencedFileTest, FoldersAndTrailingBackslashes) {
  EXPECT_TRUE(ReferencedFileExists(m_folder / "Docs\\"));
  EXPECT_TRUE(ReferencedFileExists(m_folder / "Docs\\x"));  // one character after '\'
  EXPECT_FALSE(ReferencedFileExists(m_folder / "Nothing\\"));
}

TEST_F(ReferencedFileTest, NonFixedAndUnknownDrivesCountAsFound) {
  EXPECT_TRUE(ReferencedFileExists("D:\\setup\\gone.exe"));  // the CD-ROM
  EXPECT_TRUE(ReferencedFileExists("N:\\share\\gone.exe"));  // the network drive
  EXPECT_TRUE(ReferencedFileExists("Q:\\no such drive.exe"));
  EXPECT_FALSE(ReferencedFileExists("C:\\QuillbaneTests\\no such file.exe"));
}

TEST_F(ReferencedFileTest, OddTextsAreAnsweredSafely) {
  EXPECT_FALSE(ReferencedFileExists(""));
  EXPECT_FALSE(ReferencedFileExists(std::string(5000, 'a') + " " + std::string(3000, 'b')));
  EXPECT_FALSE(ReferencedFileExists("C:\\" + std::string(600, 'x') + "\\y.exe /a /b"));
  EXPECT_FALSE(ReferencedFileExists("\""));
  EXPECT_FALSE(ReferencedFileExists("^|<>*?"));
}

TEST(PathTests, ExpandEnvironment) {
  std::string text = "%SystemRoot%\\system32";
  EXPECT_TRUE(ExpandEnvironment(text));
  EXPECT_EQ(GetWindowsFolder() + "\\system32", text);

  text = "no references";
  EXPECT_TRUE(ExpandEnvironment(text));
  EXPECT_EQ("no references", text);

  text = "%QB_NO_SUCH_VARIABLE%\\x";
  EXPECT_TRUE(ExpandEnvironment(text));
  EXPECT_EQ("%QB_NO_SUCH_VARIABLE%\\x", text);

  // An expansion far beyond MAX_PATH is made in full, not cut or overrun.
  text.clear();
  for (int i = 0; i < 60; ++i) text += "%SystemRoot%;";
  EXPECT_TRUE(ExpandEnvironment(text));
  EXPECT_EQ(60 * (GetWindowsFolder().size() + 1), text.size());
}

TEST(PathTests, DrivesAndFolders) {
  EXPECT_FALSE(IsOnNonFixedDrive("C:\\windows"));
  EXPECT_TRUE(IsOnNonFixedDrive("D:\\x"));
  EXPECT_TRUE(IsOnNonFixedDrive("N:"));
  EXPECT_TRUE(IsOnNonFixedDrive("Q:\\x"));
  EXPECT_FALSE(IsOnNonFixedDrive("\\\\server\\share\\x"));
  EXPECT_FALSE(IsOnNonFixedDrive("x"));
  EXPECT_FALSE(IsOnNonFixedDrive(""));

  EXPECT_TRUE(IsDirectory(GetWindowsFolder()));
  EXPECT_FALSE(IsDirectory(GetWindowsFolder() + "\\notepad.exe"));
  EXPECT_FALSE(IsDirectory("C:\\no\\such\\folder"));
  EXPECT_NE('\\', GetWindowsFolder().back());
}

TEST(PathTests, PumpMessagesDispatchesTenPerCall) {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
  }
  for (int i = 0; i < 20; ++i) PostThreadMessageA(GetCurrentThreadId(), WM_APP + 1, i, 0);
  PumpMessages();
  int left = 0;
  while (PeekMessageA(&msg, nullptr, WM_APP + 1, WM_APP + 1, PM_REMOVE)) ++left;
  EXPECT_EQ(10, left);
}

class ReadRegistryStringTest : public SandboxedTest {};

TEST_F(ReadRegistryStringTest, ReadsAnyTypeUpTo255Bytes) {
  const std::string key = "Software\\Probe";
  ASSERT_TRUE(RegPutString(HKEY_LOCAL_MACHINE, key, "Text", "C:\\x.exe"));
  ASSERT_TRUE(RegPutDword(HKEY_LOCAL_MACHINE, key, "Number", 0x00434241));
  ASSERT_TRUE(RegPutString(HKEY_LOCAL_MACHINE, key, "Long", std::string(300, 'x')));
  const std::string raw(255, 'r');  // no terminating zero at all
  ASSERT_TRUE(RegPutBytes(HKEY_LOCAL_MACHINE, key, "Raw", REG_BINARY, raw.data(), 255));

  EXPECT_EQ("C:\\x.exe", ReadRegistryString(HKEY_LOCAL_MACHINE, key, "Text"));
  EXPECT_EQ("ABC", ReadRegistryString(HKEY_LOCAL_MACHINE, key, "Number"));
  EXPECT_EQ("", ReadRegistryString(HKEY_LOCAL_MACHINE, key, "Long"));
  EXPECT_EQ(raw, ReadRegistryString(HKEY_LOCAL_MACHINE, key, "Raw"));
  EXPECT_EQ("", ReadRegistryString(HKEY_LOCAL_MACHINE, key, "Missing"));
  EXPECT_EQ("", ReadRegistryString(HKEY_LOCAL_MACHINE, "Software\\NoSuchKey", "Text"));
}

TEST(DerivedPaths, DriverPathsAreAnchoredAtTheWindowsFolder) {
  const std::string win = "C:\\WINDOWS";
  std::string out;
  ASSERT_TRUE(AnchorDriverPath("\\SystemRoot\\System32\\drivers\\afd.sys", true, win, out));
  EXPECT_EQ("C:\\WINDOWS\\System32\\drivers\\afd.sys", out);
  ASSERT_TRUE(AnchorDriverPath("system32\\DRIVERS\\beep.sys", true, win, out));
  EXPECT_EQ("C:\\WINDOWS\\system32\\DRIVERS\\beep.sys", out);
  ASSERT_TRUE(AnchorDriverPath("\\??\\C:\\Drivers\\x.sys", true, win, out));
  EXPECT_EQ("C:\\Drivers\\x.sys", out);
  ASSERT_TRUE(AnchorDriverPath("C:\\WINDOWS\\system32\\foo -k", true, win, out));
  EXPECT_EQ("C:\\WINDOWS\\system32\\foo.exe", out);
  EXPECT_FALSE(AnchorDriverPath("system32\\drivers\\foo", true, win, out));
  ASSERT_TRUE(AnchorDriverPath("SYSTEMROOT\\x.sys", true, win, out));
  EXPECT_EQ("C:\\WINDOWS\\SYSTEMROOT\\x.sys", out);
  ASSERT_TRUE(AnchorDriverPath("\\SystemRoot\\x.vxd", false, win, out));
  EXPECT_EQ("C:\\WINDOWS\\SystemRoot\\x.vxd", out);
  ASSERT_TRUE(AnchorDriverPath(":odd.sys", true, win, out));
  EXPECT_EQ(":odd.sys", out);
}

TEST(DerivedPaths, FullScanCandidates) {
  std::string lower;
  ASSERT_TRUE(DrivePathStart("C:\\Program Files\\App\\app.exe,0", lower));
  EXPECT_EQ("c:\\program files\\app\\app.exe", TrimCandidatePath(lower));
  ASSERT_TRUE(DrivePathStart("\"C:\\App\\run.exe\" -x", lower));
  EXPECT_EQ("c:\\app\\run.exe", TrimCandidatePath(lower));
  ASSERT_TRUE(DrivePathStart("see d:\\docs/readme.txt", lower));
  EXPECT_EQ("d:\\docs", TrimCandidatePath(lower));
  EXPECT_FALSE(DrivePathStart("1:\\x", lower));
  EXPECT_FALSE(DrivePathStart(":\\x", lower));
  EXPECT_FALSE(DrivePathStart("no path", lower));

  HKEY root = nullptr;
  std::string key;
  ASSERT_TRUE(SplitRegistryPath("HKEY_LOCAL_MACHINE\\Software\\Vendor\\App", root, key));
  EXPECT_EQ(HKEY_LOCAL_MACHINE, root);
  EXPECT_EQ("Software\\Vendor\\App", key);
  ASSERT_TRUE(SplitRegistryPath("HKEY_USERS\\x", root, key));
  EXPECT_EQ(nullptr, root);
  EXPECT_FALSE(SplitRegistryPath("HKEY_CURRENT_USER", root, key));
}

TEST(StatusText, CutTo259AndCompactedToTheLabel) {
  const std::string longText = "C:\\" + std::string(150, 'a') + "\\" + std::string(150, 'b');
  EXPECT_EQ(259u, ClipStatusText(longText).size());
  EXPECT_EQ("short", ClipStatusText("short"));

  HWND label = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 120, 20, nullptr, nullptr,
                               GetModuleHandleA(nullptr), nullptr);
  ASSERT_NE(nullptr, label);
  std::string manyFolders = "C:";
  while (manyFolders.size() < 300) manyFolders += "\\folder";
  SetStatusText(label, manyFolders + "\\file.txt");
  char shown[1024] = {};
  GetWindowTextA(label, shown, sizeof(shown));
  EXPECT_LT(std::string(shown).size(), 259u);
  EXPECT_NE(std::string::npos, std::string(shown).find("..."));
  SetStatusText(nullptr, longText);  // no label: nothing happens

  // A burst of items repaints once; the newest text is up after Flush.
  StatusLine line(label);
  const ULONGLONG start = GetTickCount64();
  line.Show("first");
  for (int i = 0; i < 100; ++i) line.Show("item " + std::to_string(i));
  GetWindowTextA(label, shown, sizeof(shown));
  if (GetTickCount64() - start < StatusLine::kIntervalMs) {
    EXPECT_STREQ("first", shown);
  }
  line.Flush();
  GetWindowTextA(label, shown, sizeof(shown));
  EXPECT_STREQ("item 99", shown);
  Sleep(StatusLine::kIntervalMs + 20);
  line.Show("later");
  GetWindowTextA(label, shown, sizeof(shown));
  EXPECT_STREQ("later", shown);
  DestroyWindow(label);
}

}  // namespace
