#include "core/section_catalogue.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "core/registry.h"
#include "scan/section_registry.h"
#include "support/registry_sandbox.h"

namespace {

using CatalogueTest = SandboxedTest;

const char* const kSettings = "Software\\Tarnwick";

std::vector<int> EnabledIds(const SectionCatalogue& catalogue) {
  std::vector<int> ids;
  for (const ScanSection& section : catalogue.Sections()) {
    if (section.enabled) ids.push_back(section.sectionId);
  }
  return ids;
}

const std::vector<int> kAllIds = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 13, 14};

// Without settings every section is disabled. The first run writes the version
// plus "1" to "14", "12" included, each a DWORD 1; a flag stored as text or as 0
// leaves its section disabled.
TEST_F(CatalogueTest, FirstRunEnablesEverySectionAndReadsOnlyDwordFlags) {
  EXPECT_FALSE(SettingsKeyExists());
  EXPECT_TRUE(EnabledIds(SectionCatalogue(RegisteredSections())).empty());
  InitSettingsKey();
  EXPECT_TRUE(SettingsKeyExists());
  CRegistry settings(HKEY_CURRENT_USER, kSettings);
  std::string version;
  ASSERT_TRUE(settings.QueryStringValue("Version", version));
  EXPECT_EQ(version, "v2.1");
  for (int id = 1; id <= 14; ++id) EXPECT_EQ(LoadSectionEnabled(id), 1u) << id;
  EXPECT_EQ(EnabledIds(SectionCatalogue(RegisteredSections())), kAllIds);

  ASSERT_TRUE(RegPutString(HKEY_CURRENT_USER, kSettings, "7", "1"));
  ASSERT_TRUE(RegPutDword(HKEY_CURRENT_USER, kSettings, "9", 0));
  EXPECT_EQ(EnabledIds(SectionCatalogue(RegisteredSections())), (std::vector<int>{1, 2, 3, 4, 5, 6, 8, 10, 11, 13, 14}));
}

TEST_F(CatalogueTest, SavingTheSelectionStoresEachRowsStateOnlyWhereSettingsExist) {
  SectionCatalogue unsaved(RegisteredSections());
  ScanSection* fonts = unsaved.Find(kInstalledFonts);
  SaveSectionSelection({{fonts, 1}});
  EXPECT_EQ(fonts->enabled, 1);
  EXPECT_FALSE(SettingsKeyExists()) << "the settings key is not created by a save";

  InitSettingsKey();
  SectionCatalogue catalogue(RegisteredSections());
  std::vector<std::pair<ScanSection*, int>> rows;
  for (ScanSection& section : catalogue.Sections()) {
    rows.emplace_back(&section, section.sectionId == kInstalledFonts ? 1 : 0);
  }
  SaveSectionSelection(rows);
  EXPECT_EQ(EnabledIds(catalogue), std::vector<int>{kInstalledFonts});
  EXPECT_EQ(EnabledIds(SectionCatalogue(RegisteredSections())), std::vector<int>{kInstalledFonts});
  EXPECT_EQ(LoadSectionEnabled(12), 1u) << "the unused value 12 stays as written";
}

}  // namespace
