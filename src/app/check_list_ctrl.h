#pragma once
// CheckListCtrl: the owner-drawn list of the results, the section choice and the
// details window. Each row is a small mini-HTML text with a check-box picture on
// its left; the results rows also carry a "View Details" link and a severity label
// with its bar. Row item data points at a ScanSection or a ProblemRecord that the
// list does not own.

#include <windows.h>

#include <map>
#include <string>

#include "core/handles.h"
#include "framework/window.h"

// Sent to the list's parent when a row's "View Details" link is clicked: first
// parameter the row's item data, second 0.
constexpr UINT kOpenSectionDetailsMessage = 34744;

class CheckListCtrl : public Control {
 public:
  CheckListCtrl();
  ~CheckListCtrl() override;

  // Loads both pictures; false (and no check boxes drawn) when either is missing.
  bool SetCheckPictures(int checkedId, int uncheckedId);
  void SetLinkText(const std::string& text) { m_strLinkText = text; }
  void SetRowSeverity(int row, int code) { m_mapSeverity[row] = code; }
  // Empties the severity map, then deletes every row.
  void ClearRows();

  // The one header-less column and the row height (an empty image list as tall
  // as a row), with the given extended list styles.
  void SetUp(int rowHeight, DWORD extendedStyles);
  // Appends a row; its index, or -1.
  int AppendRow(const std::string& text, LPARAM data, bool checked);
  // Deletes one row; the severities of the rows below it move up with them.
  void DeleteRow(int row);
  void SetRowText(int row, const std::string& text);
  int RowCount() const;
  LPARAM RowData(int row) const;
  bool Checked(int row) const;
  void SetChecked(int row, bool checked);

  // The link rectangle relative to a row's top-left corner; computed from the
  // list's font when no row has been drawn yet, so a click finds the link even
  // before the first paint.
  RECT LinkRect();
  const RECT& CheckRect() const { return m_rcCheck; }

  // The check-box state (0 or 1) of a list-view state word: its state-image index
  // minus one, 0 for no image.
  static int CheckState(UINT state);

  bool OnReflected(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

 protected:
  void OnDetaching() override;
  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  void DrawItem(const DRAWITEMSTRUCT& item);
  RECT MeasureLink(HDC hdc, const std::string& rowText) const;
  bool OnLeftButtonDown(LPARAM lParam);
  bool OnSetCursor();
  int TextLeft() const;

  int m_bCheckBoxes = 0;
  int m_nRowHeight = 0;  // 0 until set up: the list's own height stands
  BitmapHandle m_hChecked;
  BitmapHandle m_hUnchecked;
  SIZE m_szCheck = {};
  RECT m_rcCheck = {};
  RECT m_rcLink = {};
  std::string m_strLinkText;
  BitmapHandle m_hBars[3];
  std::map<int, int> m_mapSeverity;
};
