#include "wizard/install_state.h"

namespace yv::wizard {

InstallState gInstall;

}  // namespace yv::wizard
