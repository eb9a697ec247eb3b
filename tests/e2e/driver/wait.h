// Waiting for what the program under test does next. Every wait polls about every
// 50 ms and gives up after its timeout; none blocks for ever.
#pragma once

#include <windows.h>

#include <functional>
#include <optional>
#include <string_view>

#include "driver/window_list.h"

namespace yv::e2e {

constexpr DWORD kPollMs = 50;

// Calls done() until it returns true (true) or timeoutMs have passed (false). done() is
// always called at least once, and once more after the deadline.
bool WaitUntil(const std::function<bool()>& done, DWORD timeoutMs);

// A visible top-level window of pid (0: any) whose caption is exactly caption.
std::optional<WindowInfo> WaitForWindow(DWORD pid, std::string_view caption, DWORD timeoutMs);

// A visible top-level window of pid (0: any) that matches; read without its controls for
// the test and returned with them.
std::optional<WindowInfo> WaitForWindowWhere(DWORD pid,
                                             const std::function<bool(const WindowInfo&)>& match,
                                             DWORD timeoutMs);

// A message box of pid (0: any); when text is given, one showing exactly that text.
std::optional<MessageBoxInfo> WaitForMessageBox(DWORD pid, DWORD timeoutMs,
                                                std::optional<std::string_view> text = {});

// Until hwnd is destroyed or hidden.
bool WaitForWindowGone(HWND hwnd, DWORD timeoutMs);

// Until no visible window of pid (0: any) has this caption.
bool WaitForCaptionGone(DWORD pid, std::string_view caption, DWORD timeoutMs);

// Until the process has ended.
bool WaitForExit(HANDLE process, DWORD timeoutMs);

}  // namespace yv::e2e
