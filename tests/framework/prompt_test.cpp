#include "framework/prompt.h"

#include <gtest/gtest.h>

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
