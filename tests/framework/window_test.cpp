#include "framework/window.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "framework/fixed_font_dialog.h"
#include "test_dialog_ids.h"

namespace {

// Reflection and routing are exercised by every control of the ui and window
// tests; what only these show is a handler's fault and the order of the ending.
class RecordingControl : public Control {
 public:
  ~RecordingControl() override { Detach(); }
  bool throwOnMessage = false, detached = false;

 protected:
  void OnDetaching() override { detached = true; }
  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
    if (message == WM_USER + 1 && throwOnMessage) throw std::runtime_error("control fault");
    return Default(message, wParam, lParam);
  }
};

class LayerDialog : public Dialog {
 public:
  LayerDialog() : Dialog(IDD_LAYER_TEST, nullptr) {}
  RecordingControl plain;
  std::vector<int> commands;
  bool destroyed = false, throwOnCommand = false;

 protected:
  BOOL OnInitDialog() override {
    plain.AttachItem(m_hWnd, IDC_LAYER_PLAIN);
    return TRUE;
  }
  bool OnCommand(int id, int code, HWND hControl) override {
    if (throwOnCommand) throw std::runtime_error("handler fault");
    commands.push_back(id);
    return Dialog::OnCommand(id, code, hControl);
  }
  void OnDestroy() override { destroyed = true; }
};

TEST(DialogLayer, ModelessDialogSurvivesItsHandlersFaults) {
  LayerDialog dialog;
  ASSERT_TRUE(dialog.Create());
  dialog.throwOnCommand = true;
  SendMessageA(dialog.Item(IDC_LAYER_GO), BM_CLICK, 0, 0);
  dialog.plain.throwOnMessage = true;
  SendMessageA(dialog.Item(IDC_LAYER_PLAIN), WM_USER + 1, 0, 0);
  EXPECT_TRUE(IsWindow(dialog.Handle()));
  dialog.throwOnCommand = false;
  SendMessageA(dialog.Item(IDC_LAYER_GO), BM_CLICK, 0, 0);
  EXPECT_EQ(dialog.commands, std::vector<int>{IDC_LAYER_GO});

  dialog.DestroyWindow();
  EXPECT_TRUE(dialog.destroyed);
  EXPECT_EQ(dialog.Handle(), nullptr);
  EXPECT_TRUE(dialog.plain.detached) << "controls let go on WM_NCDESTROY";
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
    GetDlgItemTextA(m_hWnd, IDC_LAYER_SECOND, text, sizeof(text));
    secondText = text;
    EndDialog(7);
    return TRUE;
  }
};

TEST(DialogLayer, FixedFontDialogRunsWithTahomaAndIntactControls) {
  FontProbe extended(IDD_LAYER_TEST);
  EXPECT_EQ(extended.DoModal(), 7);
  EXPECT_EQ(extended.face, "Tahoma");
  EXPECT_EQ(extended.secondText, "Second") << "controls after the font survive the edit";

  FontProbe classic(IDD_NO_FONT_TEST);
  EXPECT_EQ(classic.DoModal(), 7);
  EXPECT_EQ(classic.face, "Tahoma") << "a template without a font gets one";

  FontProbe missing(999);
  EXPECT_EQ(missing.DoModal(), -1);
}

TEST(WindowPump, PumpMessagesDispatchesTenPerCall) {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) continue;
  for (int i = 0; i < 20; ++i) PostThreadMessageA(GetCurrentThreadId(), WM_APP + 1, i, 0);
  PumpMessages();
  int left = 0;
  while (PeekMessageA(&msg, nullptr, WM_APP + 1, WM_APP + 1, PM_REMOVE)) ++left;
  EXPECT_EQ(10, left);
}

}  // namespace
