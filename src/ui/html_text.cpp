#include "ui/html_text.h"

#include <cstring>
#include <string>

#include "core/handles.h"
#include "ui/html_token.h"

namespace {

const int kColourSlots = 8;
COLORREF g_colourStack[kColourSlots] = {};
int g_nColourCount = 0;

const int kFontSlots = 32;

// Fonts made for one drawing call; slot 0 is the caller's font, never deleted.
// The DC is restored before the cache goes, so none of them is still selected.
class FontCache {
 public:
  explicit FontCache(HFONT base) : m_hBase(base) {}
  HFONT Get(HDC hdc, uint32_t styles) {
    const uint32_t slot = styles & (kFontSlots - 1);
    if (slot == 0) return m_hBase;
    if (!m_fonts[slot]) m_fonts[slot].Reset(MakeStyledFont(hdc, m_hBase, slot));
    return m_fonts[slot].Get();
  }

 private:
  HFONT m_hBase;
  FontHandle m_fonts[kFontSlots];
};

int TextWidth(HDC hdc, const char* text, int length) {
  SIZE size = {};
  GetTextExtentPoint32A(hdc, text, length, &size);
  return size.cx;
}

bool StartsWithNoCase(const char* text, int length, const char* prefix) {
  const int n = static_cast<int>(std::strlen(prefix));
  if (length < n) return false;
  for (int i = 0; i < n; ++i) {
    char c = text[i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != prefix[i]) return false;
  }
  return true;
}

// Words of one style and colour on one line, drawn together in one call, so the
// gaps between them are the font's own. The layout still places every word by
// its measured width (line breaks, and the places a click or a link depends on,
// come from the measurement); under Wine small sizes of a font are drawn from
// its embedded bitmaps, narrower than the outlines measured, so words drawn one
// by one at measured places stand apart unevenly.
class WordRun {
 public:
  WordRun(HDC hdc, const RECT& rect) : m_hdc(hdc), m_rect(rect) {}

  // Whether a word of these styles and flags at this line continues the run.
  bool Continues(uint32_t styles, UINT flags, int y) const {
    return m_bOpen && styles == m_nStyles && flags == m_nFlags && y == m_nY;
  }
  void Start(const char* word, int length, int x, int y, uint32_t styles, UINT flags) {
    m_text.assign(word, length);
    m_nX = x;
    m_nY = y;
    m_nStyles = styles;
    m_nFlags = flags;
    m_bOpen = true;
  }
  void Append(const char* word, int length, bool spaceBefore) {
    if (spaceBefore) m_text += ' ';
    m_text.append(word, length);
  }
  // Draws the run with the font and colour the context holds (the caller ends a
  // run before either changes). right: the layout's right edge, relative.
  void Flush(int right, int lineHeight) {
    if (!m_bOpen) return;
    m_bOpen = false;
    RECT line = {m_rect.left + m_nX, m_rect.top + m_nY, m_rect.left + right,
                 m_rect.top + m_nY + lineHeight};
    DrawTextA(m_hdc, m_text.data(), static_cast<int>(m_text.size()), &line, m_nFlags);
  }

 private:
  HDC m_hdc;
  RECT m_rect;
  std::string m_text;
  int m_nX = 0;
  int m_nY = 0;
  uint32_t m_nStyles = 0;
  UINT m_nFlags = 0;
  bool m_bOpen = false;
};

}  // namespace

void PushTextColour(HDC hdc, COLORREF colour) {
  if (g_nColourCount < kColourSlots) g_colourStack[g_nColourCount++] = GetTextColor(hdc);
  SetTextColor(hdc, colour);
}

void PopTextColour(HDC hdc) {
  if (g_nColourCount > 0)
    SetTextColor(hdc, g_colourStack[--g_nColourCount]);
  else
    SetTextColor(hdc, g_colourStack[0]);
}

HFONT MakeStyledFont(HDC hdc, HFONT baseFont, uint32_t styles) {
  SelectObject(hdc, GetStockObject(SYSTEM_FONT));
  LOGFONTA description = {};
  if (!baseFont || !GetObjectA(baseFont, sizeof(description), &description)) return nullptr;
  description.lfWeight = (styles & kStyleBold) ? FW_BOLD : FW_NORMAL;
  description.lfItalic = (styles & kStyleItalic) ? TRUE : FALSE;
  description.lfUnderline = (styles & kStyleUnderline) ? TRUE : FALSE;
  if (styles & (kStyleSuperscript | kStyleSubscript))
    description.lfHeight = description.lfHeight * 7 / 10;
  return CreateFontIndirectA(&description);
}

