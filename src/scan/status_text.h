#pragma once
// The scan panel's status line: a path shortened to the label's width.

#include <windows.h>

#include <string>

// The text cut to 259 characters when it is longer.
std::string ClipStatusText(const std::string& text);

// Shows the text in the label, cut to 259 characters and compacted with an
// ellipsis to the label's pixel width in the default GUI font.
void SetStatusText(HWND hLabel, const std::string& text);
