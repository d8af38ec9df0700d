#pragma once
// The scan panel's status line: a path shortened to the label's width.

#include <windows.h>

#include <string>

// The text cut to 259 characters when it is longer.
std::string ClipStatusText(const std::string& text);

// Shows the text in the label, cut to 259 characters and compacted with an
// ellipsis to the label's pixel width in the default GUI font.
void SetStatusText(HWND hLabel, const std::string& text);

// The scan's status line made cheap for long walks: a label repaint per item costs
// far more than the item itself, and nobody can read twenty thousand paths a
// second. Each text is kept; the label is updated with the newest one when it
// was last updated at least kIntervalMs ago, and at once on Flush, so it never
// shows an older item once the walk stops or pauses long enough to be read.
class StatusLine {
 public:
  static constexpr unsigned long long kIntervalMs = 30;

  explicit StatusLine(HWND hLabel = nullptr) : m_hLabel(hLabel) {}
  void SetLabel(HWND hLabel) { m_hLabel = hLabel; }

  void Show(const std::string& text);
  // Whether a text given to Show now would be put up at once.
  bool Due() const;
  // Puts up the newest text now (the end of a scan, an abort).
  void Flush();
  // The newest text, shown or not.
  const std::string& Text() const { return m_strText; }

 private:
  HWND m_hLabel;
  std::string m_strText;
  bool m_bPending = false;
  unsigned long long m_nLastShown = 0;
};
