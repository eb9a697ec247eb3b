// Folders of the system.
#pragma once

#include <optional>
#include <string>

namespace yv::winsys {

// The Windows folder in GBK, as read into a 256-byte buffer: std::nullopt when it cannot
// be read or would not fit in 255 bytes.
std::optional<std::string> WindowsFolder();
// The system folder as this program sees it ("C:\windows\system32"; a 32-bit program's
// files there land in the 32-bit system folder of 64-bit Windows), with the same limits.
std::optional<std::string> SystemFolder();

// The current user's shell folders ("Programs", "Desktop"), under HKEY_CURRENT_USER.
inline constexpr char kShellFoldersKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";

}  // namespace yv::winsys
