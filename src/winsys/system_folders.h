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

// The Programs and Desktop folders every user of the machine sees, in GBK; std::nullopt
// when the system names none or one over 255 bytes.
std::optional<std::string> AllUsersProgramsFolder();
std::optional<std::string> AllUsersDesktopFolder();

// Where shortcuts go: the current user's folders, or, for a deployment that asked for it,
// every user's. "desktop" is empty when the user's has none.
struct ShortcutFolders {
  std::string programs;
  std::string desktop;
};
std::optional<ShortcutFolders> ReadShortcutFolders(bool allUsers);

}  // namespace yv::winsys
