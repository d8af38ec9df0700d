#include "framework/dialog_template.h"

#include <gtest/gtest.h>

#include <random>

#include "framework/fixed_font_dialog.h"
#include "test_dialog_ids.h"

namespace {

TEST(FixedFont, PointSizeUndoesTheScreenScaling) {
  // A screen that reports nothing (0) keeps the design size.
  const int cases[][2] = {{72, 11}, {96, 8}, {120, 7}, {144, 6}, {0, 8}};
  for (const auto& c : cases) EXPECT_EQ(FixedFontPointSize(c[0]), c[1]) << c[0];
}

TEST(FixedFont, DamagedTemplatesAreRefusedNotOverRead) {
  std::mt19937 random(7);
  const std::vector<uint8_t> good = LoadDialogTemplate(GetModuleHandleA(nullptr), IDD_LAYER_TEST);
  ASSERT_FALSE(good.empty());
  for (size_t cut = 0; cut < 60 && cut < good.size(); ++cut) {
    std::vector<uint8_t> truncated(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(cut));
    ReplaceTemplateFont(truncated, "Tahoma", 8);
  }
  for (int round = 0; round < 3000; ++round) {
    std::vector<uint8_t> noise(random() % 80);
    for (uint8_t& b : noise) b = static_cast<uint8_t>(random());
    if (round % 2 && noise.size() > 4) {
      noise[0] = 1;
      noise[1] = 0;
      noise[2] = noise[3] = 0xFF;
    }
    ReplaceTemplateFont(noise, "Tahoma", 8);
  }
}

TEST(FixedFont, ExtendedTemplateCarriesTheNewFace) {
  const std::vector<uint8_t> original =
      LoadDialogTemplate(GetModuleHandleA(nullptr), IDD_LAYER_TEST);
  const std::vector<uint8_t> edited = ReplaceTemplateFont(original, "Tahoma", 6);
  // DLGTEMPLATEEX: 26-byte header, then empty menu and class (2 bytes each), the
  // caption "Layer" (12 bytes), then point size, weight, italic, charset, face.
  const size_t fontAt = 26 + 2 + 2 + 12;
  const uint8_t font[] = {6, 0, 0x90, 1, 0, 1, 'T', 0, 'a', 0, 'h', 0, 'o', 0, 'm', 0, 'a', 0, 0, 0};
  ASSERT_GE(edited.size(), fontAt + sizeof(font));
  EXPECT_EQ(std::vector<uint8_t>(edited.begin() + fontAt, edited.begin() + fontAt + sizeof(font)),
            std::vector<uint8_t>(font, font + sizeof(font)));
}

}  // namespace
