// User-visible texts of the shortcut service (GBK in the program).
#pragma once

namespace yv::shell::texts {

inline constexpr char kShortcutsCaption[] = "安装信息";
inline constexpr char kNoShellFolders[] = "安装程序找不到所需系统资源(Win95/98 or WinNT)!\n安装失败!";
// "%s" is the program group folder.
inline constexpr char kCannotCreateGroup[] = "不能创建目录 %s!\n安装失败!";
// A shortcut whose target, link or working folder would not fit in 255 bytes; followed by
// the shortcut's name.
inline constexpr char kShortcutTooLong[] = "路径超过255字节，未创建快捷方式：";
// A program group folder over 255 bytes; followed by the folder.
inline constexpr char kGroupTooLong[] = "程序组的路径超过255字节，无法创建：\n";

inline constexpr char kUninstallPrefix[] = "卸载";

}  // namespace yv::shell::texts
