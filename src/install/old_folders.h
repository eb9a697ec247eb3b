// Old-folder removal: the folders of section "delete", gone before the installation's
// files go in so that an installation over an earlier one starts without them.
#pragma once

#include <optional>
#include <string>

#include "winsys/change_layer.h"

namespace yv::install {

// For every value of section "delete" of the setup description, in file order, has the
// run replace InstallDir + "\" + value at its commit: the folder is tried now (a program
// holding a file in it is found before anything has changed) and moved aside only then,
// with what the run makes in it taking its place. A trailing backslash names the folder
// without it. Returns the first path (as composed) that cannot be removed, or that would
// not name a folder below the installation folder (empty, rooted, with a drive, climbing
// out with "..") or is over 255 bytes; later lines are not tried.
std::optional<std::string> RemoveOldFolders(winsys::ChangeLayer& changes, const std::string& installDir,
                                            const std::string& descPath);

}  // namespace yv::install
