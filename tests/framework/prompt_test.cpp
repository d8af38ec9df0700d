#include "framework/prompt.h"

#include <gtest/gtest.h>

#include "support/scripted_prompts.h"

namespace {

// Messages carry the executable's base name as caption unless given one.
TEST(Prompts, ScriptSeesMessagesAndAnswersQuestionsInOrder) {
  ScriptedPrompts prompts;
  prompts.Answer(true);
  ShowMessage("Selected Items Removed");
  EXPECT_TRUE(AskYesNo("Backup first?", "Tarnwick"));
  EXPECT_FALSE(AskYesNo("And again?", "Tarnwick")) << "unscripted questions answer No";

  ASSERT_EQ(prompts.Seen().size(), 3u);
  EXPECT_EQ(prompts.Seen()[0].text, "Selected Items Removed");
  EXPECT_EQ(prompts.Seen()[0].caption, "framework_tests");
  EXPECT_FALSE(prompts.Seen()[0].question);
  EXPECT_EQ(prompts.Seen()[1].caption, "Tarnwick");
  EXPECT_TRUE(prompts.Seen()[1].question);
}

TEST(Prompts, NestedScriptsRestoreTheOuterOne) {
  ScriptedPrompts outer;
  {
    ScriptedPrompts inner;
    ShowMessage("inner");
    EXPECT_EQ(inner.Texts(), std::vector<std::string>{"inner"});
  }
  ShowMessage("outer");
  EXPECT_EQ(outer.Texts(), std::vector<std::string>{"outer"});
}

}  // namespace
