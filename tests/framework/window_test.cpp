#include "framework/window.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "framework/fixed_font_dialog.h"

namespace {

class RecordingControl : public Control {
 public:
  ~RecordingControl() override { Detach(); }
  std::vector<UINT> reflected;
  bool detached = false, throwOnPaint = false;
  HBRUSH brush = static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH));

  bool OnReflected(UINT message, WPARAM, LPARAM, LRESULT& result) override {
    reflected.push_back(message);
    if (message == WM_CTLCOLORSTATIC) result = reinterpret_cast<LRESULT>(brush);
    if (message == WM_DRAWITEM) result = TRUE;
    return message == WM_CTLCOLORSTATIC || message == WM_DRAWITEM;  // commands go on to the dialog
  }

 protected:
  void OnDetaching() override { detached = true; }
  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
    if (message == WM_USER + 1 && throwOnPaint) throw std::runtime_error("control fault");
    return Default(message, wParam, lParam);
  }
};

class LayerDialog : public Dialog {
 public:
  LayerDialog() : Dialog(200, nullptr) {}
  RecordingControl plain, drawn;
  std::vector<int> commands;
  int drawItems = 0;
  bool destroyed = false, throwOnCommand = false;

 protected:
  BOOL OnInitDialog() override {
    plain.AttachItem(m_hWnd, 1000);
    drawn.AttachItem(m_hWnd, 1002);
    return TRUE;
  }
  bool OnCommand(int id, int code, HWND hControl) override {
    if (throwOnCommand) throw std::runtime_error("handler fault");
    commands.push_back(id);
    return Dialog::OnCommand(id, code, hControl);
  }
  bool OnDrawItem(int, DRAWITEMSTRUCT*) override {
    ++drawItems;
    return true;
  }
  void OnDestroy() override { destroyed = true; }
};

TEST(DialogLayer, ModelessDialogRoutesReflectsAndSurvivesFaults) {
  LayerDialog dialog;
  ASSERT_TRUE(dialog.Create());
  ASSERT_EQ(Control::FromHandle(dialog.Item(1000)), &dialog.plain) << "OnInitDialog ran";

  SendMessageA(dialog.Item(1001), BM_CLICK, 0, 0);
  ASSERT_EQ(dialog.commands.size(), 1u);
  EXPECT_EQ(dialog.commands[0], 1001);

  // The owner-draw request reaches the control, not the dialog.
  DRAWITEMSTRUCT item = {};
  item.CtlType = ODT_BUTTON;
  item.CtlID = 1002;
  item.hwndItem = dialog.Item(1002);
  SendMessageA(dialog.Handle(), WM_DRAWITEM, 1002, reinterpret_cast<LPARAM>(&item));
  EXPECT_EQ(dialog.drawItems, 0);
  ASSERT_FALSE(dialog.drawn.reflected.empty());
  EXPECT_EQ(dialog.drawn.reflected.back(), static_cast<UINT>(WM_DRAWITEM));

  // A colour request answers with the control's brush.
  HDC hdc = CreateCompatibleDC(nullptr);
  LRESULT brush = SendMessageA(dialog.Handle(), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(hdc),
                               reinterpret_cast<LPARAM>(dialog.Item(1000)));
  DeleteDC(hdc);
  EXPECT_EQ(brush, reinterpret_cast<LRESULT>(dialog.plain.brush));

  // A click the control lets pass still reaches the dialog.
  SendMessageA(dialog.Handle(), WM_COMMAND, MAKEWPARAM(1000, STN_CLICKED),
               reinterpret_cast<LPARAM>(dialog.Item(1000)));
  EXPECT_EQ(dialog.commands.back(), 1000);
  EXPECT_EQ(dialog.plain.reflected.back(), static_cast<UINT>(WM_COMMAND));

  // Faults in handlers stop at the window procedure.
  dialog.throwOnCommand = true;
  SendMessageA(dialog.Item(1001), BM_CLICK, 0, 0);
  dialog.plain.throwOnPaint = true;
  SendMessageA(dialog.Item(1000), WM_USER + 1, 0, 0);
  EXPECT_TRUE(IsWindow(dialog.Handle())) << "the dialog survives its handlers' faults";

  dialog.DestroyWindow();
  EXPECT_TRUE(dialog.destroyed);
  EXPECT_EQ(dialog.Handle(), nullptr);
  EXPECT_TRUE(dialog.plain.detached) << "controls let go on WM_NCDESTROY";
  EXPECT_EQ(dialog.plain.Handle(), nullptr);
}

TEST(DialogLayer, ControlAttachesOnceAndCanBeReused) {
  HWND first = CreateWindowA("STATIC", "a", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
  HWND second = CreateWindowA("STATIC", "b", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
  RecordingControl control, other;
  EXPECT_FALSE(control.Attach(nullptr));
  EXPECT_TRUE(control.Attach(first));
  EXPECT_FALSE(other.Attach(first)) << "one object per window";
  EXPECT_FALSE(control.Attach(second)) << "one window per object";
  DestroyWindow(first);
  EXPECT_EQ(control.Handle(), nullptr);
  EXPECT_TRUE(control.Attach(second));
  control.Detach();
  EXPECT_EQ(Control::FromHandle(second), nullptr);
  DestroyWindow(second);
}

class FontProbe : public FixedFontDialog {
 public:
  explicit FontProbe(int id) : FixedFontDialog(id, nullptr) {}
  std::string face, secondText;

 protected:
  BOOL OnInitDialog() override {
    HFONT font = reinterpret_cast<HFONT>(SendMessageA(m_hWnd, WM_GETFONT, 0, 0));
    LOGFONTA description = {};
    if (font && GetObjectA(font, sizeof(description), &description)) face = description.lfFaceName;
    char text[64] = {};
    GetDlgItemTextA(m_hWnd, 1003, text, sizeof(text));
    secondText = text;
    EndDialog(7);
    return TRUE;
  }
};

TEST(DialogLayer, FixedFontDialogRunsWithTahomaAndIntactControls) {
  FontProbe extended(200);
  EXPECT_EQ(extended.DoModal(), 7);
  EXPECT_EQ(extended.face, "Tahoma");
  EXPECT_EQ(extended.secondText, "Second") << "controls after the font survive the edit";

  FontProbe classic(201);
  EXPECT_EQ(classic.DoModal(), 7);
  EXPECT_EQ(classic.face, "Tahoma") << "a template without a font gets one";

  FontProbe missing(999);
  EXPECT_EQ(missing.DoModal(), -1);
}

}  // namespace
