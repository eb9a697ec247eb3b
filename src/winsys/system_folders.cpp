#include "winsys/system_folders.h"

#include <shlobj.h>
#include <windows.h>

#include "text/cp936.h"
#include "text/gbk.h"
#include "winsys/registry.h"

namespace yv::winsys {

namespace {

std::optional<std::string> ReadFolder(UINT(WINAPI* query)(LPWSTR, UINT)) {
  wchar_t buffer[256];
  const UINT n = query(buffer, 256);
  if (n == 0 || n >= 256) return std::nullopt;
  std::string folder = text::FromWide(std::wstring(buffer, n));
  if (folder.size() > text::kPathLimit) return std::nullopt;
  return folder;
}

std::optional<std::string> ShellFolder(int csidl) {
  wchar_t buffer[MAX_PATH];
  if (SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, buffer) != S_OK) return std::nullopt;
  std::string folder = text::FromWide(buffer);
  if (folder.empty() || folder.size() > text::kPathLimit) return std::nullopt;
  return folder;
}

}  // namespace

std::optional<std::string> AllUsersProgramsFolder() {
  return ShellFolder(CSIDL_COMMON_PROGRAMS);
}

std::optional<std::string> AllUsersDesktopFolder() {
  return ShellFolder(CSIDL_COMMON_DESKTOPDIRECTORY);
}

std::optional<ShortcutFolders> ReadShortcutFolders(bool allUsers) {
  if (allUsers) {
    const auto programs = AllUsersProgramsFolder();
    if (!programs) return std::nullopt;
    return ShortcutFolders{*programs, AllUsersDesktopFolder().value_or("")};
  }
  // Values over 255 bytes count as unreadable.
  const RegistryKey folders(HKEY_CURRENT_USER, kShellFoldersKey);
  const auto programs = folders.ReadString("Programs");
  if (!programs) return std::nullopt;
  return ShortcutFolders{*programs, folders.ReadString("Desktop").value_or("")};
}

std::optional<std::string> WindowsFolder() {
  return ReadFolder(GetWindowsDirectoryW);
}

std::optional<std::string> SystemFolder() {
  return ReadFolder(GetSystemDirectoryW);
}

}  // namespace yv::winsys
