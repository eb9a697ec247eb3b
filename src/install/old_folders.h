// Old-folder removal: the folders of section "delete", removed before the installation
// folder is created so that an installation over an earlier one starts without them.
#pragma once

#include <windows.h>

#include <string>

namespace yv::install {

// Removes InstallDir + "\" + value for every value of section "delete" of the setup
// description, in file order. At the first folder that stays it shows the removal
// message (owned by `owner`) with that path and returns false; later lines are not
// tried. A value that would not name a folder below the installation folder (empty,
// rooted, with a drive, climbing out with "..") and a path over 255 bytes are refused
// the same way, before anything is deleted for that line.
bool RemoveOldFolders(HWND owner, const std::string& installDir, const std::string& descPath);

}  // namespace yv::install
