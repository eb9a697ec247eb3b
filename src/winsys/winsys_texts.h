// The texts of the Windows services: the lines of the support log. GBK.
#pragma once

namespace yv::winsys::texts {

inline constexpr char kWindowsError[] = "Windows 错误 ";
inline constexpr char kExitCode[] = "退出代码：";
inline constexpr char kRecoveryUndone[] = "上次中断的安装已撤销";
inline constexpr char kRecoveryCompleted[] = "上次中断的安装已完成";
inline constexpr char kRecoveryUnfinished[] = "（未能全部完成）";

}  // namespace yv::winsys::texts
