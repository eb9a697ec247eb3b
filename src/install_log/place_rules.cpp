#include "install_log/place_rules.h"

#include <cstring>

#include "text/gbk.h"

namespace yv::install_log {

namespace {

constexpr const char* kDeviceNames[] = {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$", "CLOCK$"};

bool IsDeviceName(std::string_view level) {
  // The system takes "nul.txt" and "com1 " for the device too.
  std::string_view base = level.substr(0, level.find('.'));
  while (!base.empty() && base.back() == ' ') base.remove_suffix(1);
  for (const char* device : kDeviceNames) {
    if (text::EqualsIgnoreCase(base, device)) return true;
  }
  if (base.size() == 4 && base[3] >= '0' && base[3] <= '9') {
    const std::string_view stem = base.substr(0, 3);
    if (text::EqualsIgnoreCase(stem, "COM") || text::EqualsIgnoreCase(stem, "LPT")) return true;
  }
  return false;
}

bool IsPlainName(std::string_view level) {
  if (level.empty() || IsDeviceName(level)) return false;
  bool real = false;
  for (std::size_t i = 0; i < level.size(); i += text::CharLength(level, i)) {
    if (text::CharLength(level, i) == 2) {
      real = true;
      continue;
    }
    const unsigned char c = static_cast<unsigned char>(level[i]);
    if (c < 0x20 || std::strchr("<>:\"/\\|?*", c) != nullptr) return false;
    if (c != '.' && c != ' ') real = true;
  }
  // A name ending in a dot or blank is not the name the system stores.
  return real && level.back() != '.' && level.back() != ' ';
}

// Splits at real backslashes (not trail bytes).
std::vector<std::string_view> Levels(std::string_view s) {
  std::vector<std::string_view> levels;
  std::size_t start = 0;
  for (;;) {
    const std::size_t sep = text::FindChar(s, '\\', start);
    levels.push_back(s.substr(start, sep == std::string_view::npos ? std::string_view::npos : sep - start));
    if (sep == std::string_view::npos) return levels;
    start = sep + 1;
  }
}

bool IsAtOrBelow(const std::string& path, const std::string& folder) {
  return text::EqualsIgnoreCase(path, folder) || IsBelow(path, folder);
}

// A key below HKEY_LOCAL_MACHINE\SOFTWARE or HKEY_CURRENT_USER\Software, made of names.
bool IsAllowedKey(const std::string& key) {
  if (key.size() > kKeyLimit) return false;
  const std::vector<std::string_view> levels = Levels(key);
  if (levels.size() < 3) return false;
  if (!(text::EqualsIgnoreCase(levels[0], "HKEY_LOCAL_MACHINE") ||
        text::EqualsIgnoreCase(levels[0], "HKEY_CURRENT_USER")) ||
      !text::EqualsIgnoreCase(levels[1], "SOFTWARE")) {
    return false;
  }
  for (std::string_view level : levels) {
    if (level.empty() || level.size() > kKeyLevelLimit) return false;
    for (unsigned char c : level) {
      if (c < 0x20) return false;
    }
  }
  return true;
}

bool IsShortcutName(const std::string& path) {
  return path.size() > 4 && text::EqualsIgnoreCase(std::string_view(path).substr(path.size() - 4), ".lnk");
}

// The installation folder may not hold the system's own folders, nor lie in the Windows
// folder; anything else a vendor chose is allowed.
bool IsAllowedInstallFolder(const std::string& path, const Places& p) {
  if (!IsPlainFullPath(path)) return false;
  for (const std::string* place : p.All()) {
    if (!place->empty() && IsAtOrBelow(*place, path)) return false;
  }
  return !IsBelow(path, p.windowsDir);
}

// A folder made on the way to an installation folder ("D:\apps" for "D:\apps\kv58"), as
// long as it holds none of the system's folders.
bool IsOnTheWayTo(const std::string& path, const std::vector<std::string>& installDirs, const Places& p) {
  for (const std::string* place : p.All()) {
    if (!place->empty() && IsAtOrBelow(*place, path)) return false;
  }
  for (const std::string& dir : installDirs) {
    if (IsBelow(dir, path)) return true;
  }
  return false;
}

bool IsAllowed(const Record& r, const Places& p, const std::vector<std::string>& installDirs) {
  const auto inInstallFolder = [&](bool orItself) {
    for (const std::string& dir : installDirs) {
      if (IsBelow(r.text, dir) || (orItself && text::EqualsIgnoreCase(r.text, dir))) return true;
    }
    return false;
  };
  switch (r.kind) {
    case RecordKind::Run:
    case RecordKind::Group:
    case RecordKind::Done:
    case RecordKind::Begin:
    case RecordKind::Commit:
    case RecordKind::Abort:
    case RecordKind::End:
    case RecordKind::Removal:
      return true;
    case RecordKind::Gone:
      return IsPlainFullPath(r.text) && inInstallFolder(false);
    case RecordKind::Folder:
      return IsAllowedInstallFolder(r.text, p);
    case RecordKind::File:
      return IsPlainFullPath(r.text) &&
             (inInstallFolder(false) || IsBelow(r.text, p.windowsDir) || IsBelow(r.text, p.systemDir));
    case RecordKind::Dir:
      // The Programs folder itself where a new profile had none: the program group made it.
      return IsPlainFullPath(r.text) && (inInstallFolder(true) || IsOnTheWayTo(r.text, installDirs, p) ||
                                         IsAtOrBelow(r.text, p.programs) || IsAtOrBelow(r.text, p.allUsersPrograms));
    case RecordKind::Link:
      return IsPlainFullPath(r.text) && IsShortcutName(r.text) &&
             (IsBelow(r.text, p.programs) || IsBelow(r.text, p.desktop) || IsBelow(r.text, p.allUsersPrograms) ||
              IsBelow(r.text, p.allUsersDesktop));
    case RecordKind::Key:
    case RecordKind::Value:
      return IsAllowedKey(r.text);
  }
  return false;
}

}  // namespace

bool IsPlainFullPath(const std::string& path) {
  if (path.size() > text::kPathLimit || path.size() < 4) return false;
  const char drive = path[0];
  if (!((drive >= 'A' && drive <= 'Z') || (drive >= 'a' && drive <= 'z')) || path[1] != ':' || path[2] != '\\') {
    return false;
  }
  for (std::string_view level : Levels(std::string_view(path).substr(3))) {
    if (!IsPlainName(level)) return false;
  }
  return true;
}

bool IsBelow(const std::string& path, const std::string& folder) {
  if (folder.empty() || path.size() <= folder.size() + 1) return false;
  return path[folder.size()] == '\\' && text::EqualsIgnoreCase(std::string_view(path).substr(0, folder.size()), folder);
}

std::optional<std::size_t> FirstRefusedLine(const std::vector<LogLine>& lines, const Places& places) {
  std::vector<std::string> installDirs;
  for (const LogLine& line : lines) {
    if (!IsAllowed(line.record, places, installDirs)) return line.number;
    if (line.record.kind == RecordKind::Folder) installDirs.push_back(line.record.text);
  }
  return std::nullopt;
}

}  // namespace yv::install_log
