#pragma once
// A modal dialog run with Tahoma at a point size that undoes the screen's
// dots-per-inch scaling, so a layout drawn over fixed-size pictures keeps its pixel
// size on every screen.

#include "framework/window.h"

class FixedFontDialog : public Dialog {
 public:
  FixedFontDialog(int templateId, HWND hParent) : Dialog(templateId, hParent) {}
  // The dialog's result, or -1 when the template cannot be loaded.
  INT_PTR DoModal() override;
};

// The template resource's bytes; empty when missing.
std::vector<uint8_t> LoadDialogTemplate(HINSTANCE hModule, int templateId);