void DrawHtmlText(HDC hdc, const char* text, int length, const RECT& rect) {
  if (!hdc || !text) return;
  if (length < 0) length = static_cast<int>(std::strlen(text));

  int available = rect.right - rect.left;
  if (available < 0) available = 0;
  // A run is one line by the layout's measure: the system must not break it again.
  const UINT baseFlags = DT_SINGLELINE | DT_NOPREFIX;

  const int saved = SaveDC(hdc);
  HFONT base = static_cast<HFONT>(SelectObject(hdc, GetStockObject(SYSTEM_FONT)));
  SelectObject(hdc, base);
  SIZE probe = {};
  GetTextExtentPoint32A(hdc, "\xC5y", 2, &probe);
  const int lineHeight = probe.cy;

  g_nColourCount = 0;
  int x = 0;
  int y = 0;
  uint32_t styles = 0;
  int64_t fontStyles = -1;
  int pendingSpace = 0;
  int spaceWidth = 0;

  {
    FontCache fonts(base);
    WordRun run(hdc, rect);
    const char* position = text;
    int remaining = length;
    int tokenLength = 0;
    int token;
    while ((token = NextHtmlToken(position, remaining, tokenLength, pendingSpace)) != kHtmlEnd) {
      const bool endTag = (token & kHtmlEndTag) != 0;
      switch (token & 0xFF) {
        case kHtmlBold:
        case kHtmlItalic:
        case kHtmlUnderline:
        case kHtmlSuperscript:
        case kHtmlSubscript: {
          const int code = token & 0xFF;
          const uint32_t bit = code == kHtmlBold        ? kStyleBold
                               : code == kHtmlItalic    ? kStyleItalic
                               : code == kHtmlUnderline ? kStyleUnderline
                               : code == kHtmlSuperscript ? kStyleSuperscript
                                                          : kStyleSubscript;
          if (endTag)
            styles &= ~bit;
          else
            styles |= bit;
          break;
        }
        case kHtmlBreak:
          if (!endTag) {
            x = 0;
            y += lineHeight;
          }
          break;
        case kHtmlParagraph:
          if (!endTag) {
            if (position != text) y += lineHeight * 3 / 2;
            x = 0;
          }
          break;
        case kHtmlFont: {
          run.Flush(available, lineHeight);  // drawn in the colour it had
          if (endTag) {
            PopTextColour(hdc);
          } else {
            // "<font color=..." : the attribute starts after "<font" and one separator.
            const int left = static_cast<int>((text + length) - position);
            if (left > 6 && StartsWithNoCase(position + 6, left - 6, "color="))
              PushTextColour(hdc, ParseHtmlColour(position + 12, left - 12));
          }
          break;
        }
        case kHtmlText: {
          if (endTag) break;  // an end tag nobody knows is simply dropped
          if (static_cast<int64_t>(styles) != fontStyles) {
            run.Flush(available, lineHeight);  // drawn in the font it had
            HFONT font = fonts.Get(hdc, styles);
            if (font) SelectObject(hdc, font);
            fontStyles = styles;
            spaceWidth = TextWidth(hdc, " ", 1);
          }
          // Texts from outside come escaped: the word is drawn as its characters.
          const std::string word = HtmlUnescaped(position, tokenLength);
          const int wordLength = static_cast<int>(word.size());
          const int width = TextWidth(hdc, word.c_str(), wordLength);
          if (width > available) available = width;  // a word is never broken
          const bool spaceBefore = pendingSpace != 0;
          if (spaceBefore) x += spaceWidth;
          if (spaceBefore && x + width > available) {
            x = 0;
            y += lineHeight;
          }
          UINT flags = baseFlags;
          if (styles & kStyleSubscript) flags |= DT_BOTTOM;
          if (run.Continues(styles, flags, y)) {
            run.Append(word.c_str(), wordLength, spaceBefore);
          } else {
            run.Flush(available, lineHeight);
            if (spaceBefore && (styles & kStyleUnderline) && x >= spaceWidth) {
              // Underline runs on under the gap before an underlined word (within a
              // run the gaps are the run's own underlined spaces).
              RECT gap = {rect.left + x - spaceWidth, rect.top + y, rect.left + x,
                          rect.top + y + lineHeight};
              DrawTextA(hdc, " ", 1, &gap, baseFlags);
            }
            run.Start(word.c_str(), wordLength, x, y, styles, flags);
          }
          x += width;
          pendingSpace = 0;
          break;
        }
        default:
          break;
      }
      position += tokenLength;
    }
    run.Flush(available, lineHeight);
    RestoreDC(hdc, saved);
  }
}
