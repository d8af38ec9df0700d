// The re-check before removal: problems filed by a real scan of a sandboxed
// registry, then left alone, changed, made valid again or taken away.

#include "scan/still_stale.h"

#include <functional>

#include <gtest/gtest.h>

#include "scan_recorder.h"
#include "support/registry_sandbox.h"
#include "support/temp_folder.h"

namespace {

const HKEY kMachine = HKEY_LOCAL_MACHINE, kUser = HKEY_CURRENT_USER, kClasses = HKEY_CLASSES_ROOT;
const std::string kFonts = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Fonts";
const std::string kService = "SYSTEM\\CurrentControlSet\\Services\\QbSvc";
const std::string kList = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts\\.qbx\\OpenWithList";

struct RecheckCase {
  const char* what;
  std::function<int(SectionScanner&)> scan;
  std::function<bool()> seed, change;  // change: between scan and re-check, if any
  const char* reason;                  // "": every problem filed is still stale
};

TEST(Recheck, OnlyWhatIsStillStaleAsRecordedMayGo) {
  TempFolder folder;
  const std::string gone = folder / "gone.exe", noHelp = folder / "No\\";
  auto fonts = [](SectionScanner& s) { return s.ScanFonts(0); };
  auto progIds = [](SectionScanner& s) { return s.ScanProgIds(0); };
  auto user = [](SectionScanner& s) { return s.ScanUserSoftware(); };
  auto putFont = [=] { return RegPutString(kMachine, kFonts, "Qb", gone); };
  auto putExtension = [] { return RegPutString(kClasses, ".qbz", "", "QbNoSuch.Program"); };
  auto putIcon = [=] { return RegPutString(kUser, "Software\\Qb", "Icon", gone + ",0"); };

  const RecheckCase kCases[] = {
      {"a value left alone", fonts, putFont, nullptr, ""},
      {"a value whose file came back", fonts, putFont, [=] { return WriteFileBytes(gone, "MZ"); },
       kChangedSinceScan},
      {"a value deleted", fonts, putFont,
       [] { return RegDeleteKeyValueA(kMachine, kFonts.c_str(), "Qb") == ERROR_SUCCESS; },
       kNoLongerPresent},
      {"a value whose data changed, but not the path tested", user, putIcon,
       [=] { return RegPutString(kUser, "Software\\Qb", "Icon", gone + ",1"); }, kChangedSinceScan},
      {"a service key removed", [](SectionScanner& s) { return s.ScanServices(0); },
       [=] { return RegPutString(kMachine, kService, "ImagePath", gone); },
       [] { return RegDeleteTreeA(kMachine, kService.c_str()) == ERROR_SUCCESS; }, kNoLongerPresent},
      {"a help folder filed twice, left alone", [](SectionScanner& s) { return s.ScanTypeLibraries(); },
       [=] { return RegPutString(kClasses, "TypeLib\\{1}\\1.0\\HELPDIR", "", noHelp); },
       nullptr, ""},
      {"an extension key left alone", progIds, putExtension, nullptr, ""},
      {"an extension key that gained an open-with list", progIds, putExtension,
       [] { return RegPutString(kClasses, ".qbz\\OpenWithProgids", "txtfile", ""); },
       kChangedSinceScan},
      {"an open-with entry whose application was registered",
       [](SectionScanner& s) { return s.ScanFileAssociations(); },
       [] { return RegPutString(kUser, kList, "a", "qbharbor.exe"); },
       [] { return RegPutString(kClasses, "Applications\\qbharbor.exe\\shell\\open\\command", "", "notepad.exe %1"); },
       kChangedSinceScan}};

  for (const RecheckCase& c : kCases) {
    SCOPED_TRACE(c.what);
    RegistrySandbox sandbox;
    ASSERT_TRUE(sandbox.Active());
    DeleteFileA(gone.c_str());
    ASSERT_TRUE(c.seed());
    ScanRecorder host;
    c.scan(host.Scanner());
    ASSERT_FALSE(host.records.empty());
    if (c.change) {
      ASSERT_TRUE(c.change());
    }
    for (const auto& record : host.records) {
      std::string reason;
      EXPECT_EQ(*c.reason == '\0', RecheckProblem(*record, reason)) << record->message;
      EXPECT_EQ(c.reason, reason);
    }
  }
}

// A key that can no longer be read is not known to be gone: it stays.
TEST(Recheck, AKeyThatCanNoLongerBeReadIsKept) {
  RegistrySandbox sandbox;
  ASSERT_TRUE(sandbox.Active());
  ASSERT_TRUE(RegPutString(kMachine, kFonts, "Qb", "C:\\QbNowhere\\gone.ttf"));
  ScanRecorder host;
  host.Scanner().ScanFonts(0);
  ASSERT_EQ(1u, host.records.size());
  ReadOnlyKey locked(kMachine, kFonts, "D:P(A;;WD;;;WD)");
  ASSERT_TRUE(locked.Applied());
  std::string reason;
  EXPECT_FALSE(RecheckProblem(*host.records[0], reason));
  EXPECT_EQ(kCannotRecheck, reason);
}

}  // namespace
