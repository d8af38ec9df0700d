#pragma once
// ProgressListCtrl: the Scan panel's owner-drawn list: a status picture, the
// section name, the problem count in red and the status, in grey-edged cells.

#include <windows.h>
#include <commctrl.h>

#include <string>

#include "core/handles.h"
#include "framework/window.h"

// Row pictures.
enum ProgressImage { kImagePending = 0, kImageScanning = 1, kImageDone = 2 };

class ProgressListCtrl : public Control {
 public:
  ~ProgressListCtrl() override;

  // The three centred columns, full-row selection and the 20 x 24 pictures
  // (waiting, scanning, done) that also set the row height.
  void SetUp();
  int AppendRow(const std::string& name, const std::string& count, const std::string& status,
                LPARAM data);
  void SetCell(int row, int column, const std::string& text);
  std::string Cell(int row, int column) const;
  // Sets the row's picture and redraws the row.
  void SetProgressImage(int image, int row);
  int Image(int row) const;

  bool OnReflected(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

 protected:
  void OnDetaching() override;

 private:
  void DrawItem(const DRAWITEMSTRUCT& item);
  ImageListHandle m_hImages;
};
