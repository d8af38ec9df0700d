#include "ui/html_label.h"

#include <string>

#include "core/handles.h"
#include "ui/html_text.h"

void PaintHtmlLabel(HWND hWnd, HDC hdc) {
  RECT rect = {};
  GetClientRect(hWnd, &rect);
  InflateRect(&rect, -5, -5);
  const int length = GetWindowTextLengthA(hWnd);
  std::string text(static_cast<size_t>(length > 0 ? length : 0) + 1, '\0');
  const int got = GetWindowTextA(hWnd, &text[0], length + 1);
  text.resize(static_cast<size_t>(got > 0 ? got : 0));
  const SelectedObject font(hdc, reinterpret_cast<HFONT>(SendMessageA(hWnd, WM_GETFONT, 0, 0)));
  const int oldMode = SetBkMode(hdc, TRANSPARENT);
  DrawHtmlText(hdc, text.c_str(), static_cast<int>(text.size()), rect);
  SetBkMode(hdc, oldMode);
}

LRESULT HtmlLabel::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_PAINT) {
    PAINTSTRUCT paint;
    HDC hdc = BeginPaint(m_hWnd, &paint);
    if (hdc) PaintHtmlLabel(m_hWnd, hdc);
    EndPaint(m_hWnd, &paint);
    return 0;
  }
  if (message == WM_SETTEXT) {
    // The text is drawn over what lies beneath: let the parent repaint that first.
    LRESULT result = Default(message, wParam, lParam);
    RedrawUnder(m_hWnd);
    return result;
  }
  return Default(message, wParam, lParam);
}
