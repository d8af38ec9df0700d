// The 32-bit view on a sandboxed registry, with files only in the 32-bit system
// folder (SysWOW64): a 32-bit entry naming System32 is tested where its program
// finds the file, a 64-bit entry naming the same path is not, and a stale 32-bit
// entry is filed under its explicit Wow6432Node key and re-checked in its view;
// a key the views share is walked once. (The other sections' 32-bit entries and
// the full scan's are checked end to end in scan_cli_test.sh.)

#include <windows.h>

#include <functional>
#include <set>

#include <gtest/gtest.h>

#include "core/registry_view.h"
#include "core/section_catalogue.h"
#include "scan/path_tests.h"
#include "scan/recheck.h"
#include "scan/view_paths.h"
#include "scan_recorder.h"
#include "support/registry_sandbox.h"
#include "support/temp_folder.h"

namespace {

const std::string kAppPaths = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths";
const std::string kUninstall = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

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

std::string Twin(bool wow, const std::string& key) { return wow ? Wow64KeyPath(key, false) : key; }

// One section: writes an entry naming `path` into the 64-bit key or its 32-bit
// twin, and gives the "key|valueName" it is filed under.
struct ViewCase {
  const char* what;
  int (*scan)(SectionScanner&);
  std::function<std::string(bool wow, const std::string& tag, const std::string& path)> put;
  bool showsTestedPath;  // a bare name is shown as written
};

TEST(ViewScanners, ThirtyTwoBitEntriesAreTestedWhereTheirProgramsLook) {
  const std::string tag = std::to_string(GetCurrentProcessId());
  const std::string only32 = "qb32only-" + tag + ".dll", gone = "qb32gone-" + tag + ".dll";
  Wow64File file(only32);
  ASSERT_TRUE(file.made);
  const std::string sys32 = Lower(GetWindowsFolder()) + "\\system32\\";
  const std::string syswow = Lower(GetWindowsFolder()) + "\\syswow64\\";

  const ViewCase kCases[] = {
      {"application paths", [](SectionScanner& s) { return s.ScanAppPaths(0); },
       [](bool wow, const std::string& t, const std::string& p) {
         RegPutString(HKEY_LOCAL_MACHINE, Twin(wow, kAppPaths) + "\\" + t, "", p);
         return Twin(wow, kAppPaths) + "\\" + t + "|";
       }, true},
      {"uninstall entries, a bare name found by the search",
       [](SectionScanner& s) { return s.ScanUninstallEntries(0); },
       [](bool wow, const std::string& t, const std::string& p) {
         RegPutString(HKEY_LOCAL_MACHINE, Twin(wow, kUninstall) + "\\" + t, "UninstallString",
                      p.substr(p.rfind('\\') + 1) + " /x");
         return Twin(wow, kUninstall) + "\\" + t + "|UninstallString";
       }, false},
      {"type libraries below Wow6432Node", [](SectionScanner& s) { return s.ScanTypeLibraries(); },
       [](bool wow, const std::string& t, const std::string& p) {
         const std::string key = std::string(wow ? "Wow6432Node\\TypeLib" : "TypeLib") +
                                 "\\{51B0F00D-0000-4000-8000-000000003232}\\1.0\\" + t + "\\win16";
         RegPutString(HKEY_CLASSES_ROOT, key, "", p);
         return key + "|";
       }, true},
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
      if (entry != gone32) continue;
      EXPECT_TRUE(!c.showsTestedPath ||
                  Lower(record->message).find(syswow + gone) != std::string::npos) << record->message;
      std::string reason;
      EXPECT_TRUE(RecheckProblem(*record, reason)) << reason;
    }
    EXPECT_EQ((std::set<std::string>{same64, gone32}), filed);
  }
}

// A key the views share (a registry link, as Wine keeps App Paths) is walked once.
TEST(ViewScanners, AKeyTheViewsShareIsWalkedOnce) {
  RegistrySandbox sandbox;
  ASSERT_TRUE(sandbox.Active());
  ASSERT_TRUE(RegPutString(HKEY_CLASSES_ROOT, "TypeLib\\{51B0F00D-0000-4000-8000-000000003232}", "", "x"));
  RegistryLink libs(HKEY_CLASSES_ROOT, "Wow6432Node\\TypeLib", "TypeLib");
  ASSERT_TRUE(libs.Made());
  EXPECT_EQ(1u, KeysOfBothViews(HKEY_CLASSES_ROOT, "TypeLib").size());
}

}  // namespace
