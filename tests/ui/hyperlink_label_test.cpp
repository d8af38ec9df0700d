#include "ui/hyperlink_label.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/registry_sandbox.h"
#include "support/scripted_prompts.h"
#include "ui/hyperlink_text.h"
#include "ui_test_ids.h"

namespace {

std::vector<std::string> g_opened;
intptr_t g_openResult = 42;

intptr_t RecordingOpener(const std::string& target, int) {
  g_opened.push_back(target);
  return g_openResult;
}

// Its template: the link "Orrelmoor Home" and an empty label.
class LinkDialog : public Dialog {
 public:
  LinkDialog() : Dialog(IDD_LINK_TEST, nullptr) {}
  HyperlinkLabel link;
  HyperlinkLabel empty;
  int clicks = 0;

  void Click() {
    SendMessageA(m_hWnd, WM_COMMAND, MAKEWPARAM(IDC_LINK_TEST_HOME, STN_CLICKED),
                 reinterpret_cast<LPARAM>(Item(IDC_LINK_TEST_HOME)));
  }
  COLORREF DrawnColour() {
    const MemoryDc dc(CreateCompatibleDC(nullptr));
    SendMessageA(m_hWnd, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc.Get()),
                 reinterpret_cast<LPARAM>(Item(IDC_LINK_TEST_HOME)));
    return GetTextColor(dc.Get());
  }
  bool Underlined() {
    LOGFONTA description = {};
    GetObjectA(link.CurrentFont(), sizeof(description), &description);
    return description.lfUnderline != 0;
  }

