#pragma once
// Helpers for the control and window drawing tests: a memory drawing surface whose pixels can be read.

#include <windows.h>

#include <cstdint>
#include <vector>

#include "core/handles.h"
#include "support/guarded_buffer.h"

// A white top-down 32-bit bitmap with a 13-pixel Tahoma (no smoothing) selected.
class Surface {
 public:
  Surface(int width, int height);
  ~Surface();
  Surface(const Surface&) = delete;
  Surface& operator=(const Surface&) = delete;

  HDC Dc() const { return m_hdc.Get(); }
  HFONT Font() const { return m_hFont.Get(); }
  int Width() const { return m_nWidth; }
  int Height() const { return m_nHeight; }
  COLORREF Pixel(int x, int y) const;
  // Bounding box of the pixels matching `ink`; empty (0,0,0,0) when none.
  RECT Bounds(bool (*ink)(COLORREF), const RECT* within = nullptr) const;
  bool SameAs(const Surface& other) const;

 private:
  int m_nWidth;
  int m_nHeight;
  // The DC goes first, having given back the bitmap and font.
  BitmapHandle m_hBitmap;
  FontHandle m_hFont;
  MemoryDc m_hdc;
  HGDIOBJ m_hOld = nullptr;
  HGDIOBJ m_hOldFont = nullptr;
  uint32_t* m_pBits = nullptr;
};

// Any non-white pixel; clearly red / blue (that channel high, the others low,
// allowing for smoothing).
bool IsInk(COLORREF c);
bool IsRed(COLORREF c);
bool IsBlue(COLORREF c);
