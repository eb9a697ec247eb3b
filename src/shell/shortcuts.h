// The shortcuts of an installation: one in the program group folder for each line of
// section "ico" of the setup description, one on the desktop for each line of section
// "desktop", and the uninstall shortcut when the description names an uninstaller.
#pragma once

#include <string>

#include "winsys/change_layer.h"

namespace yv::shell {

// Creates the shortcuts for the installation at `installDir`, with the program group,
// the product name, the uninstaller and the setup description of the installation
// state. False when the user's folders cannot be read, the program group folder cannot
// be created (each after a message of its own), or the Windows folder cannot be read for
// the uninstall shortcut. A single shortcut that cannot be made does not change the result.
// Each folder and shortcut goes through `changes`.
bool CreateProgramShortcuts(winsys::ChangeLayer& changes, const std::string& installDir);

}  // namespace yv::shell
