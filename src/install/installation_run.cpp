#include "install/installation_run.h"

#include "ui/application.h"

namespace yv::install {

// The steps of the run (folders, archives, extra files, uninstall entry) arrive with
// the installation engine; until then the run installs nothing and reports the state
// of the page's flag, so that the page loop around it can be walked end to end.
void RunInstallation(install::TdlgStep6& page) {
  page.InstallOk = true;
  ui::ProcessMessages();
}

}  // namespace yv::install
