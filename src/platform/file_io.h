// Whole-file access by GBK path, for the portable core (INI files, containers made by
// the media tool). Windows builds open files through the wide API with code page 936.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace yv::platform {

// The whole content of the file; std::nullopt when it is missing or unreadable.
std::optional<std::string> ReadWholeFile(const std::string& path);
// Replaces the file's content through a temporary file beside it, so that a failed
// write (a full disk) leaves the old content whole; false when it cannot be written.
bool WriteWholeFile(const std::string& path, std::string_view bytes);
// True when a file or folder of that name exists.
bool PathExists(const std::string& path);

}  // namespace yv::platform
