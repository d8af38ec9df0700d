// The two views on a sandboxed registry, with files only in the 32-bit system
// folder (SysWOW64): a 32-bit entry naming System32 is tested where its program
// finds the file, a 64-bit entry naming the same path is not, a stale 32-bit entry
// is filed under its explicit Wow6432Node key, and a key the views share (a
// registry link, as Wine keeps App Paths) is looked at once.

#include <windows.h>

#include <functional>
#include <set>

#include <gtest/gtest.h>

#include "core/section_catalogue.h"
#include "scan/path_tests.h"
#include "scan/recheck.h"
#include "scan/view_paths.h"
#include "scan_recorder.h"
#include "support/registry_sandbox.h"
#include "support/temp_folder.h"

namespace {

const HKEY kMachine = HKEY_LOCAL_MACHINE, kClasses = HKEY_CLASSES_ROOT;
const std::string kFonts = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Fonts";
const std::string kHelp = "SOFTWARE\\Microsoft\\Windows\\Help";
const std::string kShared = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs";
const std::string kAppPaths = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths";
const std::string kUninstall = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
const std::string kLib = "\\{51B0F00D-0000-4000-8000-000000003232}\\1.0\\";

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
  return text;
}

// A file in the 32-bit system folder only, for as long as the object lives.
struct Wow64File {
  explicit Wow64File(const std::string& name)
      : path(Lower(GetWindowsFolder()) + "\\syswow64\\" + name), made(WriteFileBytes(path, "x")) {}
  ~Wow64File() { DeleteFileA(path.c_str()); }
  std::string path;
  bool made;
};

// A registry link at `from` to the key at `to`, both below the root; removed on
// destruction (the sandbox's tree removal does not remove links).
class RegistryLink {
 public:
  RegistryLink(HKEY root, const std::string& from, const std::string& to) : m_root(root), m_strFrom(from) {
    HKEY hTarget = nullptr, hLink = nullptr;
    if (RegOpenKeyExA(root, to.c_str(), 0, KEY_READ, &hTarget) != ERROR_SUCCESS) return;
    const std::wstring target = RegistryKeyName(hTarget);
    RegCloseKey(hTarget);
    if (RegCreateKeyExA(root, from.c_str(), 0, nullptr, REG_OPTION_CREATE_LINK,
                        KEY_ALL_ACCESS | KEY_CREATE_LINK, nullptr, &hLink, nullptr) != ERROR_SUCCESS) {
      return;
    }
    m_bMade = !target.empty() &&
              RegSetValueExW(hLink, L"SymbolicLinkValue", 0, REG_LINK,
                             reinterpret_cast<const BYTE*>(target.data()),
                             static_cast<DWORD>(target.size() * sizeof(wchar_t))) == ERROR_SUCCESS;
    RegCloseKey(hLink);
  }
  ~RegistryLink() {
    using NtDeleteKeyFn = LONG(NTAPI*)(HANDLE);
    const auto deleteKey = reinterpret_cast<NtDeleteKeyFn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtDeleteKey")));
    HKEY hLink = nullptr;
    if (RegOpenKeyExA(m_root, m_strFrom.c_str(), REG_OPTION_OPEN_LINK, DELETE | KEY_READ, &hLink) ==
        ERROR_SUCCESS) {
      deleteKey(hLink);
      RegCloseKey(hLink);
    }
  }
  bool Made() const { return m_bMade; }

 private:
  HKEY m_root;
  std::string m_strFrom;
  bool m_bMade = false;
};

// One section: writes an entry naming `path` into the 64-bit key or its 32-bit
// twin, and gives the "key|valueName" it is filed under.
using PutEntry = std::function<std::string(bool wow, const std::string& tag, const std::string& path)>;

std::string Twin(bool wow, const std::string& key) { return wow ? Wow64KeyPath(key, false) : key; }

