#include "ui/html_text.h"

#include <gtest/gtest.h>

#include <string>

#include "test_surface.h"
#include "ui/html_label.h"
#include "ui/html_token.h"

namespace {

int LineHeight(const Surface& surface) {
  SIZE size = {};
  GetTextExtentPoint32A(surface.Dc(), "\xC5y", 2, &size);
  return size.cy;
}

int SpaceWidth(const Surface& surface) {
  SIZE size = {};
  GetTextExtentPoint32A(surface.Dc(), " ", 1, &size);
  return size.cx;
}

void Draw(Surface& surface, const std::string& text, int width = 380) {
  const RECT rect = {10, 10, 10 + width, surface.Height() - 10};
  DrawHtmlText(surface.Dc(), text.c_str(), -1, rect);
}

RECT Band(const Surface& surface, int top, int bottom) {
  return RECT{0, top, surface.Width(), bottom};
}

TEST(HtmlText, BoldFirstLineAndRedSecondLineAtTheLeftEdge) {
  Surface surface(400, 120);
  const int line = LineHeight(surface);
  Draw(surface, "<b>Section Name : Installed Fonts</b><br><font color=\"#FF0000\">Problems "
                "Found : 3</font>");
  const RECT first = Band(surface, 10, 10 + line);
  const RECT second = Band(surface, 10 + line, 10 + 2 * line);
  const RECT red = surface.Bounds(IsRed, &second);
  EXPECT_EQ(surface.Bounds(IsRed, &first).right, 0) << "the first line is not red";
  ASSERT_GT(red.right, 0);
  EXPECT_LE(red.left, 12) << "the second line starts at the left edge";
  EXPECT_EQ(surface.Bounds(IsInk, &second).left, red.left);
  const RECT dark = surface.Bounds(IsInk, &first);
  EXPECT_LE(dark.left, 12);

  // The same first line without the bold tag is narrower.
  Surface plain(400, 120);
  Draw(plain, "Section Name : Installed Fonts");
  EXPECT_GT(dark.right, plain.Bounds(IsInk).right);
}

TEST(HtmlText, FontTagWithoutItsBracketStillColoursAndBolds) {
  Surface surface(400, 120);
  Draw(surface, "<font color=\"#0000FF\"<b>Manage Browser Helper Objects</b></font><br>BHO's");
  const int line = LineHeight(surface);
  const RECT first = Band(surface, 10, 10 + line);
  const RECT blue = surface.Bounds(IsBlue, &first);
  ASSERT_GT(blue.right, 0);
  EXPECT_LE(blue.left, 12);

  Surface plainBlue(400, 120);
  Draw(plainBlue, "<font color=\"#0000FF\">Manage Browser Helper Objects</font>");
  EXPECT_GT(blue.right, plainBlue.Bounds(IsBlue).right) << "bold as well as blue";

  const RECT second = Band(surface, 10 + line, 10 + 2 * line);
  EXPECT_EQ(surface.Bounds(IsBlue, &second).right, 0) << "the colour ends with its tag";
}

TEST(HtmlText, WordWiderThanTheRectangleIsDrawnWholeOnItsOwnLine) {
  Surface surface(400, 120);
  const int line = LineHeight(surface);
  Draw(surface, "a <font color=#FF0000>Unbreakablewordthatisverywide</font>", 40);
  const RECT red = surface.Bounds(IsRed);
  EXPECT_GE(red.top, 10 + line) << "moved to the next line";
  EXPECT_LE(red.left, 12) << "at the left edge";
  EXPECT_GT(red.right, 10 + 40 + 60) << "drawn whole past the right edge";
}

// Where the red word starts for each way of writing the gap before it.
int RedStart(const std::string& text) {
  Surface surface(400, 60);
  Draw(surface, text);
  return surface.Bounds(IsRed).left;
}

TEST(HtmlText, TagsAddNoGapAndWhitespaceAddsExactlyOneSpace) {
  Surface probe(400, 60);
  const int space = SpaceWidth(probe);
  ASSERT_GT(space, 0);
  const int touching = RedStart("ab<font color=#FF0000>cd</font>");
  EXPECT_EQ(RedStart("ab<b></b><font color=#FF0000>cd</font>"), touching);
  for (const char* text : {"ab <font color=#FF0000>cd</font>", "ab<font color=#FF0000> cd</font>",
                           "ab <font color=#FF0000> cd</font>", "ab  \t <b> <i> <font "
                           "color=#FF0000>cd</font>"}) {
    SCOPED_TRACE(text);
    EXPECT_EQ(RedStart(text), touching + space);
  }
}

TEST(HtmlText, UnderlineRunsUnderTheGapBetweenWords) {
  Surface surface(400, 60);
  Draw(surface, "<u>View Details</u>");
  // The underline is the row with the widest run of ink.
  const RECT ink = surface.Bounds(IsInk);
  int bestRow = -1;
  int bestCount = 0;
  for (int y = ink.top; y < ink.bottom; ++y) {
    int count = 0;
    for (int x = ink.left; x < ink.right; ++x) count += IsInk(surface.Pixel(x, y)) ? 1 : 0;
    if (count > bestCount) {
      bestCount = count;
      bestRow = y;
    }
  }
  ASSERT_GE(bestRow, 0);
  EXPECT_EQ(bestCount, ink.right - ink.left) << "one unbroken line from the first to the last letter";
}

TEST(HtmlText, UnknownStartTagsAreTextAndUnknownEndTagsVanish) {
  Surface drawn(400, 60);
  Draw(drawn, "a<x>b</x>c");
  Surface expected(400, 60);
  TextOutA(expected.Dc(), 10, 10, "a<x>bc", 6);
  EXPECT_TRUE(drawn.SameAs(expected));
}

TEST(HtmlText, AmpersandIsDrawnAsAnAmpersand) {
  Surface drawn(400, 60);
  Draw(drawn, "Fonts&Paths");
  Surface expected(400, 60);
  TextOutA(expected.Dc(), 10, 10, "Fonts&Paths", 11);
  EXPECT_TRUE(drawn.SameAs(expected));
}

TEST(HtmlText, ParagraphAddsOneAndAHalfLinesExceptAtTheStart) {
  Surface surface(400, 120);
  const int line = LineHeight(surface);
  Draw(surface, "<p><font color=#0000FF>first</font> words<p><font color=#FF0000>next</font>");
  const RECT blue = surface.Bounds(IsBlue);
  const RECT red = surface.Bounds(IsRed);
  EXPECT_LT(blue.top, 10 + line) << "a leading paragraph adds no space";
  EXPECT_GE(red.top, 10 + line * 3 / 2);
  EXPECT_LT(red.top, 10 + line * 3 / 2 + line);
  EXPECT_LE(red.left, 12);

  Surface broken(400, 120);
  Draw(broken, "words<br><font color=#FF0000>next</font>");
  EXPECT_EQ(red.top - broken.Bounds(IsRed).top, line * 3 / 2 - line);
}

TEST(HtmlText, NinthNestedColourIsSetButNotSaved) {
  const std::string greys = "<font color=#101010><font color=#202020><font color=#303030>"
                            "<font color=#404040><font color=#505050><font color=#606060>";
  // Tags 7, 8 and 9: red, grey, blue. Closing the ninth gives back the colour from
  // before the eighth (red), not the eighth's own.
  Surface surface(400, 60);
  Draw(surface, greys + "<font color=#FF0000><font color=#808080><font color=#0000FF>x</font>y");
  const RECT blue = surface.Bounds(IsBlue);
  const RECT red = surface.Bounds(IsRed);
  ASSERT_GT(blue.right, 0) << "the ninth colour is set";
  ASSERT_GT(red.right, 0);
  EXPECT_GE(red.left, blue.right) << "the word after it is red";
}

TEST(HtmlText, PopOnAnEmptyStackGivesTheFirstSlot) {
  Surface surface(40, 20);
  DrawHtmlText(surface.Dc(), "<font color=#FF0000>x</font>", -1, RECT{0, 0, 40, 20});
  SetTextColor(surface.Dc(), RGB(1, 2, 3));
  PopTextColour(surface.Dc());
  EXPECT_EQ(GetTextColor(surface.Dc()), RGB(0, 0, 0)) << "the colour saved first, black";
}

TEST(HtmlText, DrawingLeavesTheContextAsItWas) {
  Surface surface(200, 60);
  SetTextColor(surface.Dc(), RGB(1, 2, 3));
  Draw(surface, "<b><u><sup><font color=#FF0000>open tags and colours");
  EXPECT_EQ(GetTextColor(surface.Dc()), RGB(1, 2, 3));
  EXPECT_EQ(GetCurrentObject(surface.Dc(), OBJ_FONT), surface.Font());
}

TEST(HtmlText, MakeStyledFontScalesSuperscriptToSevenTenths) {
  Surface surface(40, 20);
  HFONT styled = MakeStyledFont(surface.Dc(), surface.Font(), kStyleBold | kStyleSuperscript);
  ASSERT_NE(styled, nullptr);
  LOGFONTA description = {};
  GetObjectA(styled, sizeof(description), &description);
  EXPECT_EQ(description.lfWeight, FW_BOLD);
  EXPECT_EQ(description.lfHeight, -13 * 7 / 10);
  DeleteObject(styled);
  EXPECT_EQ(MakeStyledFont(surface.Dc(), nullptr, kStyleBold), nullptr);
  SelectObject(surface.Dc(), surface.Font());
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
