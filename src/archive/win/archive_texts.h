// Every text the archive routines show (extraction_faults.cpp picks them). They report in
// English, apart from the message for a missing container and the questions of faults the
// user can mend. GBK bytes (the sources are compiled with the GBK charset).
#pragma once

namespace yv::archive::texts {

// "%s" is the container path.
inline constexpr char kContainerMissing[] = "%s数据文件错误!";
inline constexpr char kContainerMissingCaption[] = "错误";

inline constexpr char kWarningCaption[] = "Warning";
inline constexpr char kCanNotCreateFile[] = "Can not Create file";
inline constexpr char kVersionError[] = "Version Error!";
inline constexpr char kCanNotAllocateMem[] = "Can not allocate mem";
inline constexpr char kCanNotUncompressFile[] = "Can not uncompress file";
// A stored entry whose bytes could not all be written.
inline constexpr char kCanNotWriteFile[] = "Can not write file";
// A container that ends before its last entry is complete, or holds a malformed name
// or one that would leave the destination folder.
inline constexpr char kArchiveDamaged[] = "Archive file is damaged";

// The questions of a fault the user can mend: the path goes between the two parts.
// Caption "警告", buttons Retry and Cancel.
inline constexpr char kQuestionCaption[] = "警告";
inline constexpr char kFileInUse[] = "文件 ";
inline constexpr char kFileInUseEnd[] = " 正在被其他程序使用。\r\n请关闭该程序后单击“重试”，或单击“取消”停止安装。";
inline constexpr char kDiskFull[] = "磁盘空间不足，无法写入文件：\r\n";
inline constexpr char kDiskFullEnd[] = "\r\n请释放磁盘空间后单击“重试”，或单击“取消”停止安装。";
inline constexpr char kCannotReadMedium[] = "无法读取安装盘上的文件：\r\n";
inline constexpr char kCannotReadMediumEnd[] = "\r\n请检查安装盘后单击“重试”，或单击“取消”停止安装。";

// What a deployment's support log calls a fault (the others by their message).
inline constexpr char kLogContainerMissing[] = "数据文件缺失";
inline constexpr char kLogChecksum[] = "数据校验错误";
inline constexpr char kLogReadError[] = "无法读取安装盘";
inline constexpr char kLogDiskFull[] = "磁盘空间不足";
inline constexpr char kLogInUse[] = "文件正在被其他程序使用";

// File label of the progress page: "安装" + container + " 到 " + output path.
inline constexpr char kLabelInstall[] = "安装";
inline constexpr char kLabelTo[] = " 到 ";

}  // namespace yv::archive::texts
