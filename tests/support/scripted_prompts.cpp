#include "support/scripted_prompts.h"

ScriptedPrompts::ScriptedPrompts() : m_pPrevious(SetPromptScript(this)) {}

ScriptedPrompts::~ScriptedPrompts() { SetPromptScript(m_pPrevious); }

std::vector<std::string> ScriptedPrompts::Texts() const {
  std::vector<std::string> texts;
  for (const Shown& shown : m_seen) texts.push_back(shown.text);
  return texts;
}

void ScriptedPrompts::OnMessage(const std::string& text, const std::string& caption) {
  m_seen.push_back({text, caption, false});
}

bool ScriptedPrompts::OnQuestion(const std::string& text, const std::string& caption) {
  m_seen.push_back({text, caption, true});
  if (m_answers.empty()) return false;
  bool yes = m_answers.front();
  m_answers.pop_front();
  return yes;
}
