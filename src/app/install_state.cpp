#include "app/install_state.h"

namespace yv::app {

InstallState gInstall;

}  // namespace yv::app
