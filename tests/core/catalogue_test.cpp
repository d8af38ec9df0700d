#include "core/section_catalogue.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "core/registry.h"
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

TEST_F(CatalogueTest, SectionsKeepTheirOrderIdsAndExactTexts) {
  SectionCatalogue catalogue;
  std::vector<int> ids;
  for (const ScanSection& section : catalogue.Sections()) ids.push_back(section.sectionId);
  EXPECT_EQ(ids, kAllIds) << "no section 12";
  EXPECT_EQ(catalogue.Find(12), nullptr);

  const ScanSection* associations = catalogue.Find(kFileAssociations);
  ASSERT_NE(associations, nullptr);
  EXPECT_EQ(associations->description.back(), 's') << "no full stop, as stored";
  EXPECT_EQ(catalogue.Find(kProgramShortcuts)->description,
            "This Section contains all the Program Shortcuts on the Hard Disk Drive");
  EXPECT_EQ(catalogue.Find(kActiveXCom)->name, "ActiveX/COM Program ID");
  EXPECT_EQ(catalogue.Find(kVxdFiles)->description,
            "This Section has a list of VXD(System Drivers) files to load at windows startup.");

  EXPECT_EQ(catalogue.Find(kStartupPrograms)->severity, kModerate);
  EXPECT_EQ(catalogue.Find(kApplicationPaths)->severity, kModerate);
  EXPECT_EQ(catalogue.Find(kFullRegistryScan)->severity, kSevere);
  EXPECT_EQ(catalogue.Find(kSystemServices)->severity, kCritical);
  EXPECT_STREQ(SeverityName(kCritical), "Critical");
  EXPECT_STREQ(SeverityName(7), "");
}

TEST_F(CatalogueTest, WithoutSettingsEverySectionIsDisabled) {
  EXPECT_FALSE(SettingsKeyExists());
  SectionCatalogue catalogue;
  EXPECT_TRUE(EnabledIds(catalogue).empty());
  EXPECT_EQ(LoadSectionEnabled(3), 0u);
}

TEST_F(CatalogueTest, FirstRunWritesVersionAndFourteenFlags) {
  InitSettingsKey();
  EXPECT_TRUE(SettingsKeyExists());

  CRegistry settings(HKEY_CURRENT_USER, kSettings);
  std::string version;
  ASSERT_TRUE(settings.QueryStringValue("Version", version));
  EXPECT_EQ(version, "v2.1");

  std::vector<std::string> names;
  std::string name;
  DWORD type = 0;
  while (settings.EnumValue(name, type)) {
    names.push_back(name);
    if (name != "Version") {
      EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD)) << name;
      DWORD value = 0;
      EXPECT_TRUE(settings.QueryDwordValue(name, value));
      EXPECT_EQ(value, 1u) << name;
    }
  }
  EXPECT_EQ(names.size(), 15u) << "Version plus \"1\" to \"14\", \"12\" included";

  SectionCatalogue catalogue;
  EXPECT_EQ(EnabledIds(catalogue), kAllIds);
}

TEST_F(CatalogueTest, FlagStoredAsStringCountsAsDisabled) {
  InitSettingsKey();
  ASSERT_TRUE(RegPutString(HKEY_CURRENT_USER, kSettings, "7", "1"));
  ASSERT_TRUE(RegPutDword(HKEY_CURRENT_USER, kSettings, "9", 0));
  SectionCatalogue catalogue;
  EXPECT_EQ(catalogue.Find(kHelpFiles)->enabled, 0);
  EXPECT_EQ(catalogue.Find(kApplicationPaths)->enabled, 0);
  EXPECT_EQ(EnabledIds(catalogue).size(), 11u);
}

TEST_F(CatalogueTest, SavingTheSelectionStoresEachRowsState) {
  InitSettingsKey();
  SectionCatalogue catalogue;
  std::vector<std::pair<ScanSection*, int>> rows;
  for (ScanSection& section : catalogue.Sections()) {
    rows.emplace_back(&section, section.sectionId == kInstalledFonts ? 1 : 0);
  }
  SaveSectionSelection(rows);
  EXPECT_EQ(EnabledIds(catalogue), std::vector<int>{kInstalledFonts});

  SectionCatalogue reloaded;
  EXPECT_EQ(EnabledIds(reloaded), std::vector<int>{kInstalledFonts});
  EXPECT_EQ(LoadSectionEnabled(12), 1u) << "the unused value 12 stays as written";
}

TEST_F(CatalogueTest, SavingWithoutSettingsKeyChangesOnlyMemory) {
  SectionCatalogue catalogue;
  ScanSection* fonts = catalogue.Find(kInstalledFonts);
  SaveSectionSelection({{fonts, 1}});
  EXPECT_EQ(fonts->enabled, 1);
  EXPECT_FALSE(SettingsKeyExists()) << "the settings key is not created by a save";
}

}  // namespace
