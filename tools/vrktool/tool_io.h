// Whole-file reading and writing for the media tool, by native path.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace yv::vrktool {

std::optional<std::string> ReadFileBytes(const std::filesystem::path& path);
// The file's size, or 0 when it cannot be read (for the progress line, where the
// reading itself reports the fault).
uint64_t FileSize(const std::filesystem::path& path);
// Writes through a temporary file of its own beside `path` (OutputFolder), renamed over
// it at the end, so that a failed write never leaves a half-written container or file
// under the real name.
bool WriteFileBytes(const std::filesystem::path& path, std::string_view bytes);

}  // namespace yv::vrktool
