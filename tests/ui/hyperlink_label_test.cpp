#include "ui/hyperlink_label.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/registry_sandbox.h"
#include "support/scripted_prompts.h"
#include "ui/hyperlink_text.h"

namespace {

std::vector<std::string> g_opened;
intptr_t g_openResult = 42;

intptr_t RecordingOpener(const std::string& target, int) {
  g_opened.push_back(target);
  return g_openResult;
}

class LinkDialog : public Dialog {
 public:
  LinkDialog() : Dialog(300, nullptr) {}
  HyperlinkLabel link;
  HyperlinkLabel empty;
  std::vector<int> clicks;

 protected:
  BOOL OnInitDialog() override {
    link.AttachItem(m_hWnd, 1000);
    empty.SetURL("http://www.example.com/support.php");
    empty.AttachItem(m_hWnd, 1001);
    return TRUE;
  }
  bool OnCommand(int id, int code, HWND hControl) override {
    if (code == STN_CLICKED) clicks.push_back(id);
    return Dialog::OnCommand(id, code, hControl);
  }
};

class HyperlinkTest : public ::testing::Test {
 protected:
  void SetUp() override {
    g_opened.clear();
    g_openResult = 42;
    HyperlinkLabel::SetOpener(RecordingOpener);
    ASSERT_TRUE(m_dialog.Create());
  }
  void TearDown() override {
    m_dialog.DestroyWindow();
    HyperlinkLabel::SetOpener(nullptr);
  }
  void Click(int id) {
    SendMessageA(m_dialog.Handle(), WM_COMMAND, MAKEWPARAM(id, STN_CLICKED),
                 reinterpret_cast<LPARAM>(m_dialog.Item(id)));
  }
  COLORREF DrawnColour(int id) {
    HDC hdc = CreateCompatibleDC(nullptr);
    SendMessageA(m_dialog.Handle(), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(hdc),
                 reinterpret_cast<LPARAM>(m_dialog.Item(id)));
    const COLORREF colour = GetTextColor(hdc);
    DeleteDC(hdc);
    return colour;
  }
  LinkDialog m_dialog;
};

TEST_F(HyperlinkTest, TakesTargetFromTextOrShowsTargetAsText) {
  EXPECT_EQ(m_dialog.link.URL(), "Orrelmoor Home");
  char text[128] = {};
  GetWindowTextA(m_dialog.Item(1001), text, sizeof(text));
  EXPECT_STREQ(text, "http://www.example.com/support.php");
  EXPECT_TRUE(GetWindowLongPtrA(m_dialog.Item(1000), GWL_STYLE) & SS_NOTIFY);
}

TEST_F(HyperlinkTest, ClickOpensTargetMarksVisitedAndReachesTheParent) {
  EXPECT_EQ(DrawnColour(1000), RGB(0, 0, 238));
  Click(1000);
  ASSERT_EQ(g_opened.size(), 1u);
  EXPECT_EQ(g_opened[0], "Orrelmoor Home");
  EXPECT_TRUE(m_dialog.link.Visited());
  EXPECT_EQ(DrawnColour(1000), RGB(85, 26, 139));
  ASSERT_EQ(m_dialog.clicks.size(), 1u) << "the parent sees the click as well";
}

TEST_F(HyperlinkTest, NavigationOffOpensNothingButTheParentHearsTheClick) {
  m_dialog.link.SetNavigationOff(true);
  Click(1000);
  EXPECT_TRUE(g_opened.empty());
  EXPECT_FALSE(m_dialog.link.Visited());
  EXPECT_EQ(m_dialog.clicks.size(), 1u);
}

TEST_F(HyperlinkTest, FailureBeepsAndExplainsTheCode) {
  ScriptedPrompts prompts;
  g_openResult = 26;
  Click(1000);
  ASSERT_EQ(prompts.Texts().size(), 1u);
  EXPECT_EQ(prompts.Texts()[0], "Unable to open hyperlink:\n\nA sharing violation occurred. ");
  EXPECT_FALSE(m_dialog.link.Visited());
  EXPECT_EQ(m_dialog.clicks.size(), 1u);
}

TEST_F(HyperlinkTest, HoverUnderlinesAndTheTimerTakesItAway) {
  HFONT normal = m_dialog.link.CurrentFont();
  SendMessageA(m_dialog.Item(1000), WM_MOUSEMOVE, 0, MAKELPARAM(1, 1));
  EXPECT_TRUE(m_dialog.link.Hovered());
  EXPECT_EQ(DrawnColour(1000), RGB(255, 0, 0));
  LOGFONTA description = {};
  GetObjectA(m_dialog.link.CurrentFont(), sizeof(description), &description);
  EXPECT_TRUE(description.lfUnderline);

  // The tick sees the position of the message it came with: post it with the cursor
  // well away from the control.
  SetCursorPos(0, 0);
  PostMessageA(m_dialog.Item(1000), WM_TIMER, HyperlinkLabel::kHoverTimer, 0);
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
  EXPECT_FALSE(m_dialog.link.Hovered());
  EXPECT_EQ(m_dialog.link.CurrentFont(), normal);
}

TEST_F(HyperlinkTest, AlwaysUnderlinedStaysUnderlined) {
  m_dialog.link.SetUnderline(HyperlinkLabel::kUnderlineAlways);
  LOGFONTA description = {};
  GetObjectA(m_dialog.link.CurrentFont(), sizeof(description), &description);
  EXPECT_TRUE(description.lfUnderline);
  m_dialog.link.SetColours(RGB(255, 255, 255), RGB(255, 255, 255), static_cast<COLORREF>(-1));
  SendMessageA(m_dialog.Item(1000), WM_MOUSEMOVE, 0, MAKELPARAM(1, 1));
  EXPECT_EQ(DrawnColour(1000), GetSysColor(COLOR_HIGHLIGHT));
}

TEST_F(HyperlinkTest, ResizesToItsText) {
  RECT rect = {};
  GetClientRect(m_dialog.Item(1000), &rect);
  HDC hdc = GetDC(m_dialog.Item(1000));
  SelectObject(hdc, m_dialog.link.CurrentFont());
  SIZE size = {};
  GetTextExtentPoint32A(hdc, "Orrelmoor Home", 14, &size);
  ReleaseDC(m_dialog.Item(1000), hdc);
  EXPECT_EQ(rect.right, size.cx);
  EXPECT_EQ(rect.bottom, size.cy);
}

TEST(HyperlinkText, UnknownCodesAreNamed) {
  EXPECT_EQ(HyperlinkErrorText(77), "Unable to open hyperlink:\n\nUnknown Error (77) occurred.");
}

TEST(HyperlinkText, HtmHandlerCommandCutsAtThePlaceholder) {
  EXPECT_EQ(HtmHandlerCommand("\"C:\\b.exe\" -nohome \"%1\" -x", "u"), "\"C:\\b.exe\" -nohome  u");
  EXPECT_EQ(HtmHandlerCommand("C:\\b.exe %1", "u"), "C:\\b.exe  u");
  EXPECT_EQ(HtmHandlerCommand("C:\\b.exe", "u"), "C:\\b.exe u");
  EXPECT_EQ(HtmHandlerCommand("C:\\b.exe \"%1\"", "C:\\My Pages\\a.htm"),
            "C:\\b.exe  \"C:\\My Pages\\a.htm\"")
      << "a target with blanks stays one argument";
}

// A target the shell cannot open still opens through the ".htm" handler.
TEST_F(SandboxedTest, GotoUrlFallsBackToTheHtmHandler) {
  ASSERT_TRUE(RegPutString(HKEY_CLASSES_ROOT, ".htm", "", "QuillbaneTestPage"));
  ASSERT_TRUE(RegPutString(HKEY_CLASSES_ROOT, "QuillbaneTestPage\\shell\\open\\command", "",
                           "cmd.exe /c exit \"%1\""));
  EXPECT_GT(HyperlinkLabel::GotoURL("C:\\QuillbaneNowhere\\page.qbz", SW_HIDE), 32);
}

TEST_F(SandboxedTest, GotoUrlReportsTheShellsCodeWithoutAHandler) {
  EXPECT_LE(HyperlinkLabel::GotoURL("C:\\QuillbaneNowhere\\page.qbz", SW_HIDE), 32);
}

}  // namespace
