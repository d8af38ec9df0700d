#include "framework/prompt.h"

namespace {

PromptScript* g_pScript = nullptr;
HWND g_hOwner = nullptr;

}  // namespace

std::string ApplicationTitle() {
  char path[MAX_PATH * 4] = {};
  DWORD length = GetModuleFileNameA(nullptr, path, sizeof(path));
  std::string name(path, length < sizeof(path) ? length : 0);
  size_t slash = name.find_last_of("\\/");
  if (slash != std::string::npos) name.erase(0, slash + 1);
  size_t dot = name.rfind('.');
  if (dot != std::string::npos && dot > 0) name.erase(dot);
  return name;
}

void SetPromptOwner(HWND hOwner) { g_hOwner = hOwner; }

HWND PromptOwner() { return g_hOwner; }

PromptScript* SetPromptScript(PromptScript* script) {
  PromptScript* previous = g_pScript;
  g_pScript = script;
  return previous;
}

void ShowMessage(const std::string& text) {
  const std::string caption = ApplicationTitle();
  if (g_pScript) {
    g_pScript->OnMessage(text, caption);
    return;
  }
  MessageBoxA(g_hOwner, text.c_str(), caption.c_str(), MB_OK);
}

bool AskYesNo(const std::string& text, const std::string& caption, bool defaultNo) {
  if (g_pScript) return g_pScript->OnQuestion(text, caption);
  return MessageBoxA(g_hOwner, text.c_str(), caption.c_str(),
                     MB_YESNO | (defaultNo ? MB_DEFBUTTON2 : MB_DEFBUTTON1)) == IDYES;
}

void ShowWarning(const std::string& text) {
  const std::string caption = ApplicationTitle();
  if (g_pScript) {
    g_pScript->OnMessage(text, caption);
    return;
  }
  MessageBoxA(g_hOwner, text.c_str(), caption.c_str(), MB_OK | MB_ICONEXCLAMATION);
}
