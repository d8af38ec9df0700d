#pragma once
// Drawing texts with the small markup set (bold, italic, underline, sub- and
// superscript, colour, line and paragraph breaks) word by word with wrapping.

#include <windows.h>

#include <cstdint>

// Draws `text` (`length` bytes; negative = up to its terminating zero) into `rect`
// with the font selected in `hdc` as base font. The context's state is restored after.
void DrawHtmlText(HDC hdc, const char* text, int length, const RECT& rect);

// The process-wide colour stack of the font tag: eight saved colours.
void PushTextColour(HDC hdc, COLORREF colour);
void PopTextColour(HDC hdc);

// A font like `baseFont` with the style bits applied; null when it cannot be made.
// Leaves the stock system font selected in `hdc`.
HFONT MakeStyledFont(HDC hdc, HFONT baseFont, uint32_t styles);
