// The mapping of a registration's paths to the paths its program opens, and the
// view a key's entries belong to.

#include <gtest/gtest.h>

#include "core/registry_view.h"

namespace {

const ViewFolders kFolders{"C:\\windows", "C:\\WINDOW~1", "C:\\Program Files (x86)",
                           "C:\\Program Files (x86)\\Common Files"};
constexpr RegistryView k32 = RegistryView::k32, k64 = RegistryView::k64;

TEST(RegistryView, PathsMapToWhatTheProgramOfTheViewOpens) {
  struct Case {
    const char* text;
    RegistryView view;
    const char* expected;
  };
  const Case kCases[] = {
      // System32 of a 32-bit registration is SysWOW64, in the case it was written in.
      {"C:\\windows\\system32\\qb.dll", k32, "C:\\windows\\syswow64\\qb.dll"},
      {"C:\\WINDOWS\\SYSTEM32\\QB.DLL", k32, "C:\\WINDOWS\\SYSWOW64\\QB.DLL"},
      {"c:/Windows/System32/qb.dll", k32, "c:/Windows/SysWOW64/qb.dll"},
      // The dot after a folder's name is taken away before the path is opened.
      {"C:\\windows\\System32.\\qb.dll", k32, "C:\\windows\\SysWOW64.\\qb.dll"},
      {"C:\\windows\\System32\\drivers\\qb.sys", k32, "C:\\windows\\SysWOW64\\drivers\\qb.sys"},
      {"C:\\WINDOW~1\\system32\\qb.dll", k32, "C:\\WINDOW~1\\syswow64\\qb.dll"},
      {"%SystemRoot%\\System32\\qb.dll", k32, "C:\\windows\\SysWOW64\\qb.dll"},
      {"%WINDIR%\\system32\\qb.exe /x", k32, "C:\\windows\\syswow64\\qb.exe /x"},
      // Quoted, as an argument, after the long-path prefix.
      {"\"C:\\windows\\system32\\qb.exe\" /s", k32, "\"C:\\windows\\syswow64\\qb.exe\" /s"},
      {"rundll32.exe C:\\windows\\system32\\qb.dll,Run", k32,
       "rundll32.exe C:\\windows\\syswow64\\qb.dll,Run"},
      {"\\\\?\\C:\\windows\\system32\\qb.dll", k32, "\\\\?\\C:\\windows\\syswow64\\qb.dll"},
      // Below System32, but not a folder Windows leaves alone.
      {"C:\\windows\\system32\\catroots\\x", k32, "C:\\windows\\syswow64\\catroots\\x"},
      // Sysnative is System32, whoever wrote it.
      {"C:\\windows\\Sysnative\\qb.exe", k32, "C:\\windows\\System32\\qb.exe"},
      {"%windir%\\sysnative\\qb.exe", k64, "C:\\windows\\system32\\qb.exe"},
      // The program folders of a 32-bit registration; other variables stay.
      {"%ProgramFiles%\\Qb\\qb.exe", k32, "C:\\Program Files (x86)\\Qb\\qb.exe"},
      {"%commonprogramfiles%\\Qb", k32, "C:\\Program Files (x86)\\Common Files\\Qb"},
      {"%ProgramFiles(x86)%\\Qb;%ProgramW6432%\\Qb", k32, "%ProgramFiles(x86)%\\Qb;%ProgramW6432%\\Qb"},
      {"%ProgramFiles%\\Qb\\qb.exe", k64, "%ProgramFiles%\\Qb\\qb.exe"},
      // A 64-bit registration's System32 is System32.
      {"C:\\windows\\system32\\qb.dll", k64, "C:\\windows\\system32\\qb.dll"},
      // Not the system folder: other drives, look-alike names, mid-word matches.
      {"D:\\windows\\system32\\qb.dll", k32, "D:\\windows\\system32\\qb.dll"},
      {"C:\\windows\\system32x\\qb.dll", k32, "C:\\windows\\system32x\\qb.dll"},
      {"C:\\windowsold\\system32\\qb.dll", k32, "C:\\windowsold\\system32\\qb.dll"},
      {"XC:\\windows\\system32\\qb.dll", k32, "XC:\\windows\\system32\\qb.dll"},
  };
  for (const Case& c : kCases) {
    EXPECT_EQ(c.expected, PathInView(c.text, c.view, kFolders)) << c.text << " (" << ViewName(c.view) << ")";
  }
  // The folders Windows does not redirect, in any case.
  for (const char* exempt : {"catroot", "CatRoot2", "driverstore", "drivers\\etc", "LogFiles", "spool"}) {
    const std::string path = std::string("C:\\windows\\system32\\") + exempt + "\\x";
    EXPECT_EQ(path, PathInView(path, k32, kFolders));
  }
  // Unknown folders are left alone.
  EXPECT_EQ("%ProgramFiles%\\Qb", PathInView("%ProgramFiles%\\Qb", k32, ViewFolders{}));
}

TEST(RegistryView, KeysBelowWow6432NodeAndTypeLibraryCodeAre32Bit) {
  EXPECT_EQ(k32, ViewOfKey("SOFTWARE\\Wow6432Node\\Microsoft\\Help"));
  EXPECT_EQ(k32, ViewOfKey("wow6432node\\TypeLib\\{x}\\1.0\\0\\win64"));
  EXPECT_EQ(k32, ViewOfKey("Software\\WOW6432Node"));
  EXPECT_EQ(k64, ViewOfKey("SOFTWARE\\Wow6432Nodes\\x"));
  EXPECT_EQ(k64, ViewOfKey("SOFTWARE\\MyWow6432Node\\x"));
  EXPECT_EQ(k32, ViewOfTypeLibKey("TypeLib\\{x}\\1.0\\0\\Win32"));
  EXPECT_EQ(k64, ViewOfTypeLibKey("TypeLib\\{x}\\1.0\\0\\win64"));
  EXPECT_EQ(k64, ViewOfTypeLibKey("TypeLib\\{x}\\1.0\\win32x"));
  EXPECT_EQ("SOFTWARE\\Wow6432Node\\Microsoft\\Help", Wow64KeyPath("SOFTWARE\\Microsoft\\Help", false));
  EXPECT_EQ("Wow6432Node\\TypeLib", Wow64KeyPath("TypeLib", true));
}

}  // namespace
