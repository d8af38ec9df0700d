#include "ui/html_token.h"

#include <cstring>

#include "core/ascii_case.h"

namespace {

struct TagEntry {
  const char* name;
  int token;
  bool takesAttribute;
  bool block;
};

// Searched in this order: a tag matches the first entry whose name is a prefix of it,
// so "sup" and "sub" come before anything shorter that they could be taken for.
const TagEntry kTags[] = {
    {"u", kHtmlUnderline, false, false},     {"sup", kHtmlSuperscript, false, false},
    {"sub", kHtmlSubscript, false, false},   {"strong", kHtmlBold, false, false},
    {"p", kHtmlParagraph, false, true},      {"i", kHtmlItalic, false, false},
    {"font", kHtmlFont, true, false},        {"em", kHtmlItalic, false, false},
    {"br", kHtmlBreak, false, true},         {"b", kHtmlBold, false, false},
};

const TagEntry* FindTag(const char* name, const char* end) {
  for (const TagEntry& entry : kTags) {
    const size_t length = std::strlen(entry.name);
    if (static_cast<size_t>(end - name) < length) continue;
    size_t i = 0;
    while (i < length && LowerAscii(name[i]) == entry.name[i]) ++i;
    if (i == length) return &entry;
  }
  return nullptr;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return 0;
}

}  // namespace

bool IsHtmlSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

int NextHtmlToken(const char*& position, int& remaining, int& tokenLength, int& pendingSpace) {
  tokenLength = 0;
  const int wasPending = pendingSpace;
  if (!pendingSpace && remaining > 0 && IsHtmlSpace(*position)) pendingSpace = 1;
  while (remaining > 0 && IsHtmlSpace(*position)) {
    ++position;
    --remaining;
  }
  if (remaining <= 0) return kHtmlEnd;

  const char* const start = position;
  const char* const end = position + remaining;
  const char* cursor = start;
  int code = kHtmlText;

  if (*start == '<') {
    const bool endTag = remaining >= 2 && start[1] == '/';
    const char* const name = start + (endTag ? 2 : 1);
    cursor = name;
    while (cursor < end && !IsHtmlSpace(*cursor) && *cursor != '<' && *cursor != '>') ++cursor;

    const TagEntry* tag = FindTag(name, end);
    if (tag) {
      if (tag->takesAttribute && !endTag) {
        // The attribute runs to the next bracket of either kind, so a font tag that
        // lacks its ">" still ends where the next tag begins.
        while (cursor < end && *cursor != '<' && *cursor != '>') ++cursor;
      } else if (cursor >= end || *cursor != '>') {
        tag = nullptr;
      }
    }
    if (tag && tag->block) pendingSpace = 0;
    if (cursor < end && *cursor == '>') ++cursor;
    if ((tag && tag->block) || wasPending) {
      while (cursor < end && IsHtmlSpace(*cursor)) ++cursor;
    }
    code = (tag ? tag->token : kHtmlText) + (endTag ? kHtmlEndTag : 0);
  } else {
    while (cursor < end && !IsHtmlSpace(*cursor) && *cursor != '<') ++cursor;
  }

  tokenLength = static_cast<int>(cursor - start);
  remaining -= tokenLength;
  return code;
}

uint32_t ParseHtmlColour(const char* text, int length) {
  if (!text || length <= 0) return 0;
  int at = 0;
  if (at < length && (text[at] == '\'' || text[at] == '"')) ++at;
  if (at < length && text[at] == '#') ++at;
  int digits[6] = {};
  for (int i = 0; i < 6 && at + i < length && text[at + i] != '\0'; ++i)
    digits[i] = HexDigit(text[at + i]);
  const uint32_t red = static_cast<uint32_t>(digits[0] * 16 + digits[1]);
  const uint32_t green = static_cast<uint32_t>(digits[2] * 16 + digits[3]);
  const uint32_t blue = static_cast<uint32_t>(digits[4] * 16 + digits[5]);
  return red | (green << 8) | (blue << 16);
}

std::string HtmlEscaped(const std::string& text) {
  std::string escaped;
  escaped.reserve(text.size());
  for (char c : text) {
    switch (c) {
      case '&': escaped += "&amp;"; break;
      case '<': escaped += "&lt;"; break;
      case '>': escaped += "&gt;"; break;
      default: escaped += c; break;
    }
  }
  return escaped;
}

std::string HtmlUnescaped(const char* word, int length) {
  static const struct {
    const char* entity;
    char character;
  } kEntities[] = {{"&lt;", '<'}, {"&gt;", '>'}, {"&amp;", '&'}, {"&quot;", '"'}};
  std::string text;
  text.reserve(length > 0 ? static_cast<size_t>(length) : 0);
  for (int i = 0; i < length; ++i) {
    bool decoded = false;
    if (word[i] == '&') {
      for (const auto& entry : kEntities) {
        const int size = static_cast<int>(std::strlen(entry.entity));
        if (length - i >= size && std::strncmp(word + i, entry.entity, size) == 0) {
          text += entry.character;
          i += size - 1;
          decoded = true;
          break;
        }
      }
    }
    if (!decoded) text += word[i];
  }
  return text;
}
