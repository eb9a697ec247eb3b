// Every message box of the program goes through ShowMessageBox. Tests install a
// responder that records each box and answers it, so no test ever blocks on one.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

namespace yv::ui {

struct MessageBoxCall {
  HWND owner;
  std::string text;     // GBK
  std::string caption;  // GBK
  UINT style;
  int silentAnswer;  // the answer of a run that shows nothing (0: the safe one of the style)
};

// Shows a message box (text and caption in GBK) and returns the button chosen (IDOK, ...).
// `silentAnswer` is the answer a run without windows gives in the user's place; 0 means
// the one that stops rather than goes on: No, Cancel, or OK where that is the only button.
int ShowMessageBox(HWND owner, const std::string& text, const std::string& caption, UINT style,
                   int silentAnswer = 0);

// Replaces the real box: the responder sees each call and returns the button to answer
// with. An empty function restores the real box.
using MessageBoxResponder = std::function<int(const MessageBoxCall&)>;
void SetMessageBoxResponder(MessageBoxResponder responder);

}  // namespace yv::ui
