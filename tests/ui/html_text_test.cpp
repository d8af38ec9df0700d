#include "ui/html_text.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "support/test_surface.h"
#include "ui/html_label.h"
#include "ui/html_token.h"

namespace {

int TextSize(const Surface& surface, const char* text, bool height) {
  SIZE size = {};
  GetTextExtentPoint32A(surface.Dc(), text, static_cast<int>(strlen(text)), &size);
  return height ? size.cy : size.cx;
}
int LineHeight(const Surface& surface) { return TextSize(surface, "\xC5y", true); }

void Draw(Surface& surface, const std::string& text, int width = 380) {
  DrawHtmlText(surface.Dc(), text.c_str(), -1, RECT{10, 10, 10 + width, surface.Height() - 10});
}

// The band of one text line, counting from 0, in a surface drawn by Draw.
RECT Line(const Surface& surface, int index) {
  const int line = LineHeight(surface);
  return RECT{0, 10 + index * line, surface.Width(), 10 + (index + 1) * line};
}

// Bounds of the red ink of `text` drawn on its own.
RECT Drawn(const std::string& text) {
  Surface surface(400, 60);
  Draw(surface, text);
  return surface.Bounds(IsRed);
}

TEST(HtmlText, BoldFirstLineAndRedSecondLineAtTheLeftEdge) {
  Surface surface(400, 120);
  Draw(surface, "<b>Section Name : Installed Fonts</b><br><font color=\"#FF0000\">Problems "
                "Found : 3</font>");
  const RECT first = Line(surface, 0), second = Line(surface, 1);
  const RECT red = surface.Bounds(IsRed, &second);
  EXPECT_EQ(surface.Bounds(IsRed, &first).right, 0) << "the first line is not red";
  ASSERT_GT(red.right, 0);
  EXPECT_LE(red.left, 12) << "the second line starts at the left edge";
  EXPECT_EQ(surface.Bounds(IsInk, &second).left, red.left);
  EXPECT_LE(surface.Bounds(IsInk, &first).left, 12);
  // Bold has more ink than plain (at 11 pixels: Wine draws 13-pixel bold Tahoma
  // with the regular face's bitmaps).
  const auto ink = [](const char* markup) {
    Surface small(400, 20);
    const FontHandle font(CreateFontA(-11, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, NONANTIALIASED_QUALITY, 0, "Tahoma"));
    const SelectedObject selected(small.Dc(), font.Get());
    DrawHtmlText(small.Dc(), markup, -1, RECT{0, 0, 400, 20});
    int count = 0;
    for (int i = 0; i < 400 * 20; ++i) count += IsInk(small.Pixel(i % 400, i / 400)) ? 1 : 0;
    return count;
  };
  EXPECT_GT(ink("<b>Section Name : Installed Fonts</b>"), ink("Section Name : Installed Fonts"));
}

TEST(HtmlText, WordWiderThanTheRectangleIsDrawnWholeOnItsOwnLine) {
  Surface surface(400, 120);
  Draw(surface, "a <font color=#FF0000>Unbreakablewordthatisverywide</font>", 40);
  const RECT red = surface.Bounds(IsRed);
  EXPECT_GE(red.top, Line(surface, 1).top) << "moved to the next line";
  EXPECT_LE(red.left, 12) << "at the left edge";
  EXPECT_GT(red.right, 10 + 40 + 60) << "drawn whole past the right edge";
}

// "ab" in the base font, then a red "cd" in the style the markup leaves on, one space of
// that style's font after the end of "ab" or touching it: where the renderer must put it.
RECT ExpectedRed(uint32_t cdStyles, bool gap) {
  Surface surface(400, 60);
  TextOutA(surface.Dc(), 10, 10, "ab", 2);
  const int ab = TextSize(surface, "ab", false);
  const FontHandle styled(MakeStyledFont(surface.Dc(), surface.Font(), cdStyles));
  {
    const SelectedObject font(surface.Dc(), styled.Get());
    const int x = 10 + ab + (gap ? TextSize(surface, " ", false) : 0);
    SetTextColor(surface.Dc(), RGB(255, 0, 0));
    TextOutA(surface.Dc(), x, 10, "cd", 2);
  }
  return surface.Bounds(IsRed);
}

TEST(HtmlText, TagsAddNoGapAndWhitespaceAddsExactlyOneSpace) {
  const struct {
    const char* markup;
    uint32_t cdStyles;
    bool gap;
  } cases[] = {
      {"ab<font color=#FF0000>cd</font>", 0, false},
      {"ab<b></b><font color=#FF0000>cd</font>", 0, false},
      {"ab <font color=#FF0000>cd</font>", 0, true},
      {"ab<font color=#FF0000> cd</font>", 0, true},
      {"ab <font color=#FF0000> cd</font>", 0, true},
      // Whitespace around several tags still gives one space, measured in the font
      // of the word that follows.
      {"ab  \t <b> <i> <font color=#FF0000>cd</font>", kStyleBold | kStyleItalic, true},
  };
  for (const auto& c : cases) {
    const RECT expected = ExpectedRed(c.cdStyles, c.gap);
    ASSERT_GT(expected.right, 0);
    EXPECT_EQ(Drawn(c.markup).left, expected.left) << c.markup;
  }
}

TEST(HtmlText, UnderlineRunsUnderTheGapBetweenWords) {
  Surface surface(400, 60);
  Draw(surface, "<u>View Details</u>");
  // The underline is the row with the widest run of ink.
  const RECT ink = surface.Bounds(IsInk);
  int bestCount = 0;
  for (int y = ink.top; y < ink.bottom; ++y) {
    int count = 0;
    for (int x = ink.left; x < ink.right; ++x) count += IsInk(surface.Pixel(x, y)) ? 1 : 0;
    bestCount = std::max(bestCount, count);
  }
  EXPECT_EQ(bestCount, ink.right - ink.left) << "one unbroken line from the first to the last letter";
}

// Markup that must draw exactly like its plain pieces, each drawn in one call
// starting where the previous piece's measured extent ends: the words of one
// style on a line are one piece, so the gaps between them are the font's own.
TEST(HtmlText, DrawnExactlyAsPlainPieces) {
  const struct {
    std::string markup;
    std::vector<const char*> pieces;
  } cases[] = {
      // unknown start tags are text, unknown end tags vanish without a gap
      {"a<x>b</x>c", {"a<x>bc"}},
      {"Fonts&Paths", {"Fonts&Paths"}},  // no mnemonic underline
      // any whitespace is one space; tags that leave the style as it was split nothing
      {"Problems  Found\t:<i></i> 1", {"Problems Found : 1"}},
      {"HKEY_LOCAL_MACHINE \\SYSTEM <font color=#000000>\\Services</font>",
       {"HKEY_LOCAL_MACHINE \\SYSTEM", " ", "\\Services"}},
      // a text from outside, escaped, is drawn as the text it is: its tags
      // neither break the line nor make it bold; entities are read once
      {HtmlEscaped("Reminder<br><b>Key</b>"), {"Reminder<br><b>Key</b>"}},
      {HtmlEscaped("&lt;") + "&quot;", {"&lt;\""}},
  };
  for (const auto& c : cases) {
    Surface drawn(400, 60);
    Draw(drawn, c.markup);
    Surface expected(400, 60);
    int x = 10;
    for (const char* piece : c.pieces) {
      TextOutA(expected.Dc(), x, 10, piece, static_cast<int>(strlen(piece)));
      x += TextSize(expected, piece, false);
    }
    EXPECT_TRUE(drawn.SameAs(expected)) << c.markup;
  }
}

TEST(HtmlText, ParagraphAddsOneAndAHalfLinesExceptAtTheStart) {
  Surface surface(400, 120);
  const int line = LineHeight(surface);
  Draw(surface, "<p><font color=#0000FF>first</font> words<p><font color=#FF0000>next</font>");
  const RECT red = surface.Bounds(IsRed);
  EXPECT_LT(surface.Bounds(IsBlue).top, 10 + line) << "a leading paragraph adds no space";
  EXPECT_GE(red.top, 10 + line * 3 / 2);
  EXPECT_LT(red.top, 10 + line * 3 / 2 + line);
  EXPECT_LE(red.left, 12);
  EXPECT_EQ(red.top - Drawn("words<br><font color=#FF0000>next</font>").top, line * 3 / 2 - line);
}

TEST(HtmlText, NinthNestedColourIsSetButNotSaved) {
  // Tags 7, 8 and 9: red, grey, blue. Closing the ninth gives back the colour from
  // before the eighth (red), not the eighth's own.
  Surface surface(400, 60);
  Draw(surface, "<font color=#101010><font color=#202020><font color=#303030><font color=#404040>"
                "<font color=#505050><font color=#606060><font color=#FF0000><font color=#808080>"
                "<font color=#0000FF>x</font>y");
  const RECT blue = surface.Bounds(IsBlue), red = surface.Bounds(IsRed);
  ASSERT_GT(blue.right, 0) << "the ninth colour is set";
  ASSERT_GT(red.right, 0);
  EXPECT_GE(red.left, blue.right) << "the word after it is red";
}

// A stray closing colour tag gives back the first colour saved (black), not
// whatever the context had; open tags and colours do not outlive the call.
TEST(HtmlText, AnEmptyStackGivesTheFirstSlotAndDrawingLeavesTheContextAsItWas) {
  Surface surface(200, 60);
  Draw(surface, "<font color=#FF0000>x</font>");
  SetTextColor(surface.Dc(), RGB(1, 2, 3));
  PopTextColour(surface.Dc());
  EXPECT_EQ(GetTextColor(surface.Dc()), RGB(0, 0, 0));
  SetTextColor(surface.Dc(), RGB(1, 2, 3));
  Draw(surface, "<b><u><sup><font color=#FF0000>open tags and colours");
  EXPECT_EQ(GetTextColor(surface.Dc()), RGB(1, 2, 3));
  EXPECT_EQ(GetCurrentObject(surface.Dc(), OBJ_FONT), surface.Font());
}

TEST(HtmlLabel, PaintsItsTextInsetByFivePixels) {
  HWND hWnd = CreateWindowA("STATIC", "<font color=#FF0000>Restore</font>", WS_POPUP, 0, 0, 200,
                            40, nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(hWnd, nullptr);
  HtmlLabel label;
  ASSERT_TRUE(label.Attach(hWnd));
  Surface surface(200, 40);
  PaintHtmlLabel(hWnd, surface.Dc());
  const RECT red = surface.Bounds(IsRed);
  EXPECT_GE(red.left, 5);
  EXPECT_LE(red.left, 7);
  EXPECT_GE(red.top, 5);
  DestroyWindow(hWnd);
  EXPECT_EQ(label.Handle(), nullptr);
}

}  // namespace
