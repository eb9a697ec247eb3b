#include "text/path_rules.h"

#include "text/gbk.h"

namespace yv::text {

namespace {

bool IsSeparator(char c) {
  return c == '\\' || c == '/';
}

// A level the system does not take as a name: empty, or only dots and blanks
// ("." and ".." and what trimming turns into them).
bool IsRealName(std::string_view level) {
  for (char c : level) {
    if (c != '.' && c != ' ') return true;
  }
  return false;
}

}  // namespace

bool IsPathBelow(std::string_view relative) {
  if (EndsWithBackslash(relative)) relative.remove_suffix(1);
  if (relative.empty()) return false;
  std::size_t levelStart = 0;
  for (std::size_t i = 0; i <= relative.size(); i += i < relative.size() ? CharLength(relative, i) : 1) {
    const bool end = i == relative.size();
    if (!end && CharLength(relative, i) == 2) continue;
    const char c = end ? '\0' : relative[i];
    if (c == ':' || c == '*' || c == '?') return false;
    if (end || IsSeparator(c)) {
      if (!IsRealName(relative.substr(levelStart, i - levelStart))) return false;
      levelStart = i + 1;
    }
  }
  return true;
}

bool IsFullyQualifiedBelowRoot(std::string_view path) {
  const auto letter = [](char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); };
  if (path.size() > 3 && letter(path[0]) && path[1] == ':' && path[2] == '\\') return IsPathBelow(path.substr(3));
  // "\\server\share\rest": server and share are names, the rest a path below them.
  if (path.size() < 3 || path[0] != '\\' || path[1] != '\\') return false;
  std::size_t server = FindChar(path, '\\', 2);
  if (server == std::string_view::npos) return false;
  std::size_t share = FindChar(path, '\\', server + 1);
  if (share == std::string_view::npos) return false;
  return IsPathBelow(path.substr(2, share - 2)) && IsPathBelow(path.substr(share + 1));
}

}  // namespace yv::text
