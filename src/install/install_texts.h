// User-visible texts of the progress page and the installation run (GBK in the program).
#pragma once

namespace yv::install::texts {

// Progress page.
inline constexpr char kInstalling[] = "正在安装";
inline constexpr char kLabel1Design[] = "Label1";
inline constexpr char kStaticText1Design[] = "StaticText1";
// The action of one archive line: "安装" + archive name + " 到 " + destination token.
inline constexpr char kActionInstall[] = "安装";
inline constexpr char kActionTo[] = " 到 ";

// The run's messages; the component messages take the component's caption as title.
inline constexpr char kCannotRemoveFolder[] = "无法删除目录 %s!\r\n请手动删除该目录后,重新安装!";
inline constexpr char kWarningCaption[] = "警告";
inline constexpr char kCannotCreateFolders[] = "创建路径不正确!";
inline constexpr char kCreateDirectoryCaption[] = "CreateDirectory";
inline constexpr char kComponentMissing[] = "安装盘不正确!";
inline constexpr char kArchiveFailed[] = "安装文件不正确!";
// After a run that failed or was cancelled over an earlier installation: nothing of it
// changed. The line follows the run's message; alone after a Cancel.
inline constexpr char kEarlierKept[] = "原有的安装已保留。";
inline constexpr char kEarlierKeptLine[] = "\r\n原有的安装已保留。";
// A file that could not be moved in at the commit (the run was undone).
inline constexpr char kCannotReplace[] = "无法替换文件：\r\n";
// A link or junction that leads elsewhere, met at or below the installation folder.
inline constexpr char kLinkInTheWay[] = "安装目录中有指向别处的链接或目录联接：\r\n";

// Lines of a deployment's support log.
inline constexpr char kLogFolder[] = "安装文件夹：";
inline constexpr char kLogGroup[] = "程序组：";
inline constexpr char kLogComponent[] = "组件：";
inline constexpr char kLogItemDone[] = "：完成";
inline constexpr char kLogItemFailed[] = "：失败";
inline constexpr char kLogCommitted[] = "安装完成";
inline constexpr char kLogUndone[] = "安装未完成，所做的更改已全部撤销";

// A name too long for the buffers the installation composes paths and keys in: the
// message names what is too long ("%s太长!") and shows it whole on the next line.
inline constexpr char kTooLong[] = "%s太长!\r\n%s";
inline constexpr char kInstallFolderName[] = "安装目录";
inline constexpr char kPathName[] = "路径";
inline constexpr char kProgramGroupName[] = "程序组名";
inline constexpr char kUninstallCommandName[] = "卸载程序路径";

// Files and keys.
inline constexpr char kSystemFolder[] = "\\system";  // present in an earlier installation

}  // namespace yv::install::texts