struct ViewCase {
  const char* what;
  int (*scan)(SectionScanner&);
  int sectionId;
  PutEntry put;
  bool showsTestedPath = true;  // fonts show the Fonts folder's path, a bare name itself
};

TEST(ViewScanners, ThirtyTwoBitEntriesAreTestedWhereTheirProgramsLook) {
  const std::string tag = std::to_string(GetCurrentProcessId());
  const std::string only32 = "qb32only-" + tag + ".dll", gone = "qb32gone-" + tag + ".dll";
  Wow64File file(only32);
  ASSERT_TRUE(file.made);
  const std::string sys32 = Lower(GetWindowsFolder()) + "\\system32\\";
  const std::string syswow = Lower(GetWindowsFolder()) + "\\syswow64\\";

  const ViewCase kCases[] = {
      {"fonts", [](SectionScanner& s) { return s.ScanFonts(0); }, kInstalledFonts,
       [](bool wow, const std::string& t, const std::string& p) {
         RegPutString(kMachine, Twin(wow, kFonts), t, p);
         return Twin(wow, kFonts) + "|" + t;
       }, false},
      {"help files", [](SectionScanner& s) { return s.ScanHelpFiles(0); }, kHelpFiles,
       [](bool wow, const std::string&, const std::string& p) {
         const std::string name = p.substr(p.rfind('\\') + 1);
         RegPutString(kMachine, Twin(wow, kHelp), name, p.substr(0, p.rfind('\\') + 1));
         return Twin(wow, kHelp) + "|" + name;
       }},
      {"shared files", [](SectionScanner& s) { return s.ScanSharedFiles(0); }, kSharedFiles,
       [](bool wow, const std::string&, const std::string& p) {
         RegPutDword(kMachine, Twin(wow, kShared), p, 1);
         return Twin(wow, kShared) + "|" + p;
       }},
      {"application paths", [](SectionScanner& s) { return s.ScanAppPaths(0); }, kApplicationPaths,
       [](bool wow, const std::string& t, const std::string& p) {
         RegPutString(kMachine, Twin(wow, kAppPaths) + "\\" + t, "", p);
         return Twin(wow, kAppPaths) + "\\" + t + "|";
       }},
      {"uninstall entries, quoted with an argument",
       [](SectionScanner& s) { return s.ScanUninstallEntries(0); }, kAddRemovePrograms,
       [](bool wow, const std::string& t, const std::string& p) {
         RegPutString(kMachine, Twin(wow, kUninstall) + "\\" + t, "UninstallString", "\"" + p + "\" /x");
         return Twin(wow, kUninstall) + "\\" + t + "|UninstallString";
       }},
      {"uninstall entries, a bare name found by the search",
       [](SectionScanner& s) { return s.ScanUninstallEntries(0); }, kAddRemovePrograms,
       [](bool wow, const std::string& t, const std::string& p) {
         RegPutString(kMachine, Twin(wow, kUninstall) + "\\" + t, "UninstallString",
                      p.substr(p.rfind('\\') + 1) + " /x");
         return Twin(wow, kUninstall) + "\\" + t + "|UninstallString";
       }, false},
      {"type libraries: the win32 key", [](SectionScanner& s) { return s.ScanTypeLibraries(); },
       kActiveXCom,
       [](bool wow, const std::string& t, const std::string& p) {
         const std::string key = "TypeLib" + kLib + t + (wow ? "\\win32" : "\\win16");
         RegPutString(kClasses, key, "", p);
         return key + "|";
       }},
      {"type libraries below Wow6432Node", [](SectionScanner& s) { return s.ScanTypeLibraries(); },
       kActiveXCom,
       [](bool wow, const std::string& t, const std::string& p) {
         const std::string key = (wow ? "Wow6432Node\\TypeLib" : "TypeLib") + kLib + t + "\\win16";
         RegPutString(kClasses, key, "", p);
         return key + "|";
       }},
      {"the full scan", [](SectionScanner& s) { return s.ScanMachineSoftware(0); }, kFullRegistryScan,
       [](bool wow, const std::string& t, const std::string& p) {
         RegPutString(kMachine, Twin(wow, "SOFTWARE\\QbVendor"), t, p);
         return std::string(wow ? "Software\\Wow6432Node\\QbVendor|" : "Software\\QbVendor|") + t;
       }},
  };
  for (const ViewCase& c : kCases) {
    SCOPED_TRACE(c.what);
    RegistrySandbox sandbox;
    ASSERT_TRUE(sandbox.Active());
    c.put(true, "ok32", sys32 + only32);
    const std::string same64 = c.put(false, "ok64", sys32 + only32);
    const std::string gone32 = c.put(true, "gone32", sys32 + gone);

    ScanRecorder host;
    EXPECT_NE(0, c.scan(host.Scanner()));
    std::set<std::string> filed;
    for (const auto& record : host.records) {
      const std::string entry = record->keyPath + "|" + record->valueName;
      filed.insert(entry);
      EXPECT_EQ(entry == gone32 ? RegistryView::k32 : RegistryView::k64, ProblemView(*record)) << entry;
      if (entry == gone32) {
        if (c.showsTestedPath) {
          EXPECT_NE(std::string::npos, Lower(record->message).find(syswow + gone)) << record->message;
        }
        std::string reason;
        EXPECT_TRUE(RecheckProblem(*record, reason)) << reason;
      }
    }
    EXPECT_EQ((std::set<std::string>{same64, gone32}), filed);
  }
}

