#pragma once
// Answers the program's message boxes during a test and records what they said.

#include <deque>
#include <string>
#include <vector>

#include "framework/prompt.h"

class ScriptedPrompts : public PromptScript {
 public:
  struct Shown {
    std::string text;
    std::string caption;
    bool question;
  };

  ScriptedPrompts();
  ~ScriptedPrompts() override;

  // Answers for the coming yes/no questions, in order; once used up, "No".
  void Answer(bool yes) { m_answers.push_back(yes); }

  const std::vector<Shown>& Seen() const { return m_seen; }
  std::vector<std::string> Texts() const;

  void OnMessage(const std::string& text, const std::string& caption) override;
  bool OnQuestion(const std::string& text, const std::string& caption) override;

 private:
  PromptScript* m_pPrevious;
  std::deque<bool> m_answers;
  std::vector<Shown> m_seen;
};
