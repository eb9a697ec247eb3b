#include "profile/ini_edit.h"

#include "text/gbk.h"

namespace yv::profile {

namespace {

bool HasLineBreak(std::string_view s) { return s.find_first_of("\r\n") != std::string_view::npos; }

std::string_view LineEnding(const std::string& content) {
  const std::size_t at = content.find_first_of("\r\n");
  if (at == std::string::npos) return "\r\n";
  if (content.compare(at, 2, "\r\n") == 0) return "\r\n";
  return content[at] == '\r' ? "\r" : "\n";
}

bool IsBlankLine(std::string_view content, const IniLine& line) {
  return TrimIniSpace(content.substr(line.begin, line.end - line.begin)).empty();
}

bool EndsWithLineBreak(std::string_view s) { return !s.empty() && (s.back() == '\r' || s.back() == '\n'); }

std::optional<std::string> Compose(const IniDocument& doc, std::string_view section, std::string_view key,
                                   std::string_view value) {
  section = TrimIniSpace(section);
  key = TrimIniSpace(key);
  if (section.empty() || key.empty() || HasLineBreak(section) || HasLineBreak(key) ||
      HasLineBreak(value) || text::FindChar(key, '=') != std::string_view::npos || key.front() == '[') {
    return std::nullopt;
  }

  const std::string& content = doc.content();
  const std::string_view eol = LineEnding(content);
  const auto range = doc.FindSection(section);
  if (!range) {
    std::string out = content;
    if (!doc.lines().empty()) {
      if (!EndsWithLineBreak(out)) out.append(eol);
      if (!IsBlankLine(content, doc.lines().back())) out.append(eol);
    }
    out.append("[").append(section).append("]").append(eol);
    out.append(key).append("=").append(value).append(eol);
    return out;
  }

  if (const auto entry = doc.FindEntry(*range, key)) {
    const IniLine& line = doc.lines()[*entry];
    std::string out = content.substr(0, line.begin);
    out.append(line.name).append("=").append(value);
    out.append(content, line.end, std::string::npos);
    return out;
  }

  std::size_t after = range->first;
  for (std::size_t i = range->first; i < range->last; ++i) {
    if (doc.lines()[i].kind == IniLine::Kind::kEntry) after = i;
  }
  const IniLine& line = doc.lines()[after];
  std::string out = content.substr(0, line.next);
  if (line.next == line.end) out.append(eol);  // the last line had no line ending
  out.append(key).append("=").append(value).append(eol);
  out.append(content, line.next, std::string::npos);
  return out;
}

}  // namespace

std::optional<std::string> WithEntry(const IniDocument& doc, std::string_view section,
                                     std::string_view key, std::string_view value) {
  auto out = Compose(doc, section, key, value);
  if (!out) return std::nullopt;
  // A name ending in a lone lead byte can swallow the ']' or '=' written after it;
  // whatever the reason, an entry that does not read back as written is refused.
  IniDocument written(*out);
  auto back = written.Find(section, key);
  if (!back || *back != VisibleValue(TrimIniSpace(value))) return std::nullopt;
  return out;
}

}  // namespace yv::profile
