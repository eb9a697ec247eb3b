// The installation run, called by the page loop with the progress page shown.
#pragma once

#include "install/progress_page.h"

namespace yv::install {

// Runs the installation; the result is the page's InstallOk.
void RunInstallation(install::TdlgStep6& page);

}  // namespace yv::install
