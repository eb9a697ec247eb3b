// User-visible texts of the completion page and the actions after the installation
// (GBK in the program).
#pragma once

namespace yv::completion::texts {

// Completion page.
inline constexpr char kChooseDriver[] = "请选择所使用的接收卡类型";
inline constexpr char kChooseCard[] = "请选择所使用的接收卡";
inline constexpr char kCardFilesBad[] = "安装文件不正确!";  // caption: the card's name
inline constexpr char kNoDriverChosen[] = "没有选择所使用的接收卡类型!";
inline constexpr char kNoDriverChosenCaption[] = "错误";
// Asked after a card step that failed when it cannot succeed by choosing again (every
// card's files failing, an empty driver table): Yes finishes without the card.
inline constexpr char kSkipCardQuestion[] = "接收卡未能配置。\n是否不配置接收卡，直接完成安装？";

// Post-installation actions.
inline constexpr char kRegistrationFailed[] = "注册失败!";
inline constexpr char kShortcutsFailed[] = "未完成安装程序,图标未创建!";
inline constexpr char kCannotRun[] = "无法执行";  // followed by the entry's value
inline constexpr char kCannotRunEnd[] = "！";
inline constexpr char kCannotRunHinstall[] = "无法执行Windows版安装程序！";
inline constexpr char kCannotRunBde[] = "无法执行BDE安装程序！";
// A composed path, registry key or command line over 255 bytes; followed by the text.
inline constexpr char kTooLong[] = "路径、注册表键或命令行超过255字节：\n";

}  // namespace yv::completion::texts
