// Extra-file copying: the plain files of the source folders of section "copy" into
// folders of the installation.
#pragma once

#include <string>

#include "archive/win/extraction_faults.h"
#include "winsys/change_layer.h"

namespace yv::install {

// For every line of section "copy", in file order, copies the plain files (not folders,
// not hidden or system files, no subfolders) of SourceDir + "\" + key into InstallDir +
// "\" + value, replacing existing files, and leaves each copy with the archive attribute
// alone. A copy replaces its file only when whole, through the change layer. A full disk, a file in use and a
// source that cannot be read are asked about through `faults`; false when the user
// stopped there (the files not reached are not copied). Nothing else is reported: a
// missing folder copies nothing, and a file that cannot be copied (a read-only target,
// a source or destination path over 511 bytes) is passed over.
bool CopyExtraFiles(winsys::ChangeLayer& changes, archive::ExtractionFaults& faults, const std::string& sourceDir,
                    const std::string& installDir, const std::string& descPath);

}  // namespace yv::install
