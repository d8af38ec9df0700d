#pragma once
// Every message box of the program goes through these two calls, so that tests
// (and the console front end) can answer them.

#include <windows.h>

#include <string>

// An OK box with the application's title as caption.
void ShowMessage(const std::string& text);
// A Yes/No box with the given caption; true for Yes. With defaultNo, No is the
// default button (Enter answers No).
bool AskYesNo(const std::string& text, const std::string& caption, bool defaultNo = false);

// The application's title: the executable's base name without extension.
std::string ApplicationTitle();

// Window that owns the boxes (the main window while it runs); null for none.
void SetPromptOwner(HWND hOwner);
HWND PromptOwner();

// Replaces the real message boxes while installed (tests, the console).
class PromptScript {
 public:
  virtual ~PromptScript() = default;
  virtual void OnMessage(const std::string& text, const std::string& caption) = 0;
  virtual bool OnQuestion(const std::string& text, const std::string& caption) = 0;
};

// Installs a script (null restores the real message boxes); returns the previous one.
PromptScript* SetPromptScript(PromptScript* script);

// An OK box with the exclamation icon (and its sound) and the application's title.
void ShowWarning(const std::string& text);
