// Folders of the system.
#pragma once

#include <optional>
#include <string>

namespace yv::winsys {

// The Windows folder in GBK, as read into a 256-byte buffer: std::nullopt when it cannot
// be read or would not fit in 255 bytes.
std::optional<std::string> WindowsFolder();

}  // namespace yv::winsys
