#include "text/gbk.h"

namespace yv::text {

std::size_t CharLength(std::string_view s, std::size_t i) {
  return IsLeadByte(static_cast<unsigned char>(s[i])) && i + 1 < s.size() &&
                 IsTrailByte(static_cast<unsigned char>(s[i + 1]))
             ? 2
             : 1;
}

std::size_t FindChar(std::string_view s, char c, std::size_t from) {
  for (std::size_t i = 0; i < s.size(); i += CharLength(s, i)) {
    if (i >= from && s[i] == c) return i;
  }
  return std::string_view::npos;
}

std::size_t FindLastChar(std::string_view s, char c) {
  std::size_t found = std::string_view::npos;
  for (std::size_t i = 0; i < s.size(); i += CharLength(s, i)) {
    if (s[i] == c) found = i;
  }
  return found;
}

std::size_t FindText(std::string_view s, std::string_view needle, std::size_t from) {
  for (std::size_t i = 0; i < s.size(); i += CharLength(s, i)) {
    if (i >= from && s.substr(i, needle.size()) == needle) return i;
  }
  return needle.empty() && from <= s.size() ? from : std::string_view::npos;
}

bool EndsWithBackslash(std::string_view s) {
  return !s.empty() && FindLastChar(s, '\\') == s.size() - 1;
}

std::string WithoutTrailingBackslash(std::string_view s) {
  return std::string(EndsWithBackslash(s) ? s.substr(0, s.size() - 1) : s);
}

std::string_view TrimLeadingBlanks(std::string_view s) {
  std::size_t b = 0;
  while (b < s.size() && IsBlank(s[b])) ++b;
  return s.substr(b);
}

std::string_view TrimBlanks(std::string_view s) {
  // Blanks are never trail bytes (those start at 0x40), so the ends can be cut directly.
  s = TrimLeadingBlanks(s);
  std::size_t e = s.size();
  while (e > 0 && IsBlank(s[e - 1])) --e;
  return s.substr(0, e);
}

namespace {
template <typename Fold>
std::string MapAscii(std::string_view s, Fold fold) {
  std::string out(s);
  for (std::size_t i = 0; i < out.size(); i += CharLength(out, i)) {
    if (CharLength(out, i) == 1) out[i] = fold(out[i]);
  }
  return out;
}
char Lower(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}
char Upper(char c) {
  return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}
}  // namespace

std::string ToLowerAscii(std::string_view s) {
  return MapAscii(s, Lower);
}
std::string ToUpperAscii(std::string_view s) {
  return MapAscii(s, Upper);
}

bool EqualsIgnoreCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size();) {
    std::size_t n = CharLength(a, i);
    if (n != CharLength(b, i)) return false;
    if (n == 2 ? a.substr(i, 2) != b.substr(i, 2) : Lower(a[i]) != Lower(b[i])) return false;
    i += n;
  }
  return true;
}

std::string_view CutToCharacters(std::string_view s, std::size_t limit) {
  std::size_t end = 0;
  while (end < s.size() && end + CharLength(s, end) <= limit) end += CharLength(s, end);
  return s.substr(0, end);
}

std::optional<std::string> JoinBounded(std::size_t limit, std::initializer_list<std::string_view> parts) {
  std::size_t total = 0;
  for (auto p : parts) total += p.size();
  if (total > limit) return std::nullopt;
  std::string out;
  out.reserve(total);
  for (auto p : parts) out.append(p);
  return out;
}

std::optional<std::string> FormatBounded(std::size_t limit, std::string_view format,
                                         std::initializer_list<std::string_view> args) {
  std::string out;
  auto next = args.begin();
  for (std::size_t i = 0; i < format.size(); ++i) {
    if (format[i] == '%' && i + 1 < format.size() && (format[i + 1] == 's' || format[i + 1] == '%')) {
      if (format[++i] == '%') {
        out.push_back('%');
      } else {
        if (next == args.end()) return std::nullopt;
        out.append(*next++);
      }
    } else {
      out.push_back(format[i]);
    }
    if (out.size() > limit) return std::nullopt;
  }
  return out;
}

bool IsWellFormedGbk(std::string_view s) {
  for (std::size_t i = 0; i < s.size(); ++i) {
    const auto c = static_cast<unsigned char>(s[i]);
    if (c < 0x80) continue;
    if (!IsLeadByte(c) || i + 1 >= s.size() || !IsTrailByte(static_cast<unsigned char>(s[i + 1]))) return false;
    ++i;
  }
  return true;
}

}  // namespace yv::text
