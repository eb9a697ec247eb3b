// Shortcut files (.lnk) made through the system's shell link object.
#pragma once

#include <optional>
#include <string>

#include "install_log/change_recorder.h"

namespace yv::winsys {

// Saves a shortcut at `linkPath` that points at `target` and, when given, starts in
// `workingFolder` (all GBK). Nothing else is set on it. An existing file of that name is
// replaced. True when the link object could be made and saved.
// Recorded through `log` before it is saved.
bool CreateShellLink(install_log::ChangeRecorder& log, const std::string& target, const std::string& linkPath,
                     const std::optional<std::string>& workingFolder);

}  // namespace yv::winsys
