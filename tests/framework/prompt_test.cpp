#include "framework/prompt.h"

#include <gtest/gtest.h>

#include <thread>

#include "support/scripted_prompts.h"

namespace {

// Messages carry the executable's base name as caption; questions carry their own.
// An inner script takes the prompts until it ends, then the outer one has them again.
TEST(Prompts, ScriptSeesMessagesAndAnswersQuestionsInOrder) {
  ScriptedPrompts outer;
  {
    ScriptedPrompts inner;
    inner.Answer(true);
    ShowMessage("Selected Items Removed");
    EXPECT_TRUE(AskYesNo("Backup first?", "Tarnwick"));
    EXPECT_FALSE(AskYesNo("And again?", "Tarnwick")) << "unscripted questions answer No";
    ASSERT_EQ(inner.Seen().size(), 3u);
    EXPECT_EQ(inner.Seen()[0].caption + "|" + inner.Seen()[1].caption, "framework_tests|Tarnwick");
    EXPECT_TRUE(!inner.Seen()[0].question && inner.Seen()[1].question);
  }
  ShowMessage("outer");
  EXPECT_EQ(outer.Texts(), std::vector<std::string>{"outer"});
}

}  // namespace

// The real box, driven from another thread as a user's tool would: found by its
// caption, its buttons' styles read once it shows, then answered No.
TEST(Prompts, AQuestionCanMakeNoTheDefault) {
  for (const bool defaultNo : {false, true}) {
    LONG_PTR noStyle = -1;
    std::thread driver([&] {
      HWND hBox = nullptr;
      for (int i = 0; i < 3000 && !hBox; ++i, Sleep(10)) hBox = FindWindowA("#32770", "QbDefault");
      const auto style = [&](int id) {
        return GetWindowLongPtrA(GetDlgItem(hBox, id), GWL_STYLE) & 0x0F;
      };
      // Read once the box shows with one of its buttons made the default (BS_DEFPUSHBUTTON).
      for (int i = 0; i < 3000 && !(IsWindowVisible(hBox) && (style(IDYES) | style(IDNO))); ++i)
        Sleep(10);
      noStyle = style(IDNO);
      PostMessageA(hBox, WM_COMMAND, IDNO, 0);
    });
    EXPECT_FALSE(AskYesNo("Go on?", "QbDefault", defaultNo));
    driver.join();
    EXPECT_EQ(noStyle, defaultNo ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON);
  }
}
