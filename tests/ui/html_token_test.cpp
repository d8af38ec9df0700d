#include "ui/html_token.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "support/test_surface.h"

namespace {

// The token stream as "a|^b": tokens joined by '|', '^' where a space is pending before one.
std::string Tokenize(const std::string& text, std::vector<int>* codes = nullptr) {
  std::string out;
  const char* position = text.data();
  int remaining = static_cast<int>(text.size());
  int length = 0;
  int pending = 0;
  int code;
  while ((code = NextHtmlToken(position, remaining, length, pending)) != kHtmlEnd) {
    if (codes) codes->push_back(code);
    out += (out.empty() ? "" : "|") + std::string(pending ? "^" : "") +
           std::string(position, static_cast<size_t>(length));
    if (code == kHtmlText) pending = 0;  // the drawer clears it after a word
    position += length;
  }
  return out;
}

TEST(HtmlToken, TagNamesMatchTheFirstEntryThatIsTheirPrefix) {
  const struct {
    const char* tag;
    int code;
  } cases[] = {
      {"<b>", kHtmlBold}, {"<B>", kHtmlBold}, {"<bold>", kHtmlBold}, {"<blink>", kHtmlBold},
      {"<strong>", kHtmlBold}, {"<strongest>", kHtmlBold}, {"<i>", kHtmlItalic},
      {"<em>", kHtmlItalic}, {"<img>", kHtmlItalic}, {"<u>", kHtmlUnderline},
      {"<ul>", kHtmlUnderline}, {"<sup>", kHtmlSuperscript}, {"<sub>", kHtmlSubscript},
      {"<p>", kHtmlParagraph}, {"<pre>", kHtmlParagraph}, {"<br>", kHtmlBreak},
      {"<BR>", kHtmlBreak}, {"<span>", kHtmlText}, {"<x>", kHtmlText},
      {"</b>", kHtmlBold | kHtmlEndTag}, {"</font>", kHtmlFont | kHtmlEndTag},
      {"</span>", kHtmlEndTag},
      {"<b >", kHtmlText}, {"<b", kHtmlText},  // a recognised tag must close right after its word
  };
  for (const auto& c : cases) {
    std::vector<int> codes;
    Tokenize(c.tag, &codes);
    EXPECT_EQ(codes.empty() ? kHtmlEnd : codes[0], c.code) << c.tag;
  }
}

// Whitespace before a word is reported once, however much of it there was. A tag
// between whitespace and a word keeps the space pending for the word ("a <b> c" has
// one gap); a tag met with a space pending swallows the whitespace after it; block
// tags drop the pending space and the whitespace after them.
TEST(HtmlToken, StreamsOfWordsTagsAndSpaces) {
  const struct {
    const char* text;
    const char* tokens;
  } cases[] = {
      {"one \t\r\n two", "one|^two"},
      {"a <b> c", "a|^<b>|^c"},
      {"a <b> <i> c", "a|^<b>|^<i> |^c"},
      {"a <br>  b", "a|<br>  |b"},
      {"a<b>c", "a|<b>|c"},
      {"Total&More<x>tail", "Total&More|<x>|tail"},
      {"   ", ""},
      {"", ""},
      // A font tag without its '>' runs to the next '<'.
      {"<font color=\"#0000FF\"<b>Manage Browser</b></font>",
       "<font color=\"#0000FF\"|<b>|Manage|^Browser|</b>|</font>"},
      {"<font color=#FF0000>red</font>", "<font color=#FF0000>|red|</font>"},
  };
  for (const auto& c : cases) EXPECT_EQ(Tokenize(c.text), c.tokens) << c.text;
}

TEST(HtmlToken, ColourReadsSixHexDigits) {
  const struct {
    const char* text;
    uint32_t colour;
  } cases[] = {
      {"\"#FF0000\"", 0x0000FFu}, {"#7B7B7B", 0x7B7B7Bu}, {"'#0000ff'", 0xFF0000u},
      {"#00FF00", 0x00FF00u},
      {"#F", 0x0000F0u},    // missing digits count as 0
      {"red", 0x00D00Eu},   // names are read as digits: r=0, e=14, d=13
      {"", 0u},
  };
  for (const auto& c : cases)
    EXPECT_EQ(ParseHtmlColour(c.text, static_cast<int>(std::string(c.text).size())), c.colour)
        << c.text;
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
      for (int count = static_cast<int>(random() % 12); count > 0; --count) {
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
      if ((code & 0xFF) == kHtmlFont && !(code & kHtmlEndTag) && end - position > 12)
        ParseHtmlColour(position + 12, static_cast<int>(end - position) - 12);
      position += length;
      ASSERT_LT(++calls, 200);
    }
  }
}

}  // namespace
