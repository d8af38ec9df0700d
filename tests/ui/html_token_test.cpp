#include "ui/html_token.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "test_surface.h"

namespace {

struct Token {
  int code;
  std::string text;
  int pendingBefore;
};

std::vector<Token> Tokenize(const std::string& text) {
  std::vector<Token> tokens;
  const char* position = text.data();
  int remaining = static_cast<int>(text.size());
  int length = 0;
  int pending = 0;
  int code;
  while ((code = NextHtmlToken(position, remaining, length, pending)) != kHtmlEnd) {
    tokens.push_back({code, std::string(position, static_cast<size_t>(length)), pending});
    if (code == kHtmlText) pending = 0;  // the drawer clears it after a word
    position += length;
  }
  return tokens;
}

TEST(HtmlToken, TagNamesMatchTheFirstEntryThatIsTheirPrefix) {
  struct Case {
    const char* tag;
    int code;
  } cases[] = {
      {"<b>", kHtmlBold},           {"<B>", kHtmlBold},          {"<bold>", kHtmlBold},
      {"<blink>", kHtmlBold},       {"<strong>", kHtmlBold},     {"<strongest>", kHtmlBold},
      {"<i>", kHtmlItalic},         {"<em>", kHtmlItalic},       {"<img>", kHtmlItalic},
      {"<u>", kHtmlUnderline},      {"<ul>", kHtmlUnderline},    {"<sup>", kHtmlSuperscript},
      {"<sub>", kHtmlSubscript},    {"<p>", kHtmlParagraph},     {"<pre>", kHtmlParagraph},
      {"<br>", kHtmlBreak},         {"<BR>", kHtmlBreak},        {"<span>", kHtmlText},
      {"<x>", kHtmlText},           {"</b>", kHtmlBold | kHtmlEndTag},
      {"</font>", kHtmlFont | kHtmlEndTag}, {"</span>", kHtmlEndTag},
      {"<b >", kHtmlText},  // a recognised tag must close right after its word
      {"<b", kHtmlText},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.tag);
    const std::vector<Token> tokens = Tokenize(c.tag);
    ASSERT_FALSE(tokens.empty());
    EXPECT_EQ(tokens[0].code, c.code);
  }
}

TEST(HtmlToken, FontTagRunsToTheNextBracket) {
  const std::vector<Token> tokens =
      Tokenize("<font color=\"#0000FF\"<b>Manage Browser</b></font>");
  ASSERT_GE(tokens.size(), 3u);
  EXPECT_EQ(tokens[0].code, kHtmlFont);
  EXPECT_EQ(tokens[0].text, "<font color=\"#0000FF\"");
  EXPECT_EQ(tokens[1].code, kHtmlBold);
  EXPECT_EQ(tokens[2].text, "Manage");

  const std::vector<Token> closed = Tokenize("<font color=#FF0000>red</font>");
  ASSERT_EQ(closed.size(), 3u);
  EXPECT_EQ(closed[0].text, "<font color=#FF0000>");
  EXPECT_EQ(closed[1].text, "red");
}

TEST(HtmlToken, WhitespaceBecomesOnePendingSpace) {
  // Whitespace before a word is reported once, however much of it there was.
  std::vector<Token> tokens = Tokenize("one \t\r\n two");
  ASSERT_EQ(tokens.size(), 2u);
  EXPECT_EQ(tokens[0].pendingBefore, 0);
  EXPECT_EQ(tokens[1].pendingBefore, 1);

  // A tag between whitespace and a word keeps the space pending for the word, so
  // "a <b> c" has exactly one gap; a tag met with a space already pending swallows
  // the whitespace after it.
  tokens = Tokenize("a <b> c");
  ASSERT_EQ(tokens.size(), 3u);
  EXPECT_EQ(tokens[1].text, "<b>");
  EXPECT_EQ(tokens[2].pendingBefore, 1);
  tokens = Tokenize("a <b> <i> c");
  ASSERT_EQ(tokens.size(), 4u);
  EXPECT_EQ(tokens[2].text, "<i> ");
  EXPECT_EQ(tokens[3].pendingBefore, 1);

  // Block tags drop the pending space and the whitespace after them.
  tokens = Tokenize("a <br>  b");
  ASSERT_EQ(tokens.size(), 3u);
  EXPECT_EQ(tokens[1].text, "<br>  ");
  EXPECT_EQ(tokens[2].pendingBefore, 0);

  tokens = Tokenize("a<b>c");
  ASSERT_EQ(tokens.size(), 3u);
  EXPECT_EQ(tokens[2].pendingBefore, 0);
}

