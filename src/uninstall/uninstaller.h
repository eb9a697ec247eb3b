// The uninstaller's run: its log beside itself, the question, the removal with its
// progress window, the closing message, and its own removal.
#pragma once

#include <string>

namespace yv::uninstall {

// Exit codes.
constexpr int kAllRemoved = 0;
constexpr int kRemainders = 1;
constexpr int kNothingRemoved = 2;

// Runs the uninstaller at `ownPath` (GBK). `silent` (/S): no question and no box at all;
// a file in use is tried again for a while, then the removal stops as if cancelled.
int RunUninstaller(const std::string& ownPath, bool silent);

}  // namespace yv::uninstall
