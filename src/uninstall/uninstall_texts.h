// User-visible texts of the uninstaller (GBK in the program). %s is filled in order.
#pragma once

namespace yv::uninstall::texts {

// Stands for the program group when the log names none.
inline constexpr char kSomeProgram[] = "本程序";
inline constexpr char kCaption[] = "卸载 %s";
inline constexpr char kConfirm[] = "确实要完全删除 %s 及其所有组件吗？";
inline constexpr char kInUse[] = "文件 %s 正在使用中。请关闭 %s 后单击“重试”。";
inline constexpr char kRemoved[] = "%s 已从您的计算机中删除。";
inline constexpr char kRemainders[] = "以下项目未能删除，请手动删除：";
inline constexpr char kRemoving[] = "正在删除：";
inline constexpr char kNoLogCaption[] = "卸载";
inline constexpr char kNoLog[] = "无法读取卸载记录文件：\r\n%s\r\n未删除任何内容。";
inline constexpr char kRefusedLog[] = "卸载记录文件的第 %s 行不正确：\r\n%s\r\n未删除任何内容。";

}  // namespace yv::uninstall::texts