 protected:
  BOOL OnInitDialog() override {
    link.AttachItem(m_hWnd, IDC_LINK_TEST_HOME);
    empty.SetURL("http://www.example.com/support.php");
    empty.AttachItem(m_hWnd, IDC_LINK_TEST_EMPTY);
    return TRUE;
  }
  bool OnCommand(int id, int code, HWND hControl) override {
    clicks += code == STN_CLICKED ? 1 : 0;
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
  LinkDialog m_dialog;
};

TEST_F(HyperlinkTest, TakesTargetFromTextShowsTargetAsTextAndFitsItsText) {
  char text[128] = {};
  GetWindowTextA(m_dialog.Item(IDC_LINK_TEST_EMPTY), text, sizeof(text));
  EXPECT_STREQ(text, "http://www.example.com/support.php");
  EXPECT_TRUE(GetWindowLongPtrA(m_dialog.Item(IDC_LINK_TEST_HOME), GWL_STYLE) & SS_NOTIFY);
  RECT rect = {};
  GetClientRect(m_dialog.Item(IDC_LINK_TEST_HOME), &rect);
  const WindowDc dc(m_dialog.Item(IDC_LINK_TEST_HOME));
  const SelectedObject font(dc.Get(), m_dialog.link.CurrentFont());
  SIZE size = {};
  GetTextExtentPoint32A(dc.Get(), "Orrelmoor Home", 14, &size);
  EXPECT_EQ(rect.right, size.cx);
  EXPECT_EQ(rect.bottom, size.cy);
}

// Every click reaches the parent too: one that opens marks the link visited, one
// with navigation off opens nothing, one that fails explains the code.
TEST_F(HyperlinkTest, ClickOpensTargetOrExplainsWhyNot) {
  ScriptedPrompts prompts;
  EXPECT_EQ(m_dialog.DrawnColour(), RGB(0, 0, 238));
  m_dialog.link.SetNavigationOff(true);
  m_dialog.Click();
  m_dialog.link.SetNavigationOff(false);
  g_openResult = 26;
  m_dialog.Click();
  EXPECT_FALSE(m_dialog.link.Visited());
  EXPECT_EQ(prompts.Texts(), std::vector<std::string>{
                                 "Unable to open hyperlink:\n\nA sharing violation occurred. "});
  g_openResult = 42;
  m_dialog.Click();
  EXPECT_EQ(g_opened, std::vector<std::string>(2, "Orrelmoor Home"));
  EXPECT_TRUE(m_dialog.link.Visited());
  EXPECT_EQ(m_dialog.DrawnColour(), RGB(85, 26, 139));
  EXPECT_EQ(m_dialog.clicks, 3);
}

TEST_F(HyperlinkTest, HoverUnderlinesUntilTheTimerFindsThePointerGone) {
  HFONT normal = m_dialog.link.CurrentFont();
  SendMessageA(m_dialog.Item(IDC_LINK_TEST_HOME), WM_MOUSEMOVE, 0, MAKELPARAM(1, 1));
  EXPECT_EQ(m_dialog.DrawnColour(), RGB(255, 0, 0));
  EXPECT_TRUE(m_dialog.Underlined());
  // The tick sees the position of the message it came with: post it with the cursor
  // well away from the control.
  SetCursorPos(0, 0);
  PostMessageA(m_dialog.Item(IDC_LINK_TEST_HOME), WM_TIMER, HyperlinkLabel::kHoverTimer, 0);
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
  EXPECT_FALSE(m_dialog.link.Hovered());
  EXPECT_EQ(m_dialog.link.CurrentFont(), normal);

  m_dialog.link.SetUnderline(HyperlinkLabel::kUnderlineAlways);
  EXPECT_TRUE(m_dialog.Underlined());
  m_dialog.link.SetColours(RGB(255, 255, 255), RGB(255, 255, 255), static_cast<COLORREF>(-1));
  SendMessageA(m_dialog.Item(IDC_LINK_TEST_HOME), WM_MOUSEMOVE, 0, MAKELPARAM(1, 1));
  EXPECT_EQ(m_dialog.DrawnColour(), GetSysColor(COLOR_HIGHLIGHT));
}

// From the keyboard: Space, Enter and its access key (BM_CLICK) click it; its
// access key shows while the system shows access keys (Wine always does).
TEST_F(HyperlinkTest, KeyboardAccessClicksAndShowsTheAccessKey) {
  HWND hLink = m_dialog.Item(IDC_LINK_TEST_HOME);
  SetWindowTextA(hLink, "&Orrelmoor Home");
  m_dialog.link.SetNavigationOff(true);
  m_dialog.link.SetUnderline(HyperlinkLabel::kUnderlineAlways);
  m_dialog.link.SetKeyboardAccess(true);
  for (WPARAM key : {WPARAM{VK_SPACE}, WPARAM{VK_RETURN}}) SendMessageA(hLink, WM_KEYDOWN, key, 1);
  SendMessageA(hLink, BM_CLICK, 0, 0);
  EXPECT_EQ(m_dialog.clicks, 3);
  EXPECT_EQ((SendMessageA(hLink, WM_QUERYUISTATE, 0, 0) & UISF_HIDEACCEL) != 0, m_dialog.Underlined());
  m_dialog.link.SetKeyboardAccess(false);
  EXPECT_TRUE(m_dialog.Underlined());
}

TEST(HyperlinkText, UnknownCodesAreNamedAndHandlerCommandsCutAtThePlaceholder) {
  EXPECT_EQ(HyperlinkErrorText(77), "Unable to open hyperlink:\n\nUnknown Error (77) occurred.");
  const char* cases[][3] = {
      {"\"C:\\b.exe\" -nohome \"%1\" -x", "u", "\"C:\\b.exe\" -nohome  u"},
      {"C:\\b.exe %1", "u", "C:\\b.exe  u"},
      {"C:\\b.exe", "u", "C:\\b.exe u"},
      // A target with blanks stays one argument.
      {"C:\\b.exe \"%1\"", "C:\\My Pages\\a.htm", "C:\\b.exe  \"C:\\My Pages\\a.htm\""},
  };
  for (const auto& c : cases) EXPECT_EQ(HtmHandlerCommand(c[0], c[1]), c[2]) << c[0];
}

// A target the shell cannot open still opens through the ".htm" handler, and without
// one the shell's code comes back.
TEST_F(SandboxedTest, GotoUrlFallsBackToTheHtmHandler) {
  EXPECT_LE(HyperlinkLabel::GotoURL("C:\\QuillbaneNowhere\\page.qbz", SW_HIDE), 32);
  ASSERT_TRUE(RegPutString(HKEY_CLASSES_ROOT, ".htm", "", "QuillbaneTestPage"));
  ASSERT_TRUE(RegPutString(HKEY_CLASSES_ROOT, "QuillbaneTestPage\\shell\\open\\command", "",
                           "cmd.exe /c exit \"%1\""));
  EXPECT_GT(HyperlinkLabel::GotoURL("C:\\QuillbaneNowhere\\page.qbz", SW_HIDE), 32);
}

}  // namespace
