#include "app/status_text.h"

#include <shlwapi.h>

#include <cstring>

#include "core/handles.h"

std::string ClipStatusText(const std::string& text) {
  return text.size() >= MAX_PATH ? text.substr(0, MAX_PATH - 1) : text;
}

void SetStatusText(HWND hLabel, const std::string& text) {
  if (hLabel == nullptr) return;
  const std::string clipped = ClipStatusText(text);
  char buffer[MAX_PATH];
  std::memcpy(buffer, clipped.c_str(), clipped.size() + 1);

  RECT client = {};
  GetClientRect(hLabel, &client);
  const WindowDc dc(hLabel);
  if (dc) {
    const SelectedObject font(dc.Get(), GetStockObject(DEFAULT_GUI_FONT));
    if (!PathCompactPathA(dc.Get(), buffer, static_cast<UINT>(client.right - client.left))) {
      std::memcpy(buffer, clipped.c_str(), clipped.size() + 1);
    }
  }
  SetWindowTextA(hLabel, buffer);
}

bool StatusLine::Due() const {
  return m_nLastShown == 0 || GetTickCount64() - m_nLastShown >= kIntervalMs;
}

void StatusLine::Show(const std::string& text) {
  m_strText = text;
  m_bPending = true;
  if (Due()) Flush();
}

void StatusLine::Flush() {
  if (!m_bPending) return;
  SetStatusText(m_hLabel, m_strText);
  m_bPending = false;
  m_nLastShown = GetTickCount64();
}
