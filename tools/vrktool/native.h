// The few things the media tool does differently on each system: converting file-name
// components between the system's own form and GBK (the names inside containers), and
// reading and setting modification times.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace yv::vrktool {

// One component of a file name (no separators) as GBK bytes; std::nullopt when it has
// characters that GBK cannot hold (or, on Linux, is not valid UTF-8).
std::optional<std::string> ComponentToGbk(const std::filesystem::path& component);
// One GBK name component as a file-name component of this system; std::nullopt when
// the bytes are not valid GBK.
std::optional<std::filesystem::path> ComponentFromGbk(std::string_view gbk);
// GBK text as UTF-8 for the console; bytes that do not convert are shown as \xNN.
std::string GbkForDisplay(std::string_view gbk);

// A path given on the command line (UTF-8 on every system).
std::filesystem::path PathFromArgument(const std::string& argument);
// A path for messages, UTF-8.
std::string PathForDisplay(const std::filesystem::path& path);

// The file's last-write time as a FILETIME; std::nullopt when it cannot be read or
// does not fit.
std::optional<uint64_t> ReadLastWriteTime(const std::filesystem::path& path);
// Sets the file's last-write time (its access time is left alone); false on failure.
bool WriteLastWriteTime(const std::filesystem::path& path, uint64_t fileTime);

// Whether standard error is a terminal (the progress line is shown only there).
bool StandardErrorIsTerminal();

}  // namespace yv::vrktool
