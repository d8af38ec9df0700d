// The Startup Programs section: a StartupApproved value is reported only when
// nothing it could belong to is left; its re-check reads the state again.

#include <algorithm>

#include <gtest/gtest.h>

#include "core/registry.h"
#include "core/startup_approved.h"
#include "scan/still_stale.h"
#include "scan_recorder.h"
#include "support/registry_sandbox.h"
#include "support/temp_folder.h"

namespace {

const HKEY kMachine = HKEY_LOCAL_MACHINE, kUser = HKEY_CURRENT_USER;

bool PutState(HKEY root, const char* which, const std::string& name, char first) {
  std::string bytes(kApprovalBytes, '\0');
  bytes[0] = first;
  return RegPutBytes(root, StartupApprovedKey(which), name, REG_BINARY, bytes.data(), 12);
}

TEST(StartupScan, OnlyAStateWhoseEntryIsGoneEverywhereIsReported) {
  TempFolder folder;
  StartupFolders startup = {folder / "User", folder / "Common"};
  CreateDirectoryA(startup.user.c_str(), nullptr);
  CreateDirectoryA(startup.common.c_str(), nullptr);
  SetStartupFoldersForTest(&startup);
  RegistrySandbox sandbox;
  ASSERT_TRUE(sandbox.Active());

  // Kept: an entry of that name in its own Run key, in the other view's, or a
  // shortcut of that name in either Startup folder.
  ASSERT_TRUE(RegPutString(kUser, kRunKeyPath, "Here", "x.exe") && PutState(kUser, kApprovedRun, "Here", 3));
  ASSERT_TRUE(RegPutString(kMachine, kRunKeyPath32, "Wow", "x.exe") && PutState(kMachine, kApprovedRun, "Wow", 2));
  ASSERT_TRUE(WriteFileBytes(startup.common + "\\Shared.lnk", "x") &&
              PutState(kUser, kApprovedStartupFolder, "Shared.lnk", 3));
  // Reported, with its state.
  ASSERT_TRUE(PutState(kUser, kApprovedRun, "Gone", 3));
  ASSERT_TRUE(PutState(kMachine, kApprovedRun32, "Gone32", 6));
  ASSERT_TRUE(PutState(kMachine, kApprovedStartupFolder, "Gone.lnk", 2));

  ScanRecorder host;
  host.Scanner().ScanStartupApproved(0);
  std::vector<std::string> filed;
  for (const ProblemRecord* record : host.records) {
    filed.push_back(RootKeyName(record->rootKey) + "|" + record->keyPath.substr(record->keyPath.rfind('\\') + 1) +
                    "|" + record->valueName + "|" + record->valueData);
  }
  std::sort(filed.begin(), filed.end());
  EXPECT_EQ(filed, (std::vector<std::string>{"HKEY_CURRENT_USER|Run|Gone|Disabled",
                                             "HKEY_LOCAL_MACHINE|Run32|Gone32|Enabled",
                                             "HKEY_LOCAL_MACHINE|StartupFolder|Gone.lnk|Enabled"}));

  // Before removal: still an orphan as recorded; its entry back, or its state
  // changed, keeps it.
  std::string reason;
  for (const ProblemRecord* record : host.records) EXPECT_TRUE(RecheckProblem(*record, reason)) << reason;
  ASSERT_TRUE(RegPutString(kUser, kRunKeyPath32, "Gone", "x.exe"));
  ASSERT_TRUE(PutState(kMachine, kApprovedRun32, "Gone32", 3));
  for (const ProblemRecord* record : host.records) {
    EXPECT_EQ(RecheckProblem(*record, reason), record->valueName == "Gone.lnk") << record->valueName;
  }
  SetStartupFoldersForTest(nullptr);
}

}  // namespace
