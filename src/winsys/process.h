// Starting programs.
#pragma once

#include <string>

namespace yv::winsys {

// Starts `commandLine` (GBK) with `folder` as its working folder and does not wait for
// it; false when it could not be started. The handles are closed at once.
bool StartProcess(const std::string& commandLine, const std::string& folder);

}  // namespace yv::winsys
