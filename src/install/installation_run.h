// The installation run, called by the page loop with the progress page shown.
#pragma once

#include "install/installation_view.h"

namespace yv::install {

// Runs the installation into InstallDir of the installation state, in a fixed order:
// the fresh-installation check, the removal of old folders, the folders, the archives
// of every selected component, then the extra files and the uninstall entry whatever
// happened before. Every message is owned by the view's window. Returns the view's
// InstallOk: false after any failure or a confirmed Cancel.
bool RunInstallation(InstallationView& view);

}  // namespace yv::install
