// What a person does with the windows: press buttons, answer message boxes, type.
// Every action looks for its target until timeoutMs have passed, then reports what it
// saw instead (message in UTF-8, with a dump of the visible windows).
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

#include "driver/window_list.h"

namespace yv::e2e {

struct Outcome {
  bool ok = false;
  std::string message;  // UTF-8: what was done, or why not
  explicit operator bool() const { return ok; }
};

// Presses the enabled push button of that caption in the visible top-level window of pid
// (0: any) with caption windowCaption. The click is posted, so a button that opens a
// modal box does not block the driver.
Outcome PressButton(DWORD pid, std::string_view windowCaption, std::string_view buttonCaption,
                    DWORD timeoutMs);
// The same in a window already found.
Outcome PressButton(HWND window, std::string_view buttonCaption, DWORD timeoutMs);

// Answers a message box of pid (0: any) by a button caption as shown ("确定") or by the
// standard name of the button ("OK", "Cancel", "Yes", "No", "Abort", "Retry", "Ignore").
Outcome AnswerMessageBox(DWORD pid, std::string_view buttonCaption, DWORD timeoutMs);

// Puts text (GBK) into an edit control with WM_SETTEXT. control is "N" for the N-th edit
// control of the window (from 1, in the order of the listing) or "#ID" for a control id.
Outcome TypeText(HWND window, std::string_view control, std::string_view text, DWORD timeoutMs);
Outcome TypeText(DWORD pid, std::string_view windowCaption, std::string_view control,
                 std::string_view text, DWORD timeoutMs);

// Presses a key (VK_RETURN, VK_ESCAPE, ...) where the keyboard focus of the window's
// thread is, as a person at the keyboard would: key down and key up, posted.
Outcome PressKey(HWND window, WPARAM virtualKey);

// The button id a standard name stands for (IDOK for "OK"), 0 for any other text.
int StandardButtonId(std::string_view name);

}  // namespace yv::e2e
