#pragma once
// A static text control turned into a link: link colours, underline while hovered,
// a hand cursor, a tooltip with the target, and the shell opens the target on a
// click. The parent always receives the click notification as well.

#include <windows.h>

#include <cstdint>
#include <string>

#include "core/handles.h"
#include "framework/window.h"

class HyperlinkLabel : public Control {
 public:
  // Underline modes.
  static const int kUnderlineHover = -1;
  static const int kUnderlineNever = 0;
  static const int kUnderlineAlways = 1;
  static const UINT_PTR kHoverTimer = 100;

  HyperlinkLabel();
  ~HyperlinkLabel() override;

  void SetURL(const std::string& target);
  const std::string& URL() const { return m_strURL; }
  // A hover colour of (COLORREF)-1 means the system highlight colour.
  void SetColours(COLORREF link, COLORREF visited, COLORREF hover);
  void SetVisited(bool visited);
  bool Visited() const { return m_bVisited; }
  void SetUnderline(int mode);
  int Underline() const { return m_nUnderline; }
  // When set, a click opens nothing and only the parent acts on it.
  void SetNavigationOff(bool off) { m_bNavigationOff = off; }
  void SetAdjustToText(bool adjust) { m_bAdjustToFit = adjust; }
  // Makes the link reachable from the keyboard: a tab stop that Space and Enter
  // activate, with a focus rectangle, and whose access key (the letter after "&"
  // in its text) activates it as it does a button.
  void SetKeyboardAccess(bool on);
  bool Hovered() const { return m_bOverControl; }
  // The colour the text is drawn in now.
  COLORREF TextColour() const;
  HFONT CurrentFont() const;

  // Opens the target with the shell, else with the ".htm" handler; the shell's
  // result code (above 32 is success).
  static intptr_t GotoURL(const std::string& target, int showCommand);

  // Replaces how targets are opened (tests); null restores GotoURL.
  using Opener = intptr_t (*)(const std::string& target, int showCommand);
  static void SetOpener(Opener opener);

  bool OnReflected(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

 protected:
  void OnAttached() override;
  void OnDetaching() override;
  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  void ReleaseResources();
  void ResizeToText();
  void SizeToSingleLine();
  void LoadHandCursor();
  void CreateToolTip();
  void ApplyFont(HFONT font);
  HFONT RestingFont() const;
  void Repaint();
  void OnClick();
  // As a click does: the dialog hears of it, and the link opens its target.
  void Activate();
  void DrawFocus();

  std::string m_strURL;
  COLORREF m_crLink;
  COLORREF m_crVisited;
  COLORREF m_crHover;
  bool m_bVisited = false;
  bool m_bOverControl = false;
  bool m_bAdjustToFit = true;
  bool m_bNavigationOff = false;
  bool m_bSizing = false;
  int m_nUnderline = kUnderlineHover;
  FontHandle m_hFont;
  FontHandle m_hUnderlineFont;
  // The hand shown over the link: our copy of the help viewer's (held by
  // m_hOwnCursor) or a shared one nobody destroys.
  HCURSOR m_hLinkCursor = nullptr;
  CursorHandle m_hOwnCursor;
  HWND m_hToolTip = nullptr;
};
