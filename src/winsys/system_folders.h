// Folders of the system.
#pragma once

#include <optional>
#include <string>

namespace yv::winsys {

// The Windows folder in GBK, as read into a 256-byte buffer: std::nullopt when it cannot
// be read or would not fit in 255 bytes.
std::optional<std::string> WindowsFolder();
// The current user's shell folders ("Programs", "Desktop"), under HKEY_CURRENT_USER.
inline constexpr char kShellFoldersKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";

// The system folder, read the same way. For a 32-bit program on a 64-bit Windows its
// path names "system32" and the system opens "SysWOW64" for it, the 32-bit programs'.
std::optional<std::string> SystemFolder();

}  // namespace yv::winsys
