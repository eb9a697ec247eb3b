// Extra-file copying: the plain files of the source folders of section "copy" into
// folders of the installation.
#pragma once

#include <string>

namespace yv::install {

// For every line of section "copy", in file order, copies the plain files (not folders,
// not hidden or system files, no subfolders) of SourceDir + "\" + key into InstallDir +
// "\" + value, replacing existing files, and leaves each copy with the archive attribute
// alone. Nothing is reported: a missing folder copies nothing, and a file whose source or
// destination path would exceed 511 bytes is passed over.
void CopyExtraFiles(const std::string& sourceDir, const std::string& installDir, const std::string& descPath);

}  // namespace yv::install
