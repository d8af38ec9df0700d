#include "support/test_surface.h"

#include <algorithm>
#include <cstring>

Surface::Surface(int width, int height) : m_nWidth(width), m_nHeight(height) {
  BITMAPINFO info = {};
  info.bmiHeader = {sizeof(info.bmiHeader), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  m_hdc.Reset(CreateCompatibleDC(nullptr));
  void* bits = nullptr;
  m_hBitmap.Reset(CreateDIBSection(m_hdc.Get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  m_pBits = static_cast<uint32_t*>(bits);
  std::fill(m_pBits, m_pBits + width * height, 0xFFFFFFu);  // white
  m_hOld = SelectObject(m_hdc.Get(), m_hBitmap.Get());
  LOGFONTA description = {};
  description.lfHeight = -13;
  description.lfWeight = FW_NORMAL;
  description.lfQuality = NONANTIALIASED_QUALITY;
  std::strcpy(description.lfFaceName, "Tahoma");
  m_hFont.Reset(CreateFontIndirectA(&description));
  m_hOldFont = SelectObject(m_hdc.Get(), m_hFont.Get());
  SetBkMode(m_hdc.Get(), TRANSPARENT);
}

Surface::~Surface() {
  SelectObject(m_hdc.Get(), m_hOldFont);
  SelectObject(m_hdc.Get(), m_hOld);
}

COLORREF Surface::Pixel(int x, int y) const {
  GdiFlush();
  if (x < 0 || y < 0 || x >= m_nWidth || y >= m_nHeight) return RGB(255, 255, 255);
  const uint32_t value = m_pBits[y * m_nWidth + x];
  return RGB((value >> 16) & 0xFF, (value >> 8) & 0xFF, value & 0xFF);
}

RECT Surface::Bounds(bool (*ink)(COLORREF), const RECT* within) const {
  const RECT area = within ? *within : RECT{0, 0, m_nWidth, m_nHeight};
  RECT box = {m_nWidth, m_nHeight, -1, -1};
  for (int y = area.top; y < area.bottom; ++y)
    for (int x = area.left; x < area.right; ++x)
      if (ink(Pixel(x, y))) {
        box = {std::min<LONG>(box.left, x), std::min<LONG>(box.top, y),
               std::max<LONG>(box.right, x + 1), std::max<LONG>(box.bottom, y + 1)};
      }
  return box.right < 0 ? RECT{0, 0, 0, 0} : box;
}

bool Surface::SameAs(const Surface& other) const {
  GdiFlush();
  return m_nWidth == other.m_nWidth && m_nHeight == other.m_nHeight &&
         std::memcmp(m_pBits, other.m_pBits, sizeof(uint32_t) * m_nWidth * m_nHeight) == 0;
}

bool IsInk(COLORREF c) { return c != RGB(255, 255, 255); }
bool IsRed(COLORREF c) { return GetRValue(c) > 160 && GetGValue(c) < 90 && GetBValue(c) < 90; }
bool IsBlue(COLORREF c) { return GetBValue(c) > 160 && GetRValue(c) < 90 && GetGValue(c) < 90; }
