// What a manager's export may write on restore: only what that manager could
// have removed, never a deletion.

#include <gtest/gtest.h>

#include "backup/manager_export.h"
#include "backup_fixture.h"

namespace {

const std::string kBho =
    "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Browser Helper Objects";
const std::string kUninstall = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
const std::string kUninstall32 =
    "HKEY_LOCAL_MACHINE\\SOFTWARE\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
const std::string kRun = "HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Run";
const std::string kApproved32 =
    "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\StartupApproved\\Run32";

std::string Section(const std::string& key, const std::string& value = "\"v\"=\"x\"") {
  return "\r\n[" + key + "]\r\n" + value + "\r\n";
}

TEST(ManagerExport, RestoreWritesOnlyWhatItsManagerCouldHaveRemoved) {
  const struct {
    ManagerExportKind kind;
    std::string body;
    bool allowed;
  } cases[] = {
      {ManagerExportKind::kBho, Section(kBho + "\\{B1}") + Section("HKEY_CLASSES_ROOT\\CLSID\\{B1}\\InProcServer32"), true},
      {ManagerExportKind::kBho, Section(kBho + "\\{B1}") + Section("HKEY_CLASSES_ROOT\\CLSID\\{B2}"), false},
      {ManagerExportKind::kBho, Section(kBho), false},
      {ManagerExportKind::kAddRemove, Section(kUninstall + "\\App") + Section(kUninstall + "\\App\\Sub"), true},
      {ManagerExportKind::kAddRemove, Section(kUninstall32 + "\\App"), true},
      {ManagerExportKind::kAddRemove, Section(kUninstall + "\\App") + Section("HKEY_LOCAL_MACHINE\\SOFTWARE\\Evil"), false},
      {ManagerExportKind::kAddRemove, Section(kBho + "\\{B1}"), false},
      {ManagerExportKind::kStartup, Section(kRun) + Section(kApproved32, "\"v\"=hex:03,00"), true},
      {ManagerExportKind::kStartup, Section(kRun + "\\Sub"), false},
      {ManagerExportKind::kStartup, Section(kRun) + Section("HKEY_LOCAL_MACHINE\\SOFTWARE\\Evil"), false},
      {ManagerExportKind::kStartup, Section(kRun, "\"v\"=-"), false},
      {ManagerExportKind::kStartup, "\r\n[-" + kRun + "]\r\n", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.body);
    ExportContents contents;
    std::string error;
    ASSERT_TRUE(ParseExportFile(Utf16Export(c.body), contents, error)) << error;
    EXPECT_EQ(ManagerExportRefusal(c.kind, contents, "").empty(), c.allowed);
  }
  // A Startup backup's shortcut goes back only into a Startup folder.
  ExportContents none;
  EXPECT_FALSE(ManagerExportRefusal(ManagerExportKind::kStartup, none, "C:\\windows\\evil.lnk").empty());
  EXPECT_EQ(ManagerExportKindOf("C:\\Q\\Backup\\StartupBackup\\1,2,2030_1,2,3.reg"), ManagerExportKind::kStartup);
  EXPECT_EQ(ManagerExportKindOf("C:\\Q\\Backup\\1,2,2030_1,2,3.reg"), ManagerExportKind::kNone);
}

}  // namespace
