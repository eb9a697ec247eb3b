// The installation run, called by the page loop with the progress page shown.
#pragma once

#include "install/installation_view.h"
#include "winsys/change_layer.h"

namespace yv::install {

// Runs the installation into InstallDir of the installation state as one run of the change
// layer, in a fixed order: the fresh-installation check, the old folders of section
// "delete", the folders, the archives of every selected component, the extra files and
// the uninstall entry, all staged; then the commit. Any failure or a confirmed Cancel
// undoes the run, so the machine is as it was, and then shows the run's message (with a
// line saying that an earlier installation was kept). Every message is owned by the
// view's window. Returns the view's InstallOk.
bool RunInstallation(InstallationView& view, winsys::ChangeLayer& changes);

}  // namespace yv::install
