#pragma once
// ProportionalLayout: remembers where each child of a window sits and, when the
// window is resized, moves every child in proportion to the window's new outer
// size. The main window is resized once to its picture's size; at other screen
// resolutions this keeps the controls on their places in the artwork.

#include <windows.h>

#include <vector>

class ProportionalLayout {
 public:
  struct Entry {
    RECT rect;  // in the owner's client coordinates at capture time
    HWND hWnd;
  };

  // Records the owner's window rectangle and every direct child's rectangle.
  void CaptureChildren(HWND hOwner);
  // Moves every recorded child by the ratio of the new outer size to the captured one.
  void ScaleChildren();

  const std::vector<Entry>& Entries() const { return m_vEntries; }

 private:
  HWND m_hOwner = nullptr;
  RECT m_rcOwner = {};
  std::vector<Entry> m_vEntries;
};

// The scaled rectangle of one entry (truncated toward zero, as the layout moves it).
RECT ScaleRect(const RECT& captured, double horizontal, double vertical);
