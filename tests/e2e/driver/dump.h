// Human-readable listings of windows and message boxes, in UTF-8: what uidriver prints
// and what a failing scenario shows of the screen.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>
#include <vector>

#include "driver/window_list.h"

namespace yv::e2e {

// GBK -> UTF-8, for output meant for people.
std::string Utf8(std::string_view gbk);

std::string Describe(const WindowInfo& window);
std::string Describe(const MessageBoxInfo& box);
std::string Describe(const std::vector<WindowInfo>& windows);

// Every visible window of pid (0: all processes) with its controls.
std::string DumpWindows(DWORD pid);

}  // namespace yv::e2e
