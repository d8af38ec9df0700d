#pragma once
// A static text control that paints its window text as mini-HTML.

#include "framework/window.h"

class HtmlLabel : public Control {
 protected:
  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
};

// Paints `hWnd`'s text with its own font into `hdc`, inset by 5 pixels; shared by the
// paint handler and tests that draw into a memory context.
void PaintHtmlLabel(HWND hWnd, HDC hdc);
