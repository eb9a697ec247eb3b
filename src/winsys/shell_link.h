// Shortcut files (.lnk) made through the system's shell link object.
#pragma once

#include <optional>
#include <string>

namespace yv::winsys {

// Saves a shortcut at `linkPath` that points at `target` and, when given, starts in
// `workingFolder` (all GBK). Nothing else is set on it. An existing file of that name is
// replaced. True when the link object could be made and saved.
bool CreateShellLink(const std::string& target, const std::string& linkPath,
                     const std::optional<std::string>& workingFolder);

}  // namespace yv::winsys
