// The window's item dialogs: the ignore list ("Ignore Checked" in the details
// window, the next scan leaving the ignored problems out, "Ignored Items..."
// taking entries off the list again) and the items of one backup archive.

#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include "app/details_dialog.h"
#include "app/item_list_dialog.h"
#include "core/ignore_list.h"
#include "core/registry.h"
#include "window_fixture.h"

namespace {

int Rows(HWND hList) { return static_cast<int>(SendMessageA(hList, LVM_GETITEMCOUNT, 0, 0)); }

std::string RowText(HWND hList, int row, int column = 0) {
  char text[512] = {};
  LVITEMA item = {};
  item.iSubItem = column;
  item.pszText = text;
  item.cchTextMax = sizeof(text);
  SendMessageA(hList, LVM_GETITEMTEXTA, row, reinterpret_cast<LPARAM>(&item));
  return text;
}

void Press(HWND hDialog, int id) { SendMessageA(GetDlgItem(hDialog, id), BM_CLICK, 0, 0); }

std::vector<std::string> StoredTexts() {
  std::vector<std::string> texts;
  for (const IgnoreEntry& entry : ReadIgnoreEntries()) texts.push_back(IgnoreText(entry));
  return texts;
}

}  // namespace

TEST_F(MainWindowTest, IgnoredProblemsLeaveTheResultsUntilTakenOffTheList) {
  Open();
  RunScan();
  HWND hList = Item(kResultsList);
  auto* results = static_cast<CheckListCtrl*>(Control::FromHandle(hList));
  ScanSection* fonts = m_pDialog->Catalogue().Find(kInstalledFonts);
  ScanSection* paths = m_pDialog->Catalogue().Find(kApplicationPaths);
  ASSERT_EQ(5, Rows(hList));
  ASSERT_EQ(2, fonts->problemCount());
  const int total = m_pDialog->Store().totalProblems();
  const std::string ignoredName = fonts->problems[0]->valueName;
  const std::string keptName = fonts->problems[1]->valueName;

  // One of the two fonts: nothing checked first, then the first row.
  int left = -1;
  ASSERT_TRUE(WithModal("Details", [&] { ClickAt(hList, RowPoint(hList, 0, results->LinkRect())); },
                        [&](HWND hDetails) {
                          Press(hDetails, kIgnoreCheckedButton);
                          HWND hRows = GetDlgItem(hDetails, 1023);
                          ClickAt(hRows, RowPoint(hRows, 0, RECT{8, 15, 24, 31}));
                          Press(hDetails, kIgnoreCheckedButton);
                          left = Rows(hRows);
                        }));
  EXPECT_EQ("No Items Checked", m_prompts.Texts().at(m_prompts.Texts().size() - 1));
  EXPECT_EQ(1, left);
  ASSERT_EQ(1, fonts->problemCount());
  EXPECT_EQ(keptName, fonts->problems[0]->valueName);
  EXPECT_NE(std::string::npos, RowText(hList, 0).find("Problems Found : 1<"));
  EXPECT_EQ("Total Problems : " + std::to_string(total - 1), Text(kResultsTotal));

  // The whole Application Paths section: its results row goes with it.
  SendMessageA(hList, LVM_ENSUREVISIBLE, 4, FALSE);
  ASSERT_TRUE(WithModal("Details", [&] { ClickAt(hList, RowPoint(hList, 4, results->LinkRect())); },
                        [&](HWND hDetails) {
                          Press(hDetails, 1039);
                          Press(hDetails, kIgnoreCheckedButton);
                        }));
  EXPECT_EQ(4, Rows(hList));
  EXPECT_EQ(0, paths->problemCount());
  const std::string fontsKey = std::string("HKEY_LOCAL_MACHINE\\") + kFontsKey;
  EXPECT_EQ(StoredTexts(),
            (std::vector<std::string>{"Value: " + fontsKey + "\\\\" + ignoredName,
                                      std::string("Key: HKEY_LOCAL_MACHINE\\") + kAppPathsKey + "\\qbgone.exe"}));

  // The next scan leaves them out and counts them.
  RunScan();
  EXPECT_EQ(1, fonts->problemCount());
  EXPECT_EQ(1, fonts->ignored);
  EXPECT_EQ(1, paths->ignored);
  EXPECT_EQ("1", ProgressCell(0, 1));
  EXPECT_EQ(total - 2, m_pDialog->Store().totalProblems());

  // Advanced Controls: taking the font off the list brings it back.
  Click(kNavAdvancedControls);
  EXPECT_TRUE(Visible(kIgnoredItems));
  int listed = 0, after = 0;
  std::string firstRow;
  ASSERT_TRUE(WithModal("Ignored Items", [&] { Click(kIgnoredItems); }, [&](HWND hItems) {
    HWND hRows = GetDlgItem(hItems, kItemList);
    listed = Rows(hRows);
    firstRow = RowText(hRows, 0);
    Press(hItems, kItemAction);
    ListView_SetCheckState(hRows, 0, TRUE);
    Press(hItems, kItemAction);
    after = Rows(hRows);
  }));
  EXPECT_EQ(2, listed);
  EXPECT_EQ("Value", firstRow);
  EXPECT_EQ(1, after);
  EXPECT_EQ("No Items Checked", m_prompts.Texts().back());
  RunScan();
  EXPECT_EQ(2, fonts->problemCount());
  EXPECT_EQ(0, paths->problemCount());
}

TEST_F(MainWindowTest, ShowItemsRestoresOnlyTheCheckedItems) {
  Open();
  RunScan();
  HWND hList = Item(kResultsList);
  ClickAt(hList, RowPoint(hList, 0, RECT{8, 15, 24, 31}));  // Installed Fonts: two values
  m_prompts.Answer(true);
  Click(kRemoveButton);
  ASSERT_EQ("Selected Items Removed", m_prompts.Texts().back());

  Click(kNavRestoreBackup);
  Click(kShowBackupItems);
  EXPECT_EQ("Please Select a backup Date", m_prompts.Texts().back());
  SendMessageA(Item(kBackupDates), CB_SETCURSEL, 0, 0);
  std::vector<std::string> values;
  ASSERT_TRUE(WithModal("Backup Items", [&] { Click(kShowBackupItems); }, [&](HWND hItems) {
    HWND hRows = GetDlgItem(hItems, kItemList);
    for (int row = 0; row < Rows(hRows); ++row) values.push_back(RowText(hRows, row, 2));
    ListView_SetCheckState(hRows, 1, TRUE);
    Press(hItems, kItemAction);
  }));
  EXPECT_EQ(values, (std::vector<std::string>{"Qb Gone A", "Qb Gone B"}));
  EXPECT_EQ("Items Restored", m_prompts.Texts().back());
  DWORD type = 0;
  std::string bytes;
  EXPECT_FALSE(RegGetRaw(HKEY_LOCAL_MACHINE, kFontsKey, "Qb Gone A", type, bytes));
  EXPECT_TRUE(RegGetRaw(HKEY_LOCAL_MACHINE, kFontsKey, "Qb Gone B", type, bytes));
}
