// Folder creation: every missing level of a path, and the installation folder with the
// subfolders the setup description lists in section "directory".
#pragma once

#include <string>

#include "winsys/change_layer.h"

namespace yv::shell {

// Creates every missing level of `path` (GBK, at most 255 bytes). A separator at the
// first position or right after a colon ends no level, so a drive root is never
// created; a level that exists, as a folder or as a file, is passed over. False when a
// level cannot be created, or when the path is too long to be a folder at all.
bool CreateFolderPath(winsys::ChangeLayer& changes, const std::string& path);

// Creates the installation folder and then each folder of section "directory" of the
// setup description at `descPath`, in file order, through the change layer (in a run,
// inside the new tree of a folder that the run replaces), stopping at the first failure.
// A folder path over 255 bytes is a failure too; it is left in `tooLong` when given.
bool CreateInstallFolders(winsys::ChangeLayer& changes, const std::string& installDir, const std::string& descPath,
                          std::string* tooLong = nullptr);

}  // namespace yv::shell