TEST(HtmlToken, WordsEndAtWhitespaceOrATag) {
  const std::vector<Token> tokens = Tokenize("Total&More<x>tail");
  ASSERT_EQ(tokens.size(), 3u);
  EXPECT_EQ(tokens[0].text, "Total&More");
  EXPECT_EQ(tokens[1].text, "<x>");
  EXPECT_EQ(tokens[1].code, kHtmlText);
  EXPECT_EQ(tokens[2].text, "tail");
  EXPECT_TRUE(Tokenize("   ").empty());
  EXPECT_TRUE(Tokenize("").empty());
}

TEST(HtmlToken, ColourReadsSixHexDigits) {
  auto colour = [](const std::string& text) {
    return ParseHtmlColour(text.c_str(), static_cast<int>(text.size()));
  };
  EXPECT_EQ(colour("\"#FF0000\""), 0x0000FFu);
  EXPECT_EQ(colour("#7B7B7B"), 0x7B7B7Bu);
  EXPECT_EQ(colour("'#0000ff'"), 0xFF0000u);
  EXPECT_EQ(colour("#00FF00"), 0x00FF00u);
  EXPECT_EQ(colour("#F"), 0x0000F0u) << "missing digits count as 0";
  EXPECT_EQ(colour("red"), 0x00D00Eu) << "names are read as digits: r=0, e=14, d=13";
  EXPECT_EQ(colour(""), 0u);
  EXPECT_EQ(ParseHtmlColour(nullptr, 5), 0u);
}

// Random bytes, and random mixtures of markup pieces, placed against an unreadable
// page: the tokenizer must make progress on every call and never read past the end.
TEST(HtmlToken, FuzzedInputStaysInBounds) {
  std::mt19937 random(20261206);
  const char* pieces[] = {"<", ">", "</", "<b>", "<font color=", "\"#", "FF", " ", "\t", "<br",
                          "<p>", "<u", "word", "&", "</font>", "<sup", "\xC5", "\0"};
  for (int round = 0; round < 6000; ++round) {
    std::vector<uint8_t> bytes;
    if (round % 2) {
      bytes.resize(random() % 64);
      for (uint8_t& b : bytes) b = static_cast<uint8_t>(random());
    } else {
      const int count = static_cast<int>(random() % 12);
      for (int i = 0; i < count; ++i) {
        const std::string piece = pieces[random() % (sizeof(pieces) / sizeof(pieces[0]))];
        bytes.insert(bytes.end(), piece.begin(), piece.end());
      }
    }
    GuardedBuffer buffer(bytes);
    const char* position = reinterpret_cast<const char*>(buffer.Data());
    const char* const end = position + buffer.Size();
    int remaining = static_cast<int>(buffer.Size());
    int length = 0;
    int pending = 0;
    int calls = 0;
    int code;
    while ((code = NextHtmlToken(position, remaining, length, pending)) != kHtmlEnd) {
      ASSERT_GT(length, 0);
      ASSERT_LE(position + length, end);
      ASSERT_EQ(end - (position + length), remaining);
      if ((code & 0xFF) == kHtmlFont && !(code & kHtmlEndTag)) {
        const int left = static_cast<int>(end - position);
        if (left > 12) ParseHtmlColour(position + 12, left - 12);
      }
      position += length;
      ASSERT_LT(++calls, 200);
    }
  }
}

}  // namespace
