#include "app/proportional_layout.h"

RECT ScaleRect(const RECT& captured, double horizontal, double vertical) {
  RECT scaled;
  scaled.left = static_cast<LONG>(captured.left * horizontal);
  scaled.right = static_cast<LONG>(captured.right * horizontal);
  scaled.top = static_cast<LONG>(captured.top * vertical);
  scaled.bottom = static_cast<LONG>(captured.bottom * vertical);
  return scaled;
}

void ProportionalLayout::CaptureChildren(HWND hOwner) {
  m_vEntries.clear();
  m_hOwner = hOwner;
  if (!IsWindow(hOwner)) return;
  GetWindowRect(hOwner, &m_rcOwner);
  for (HWND hChild = GetTopWindow(hOwner); hChild; hChild = GetWindow(hChild, GW_HWNDNEXT)) {
    Entry entry = {{}, hChild};
    GetWindowRect(hChild, &entry.rect);
    MapWindowPoints(nullptr, hOwner, reinterpret_cast<POINT*>(&entry.rect), 2);
    m_vEntries.push_back(entry);
  }
}

void ProportionalLayout::ScaleChildren() {
  if (!IsWindow(m_hOwner)) return;
  const LONG capturedWidth = m_rcOwner.right - m_rcOwner.left;
  const LONG capturedHeight = m_rcOwner.bottom - m_rcOwner.top;
  // A window that was never captured (or is captured with no size) has nothing to scale by.
  if (capturedWidth <= 0 || capturedHeight <= 0) return;
  RECT now = {};
  GetWindowRect(m_hOwner, &now);
  const double horizontal = static_cast<double>(now.right - now.left) / capturedWidth;
  const double vertical = static_cast<double>(now.bottom - now.top) / capturedHeight;
  for (const Entry& entry : m_vEntries) {
    const RECT r = ScaleRect(entry.rect, horizontal, vertical);
    MoveWindow(entry.hWnd, r.left, r.top, r.right - r.left, r.bottom - r.top, TRUE);
  }
}
