// What a log may name. The uninstaller removes only below these places: the installation
// folders the log names, the Windows and system folders (files only), the current user's
// and every user's Programs and Desktop folders (shortcuts and the program group; a
// deployment for every user puts them in the latter), and registry keys below
// HKEY_LOCAL_MACHINE\SOFTWARE and HKEY_CURRENT_USER\Software. One record outside them
// refuses the whole log.
#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "install_log/log_file.h"

namespace yv::install_log {

// The folders of the system where the uninstaller runs (GBK, without trailing '\').
struct Places {
  std::string windowsDir;
  std::string systemDir;
  std::string programs;
  std::string desktop;
  std::string allUsersPrograms;
  std::string allUsersDesktop;
  // All of them, each a place of its own (an empty one is none).
  std::array<const std::string*, 6> All() const {
    return {&windowsDir, &systemDir, &programs, &desktop, &allUsersPrograms, &allUsersDesktop};
  }
};

// Whole paths over 255 bytes are over the limits of the installation that wrote them;
// keys are bounded by the registry's own limits.
constexpr std::size_t kKeyLimit = 1023;
constexpr std::size_t kKeyLevelLimit = 255;

// True when `path` is "X:\" and one or more plain names: no empty level, no "." or ".."
// (nor dots and blanks alone), no reserved character, no device name, at most 255 bytes.
bool IsPlainFullPath(const std::string& path);

// True when `path` lies strictly below `folder` (ASCII letters compared without case).
bool IsBelow(const std::string& path, const std::string& folder);

// The first line whose record the places do not allow; std::nullopt when all are allowed.
std::optional<std::size_t> FirstRefusedLine(const std::vector<LogLine>& lines, const Places& places);

}  // namespace yv::install_log
