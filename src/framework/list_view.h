#pragma once
// The few report-view list calls the dialogs make, each one message.

#include <windows.h>

#include <string>

// Adds a left-aligned column with its header text.
void InsertListColumn(HWND hList, int index, const char* header, int width);
// Sets the text of one cell (column 0 is the row's own text).
void SetListCell(HWND hList, int row, int column, const std::string& text);
// The text of one cell, up to 4,095 characters.
std::string ListCellText(HWND hList, int row, int column);
// True when the row's check box is ticked (state image 2).
bool IsListRowChecked(HWND hList, int row);
