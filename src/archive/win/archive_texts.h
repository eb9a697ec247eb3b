// Every text the archive routines show. They report in English, apart from the message
// for a missing container. GBK bytes (the sources are compiled with the GBK charset).
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
// A stored entry whose bytes could not all be written (a full disk).
inline constexpr char kCanNotWriteFile[] = "Can not write file";
// A container that ends before its last entry is complete, or holds a malformed name
// or one that would leave the destination folder.
inline constexpr char kArchiveDamaged[] = "Archive file is damaged";

// File label of the progress page: "安装" + container + " 到 " + output path.
inline constexpr char kLabelInstall[] = "安装";
inline constexpr char kLabelTo[] = " 到 ";

}  // namespace yv::archive::texts
