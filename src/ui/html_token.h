#pragma once
// The mini-HTML tokenizer: pure code over bytes, no window system. It never reads
// outside [position, position + remaining).

#include <cstdint>
#include <string>

// Token codes; an end tag adds kHtmlEndTag (an unrecognised end tag is kHtmlEndTag alone).
enum HtmlToken {
  kHtmlEnd = -1,
  kHtmlText = 0,
  kHtmlBold = 1,
  kHtmlBreak = 2,
  kHtmlFont = 3,
  kHtmlItalic = 4,
  kHtmlParagraph = 5,
  kHtmlSubscript = 6,
  kHtmlSuperscript = 7,
  kHtmlUnderline = 8,
  kHtmlEndTag = 0x100,
};

// Style bits of the drawn text.
enum HtmlStyle : uint32_t {
  kStyleBold = 1,
  kStyleItalic = 2,
  kStyleUnderline = 4,
  kStyleSuperscript = 8,
  kStyleSubscript = 0x10,
};

// Reads the next token. `position` is left at the token's first character (after any
// skipped whitespace) and `remaining` is reduced by the whitespace and the token; the
// caller advances `position` by `tokenLength`. `pendingSpace` tells the caller that
// whitespace stood before the token (a gap to draw).
int NextHtmlToken(const char*& position, int& remaining, int& tokenLength, int& pendingSpace);

// "#RRGGBB" (optionally after one quote) as a COLORREF value (red in the low byte).
// Reads at most `length` characters; missing or non-hex digits count as 0.
uint32_t ParseHtmlColour(const char* text, int length);

// True for the whitespace the tokenizer separates words at.
bool IsHtmlSpace(char c);

// A text to be shown as it is inside markup: "&", "<" and ">" become the entities
// "&amp;", "&lt;" and "&gt;", so a registry name, a path or a message can never
// be taken for a tag. Every text from outside the program goes through it.
std::string HtmlEscaped(const std::string& text);

// A word as it is drawn: the entities "&lt;", "&gt;", "&amp;" and "&quot;" read
// back as their characters; any other "&" stays as it is.
std::string HtmlUnescaped(const char* word, int length);
