// User-visible texts of start-up, the main window and the page frame (GBK in the program).
#pragma once

#include "medium/medium_rules.h"
#include "winsys/system_folders.h"

namespace yv::wizard::texts {

inline constexpr char kSetupCaption[] = "Setup";
inline constexpr char kBadDescription[] = "安装文件不正确！";
inline constexpr char kConfirmCancel[] = "安装程序未完成，请确认要退出。";
inline constexpr char kConfirmCancelCaption[] = "提示";
inline constexpr char kUpgradeDone[] = "升级成功";
inline constexpr char kUpgradeDoneCaption[] = "信息";
// The installation's record (the log beside the uninstaller, or the run's own journal)
// could not be written, so nothing was installed (followed by its path).
inline constexpr char kLogNotWritten[] = "无法写入安装记录，未进行安装：\r\n";
inline constexpr char kLogNotWrittenCaption[] = "警告";

// A deployment started with switches, and the lines of its support log.
inline constexpr char kSwitchRefused[] = "命令行参数不正确：";
inline constexpr char kLogCommandLine[] = "命令行：";
inline constexpr char kLogSilent[] = "静默安装";
inline constexpr char kLogInteractive[] = "按命令行参数安装";
inline constexpr char kLogMedium[] = "安装盘：";
inline constexpr char kLogMessage[] = "提示：";

inline constexpr char kDefaultMainProgram[] = "dravkp.exe";
inline constexpr char kDefaultProduct[] = "Yorvane";

inline constexpr char kAppPathsKey[] = "SoftWare\\Microsoft\\Windows\\CurrentVersion\\App Paths\\%s";
// The current user's shell folders ("Programs", "Desktop").
inline constexpr const char* kShellFoldersKey = winsys::kShellFoldersKey;
inline constexpr const char* kProductKey = medium::kProductKey;

// Page frame.
inline constexpr char kMaker[] = "Delvrin软件";
inline constexpr char kBack[] = "< 上一步";
inline constexpr char kNext[] = "下一步 >";
inline constexpr char kCancel[] = "取消";
inline constexpr char kAgree[] = "同意";
inline constexpr char kFinish[] = "完成";

// Window captions of the pages.
inline constexpr char kLicenceCaption[] = "欢迎使用Delvrin软件";
inline constexpr char kUserInfoCaption[] = "用户信息";
inline constexpr char kComponentsCaption[] = "安装路径和组件";
inline constexpr char kProgramGroupCaption[] = "安装程序组";
inline constexpr char kSummaryCaption[] = "安装信息";
inline constexpr char kProgressCaption[] = "安装";
inline constexpr char kCompletionCaption[] = "安装完成";

}  // namespace yv::wizard::texts