TEST(ViewScanners, KeysTheViewsShareAreLookedAtOnce) {
  RegistrySandbox sandbox;
  ASSERT_TRUE(sandbox.Active());
  ASSERT_TRUE(RegPutString(kMachine, kAppPaths + "\\qbgone.exe", "", "C:\\QbNowhere\\gone.exe"));
  ASSERT_TRUE(RegPutString(kClasses, "TypeLib" + kLib + "0\\win32", "", "C:\\QbNowhere\\gone.dll"));
  ASSERT_TRUE(RegPutString(kMachine, "SOFTWARE\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\x", "", "y"));
  RegistryLink apps(kMachine, Wow64KeyPath(kAppPaths, false), kAppPaths);
  RegistryLink libs(kClasses, "Wow6432Node\\TypeLib", "TypeLib");
  ASSERT_TRUE(apps.Made() && libs.Made());
  // A twin of its own is walked, one that is missing is not looked for.
  ASSERT_TRUE(RegPutString(kMachine, Wow64KeyPath(kUninstall, false) + "\\QbGone", "UninstallString",
                           "C:\\QbNowhere\\uninst.exe"));

  ScanRecorder host;
  SectionScanner& s = host.Scanner();
  EXPECT_NE(0, s.ScanAppPaths(0));
  EXPECT_NE(0, s.ScanTypeLibraries());
  EXPECT_NE(0, s.ScanUninstallEntries(0));
  EXPECT_NE(0, s.ScanMachineSoftware(0));
  std::vector<std::string> filed;
  for (const auto& record : host.records) filed.push_back(record->keyPath + "|" + record->valueName);
  std::sort(filed.begin(), filed.end());
  EXPECT_EQ((std::vector<std::string>{
                "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\qbgone.exe|",
                "SOFTWARE\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\QbGone|UninstallString",
                "Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\qbgone.exe|",
                "Software\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\QbGone|UninstallString",
                "TypeLib" + kLib + "0\\win32|"}),
            filed);
  // A class registered for 32-bit programs only is registered.
  const std::string id = "{51B0F00D-0000-4000-8000-000000000032}";
  EXPECT_FALSE(ClsidKeyExists(id));
  ASSERT_TRUE(RegPutString(kClasses, "Wow6432Node\\CLSID\\" + id, "", "x"));
  EXPECT_TRUE(ClsidKeyExists(id));
}

}  // namespace
