#include "profile/ini_document.h"

#include "text/gbk.h"

namespace yv::profile {

bool IsIniSpace(char c) {
  // ^Z ends text files written by old DOS tools, as found on installation media.
  return text::IsBlank(c) || c == '\v' || c == '\f' || c == '\x1a';
}

std::string_view TrimIniSpace(std::string_view s) {
  std::size_t b = 0;
  while (b < s.size() && IsIniSpace(s[b])) ++b;
  std::size_t e = s.size();
  while (e > b && IsIniSpace(s[e - 1])) --e;
  return s.substr(b, e - b);
}

namespace {

bool EndsWithSingleByte(std::string_view s, char c) {
  return !s.empty() && text::FindLastChar(s, c) == s.size() - 1;
}

IniLine ParseLine(std::string_view content, std::size_t begin) {
  IniLine line;
  line.begin = begin;
  // CR and LF are below 0x40: they never occur inside a double-byte character.
  std::size_t end = content.find_first_of("\r\n", begin);
  if (end == std::string_view::npos) end = content.size();
  line.end = end;
  line.next = end;
  if (line.next < content.size()) {
    line.next += content.compare(end, 2, "\r\n") == 0 ? 2 : 1;
  }

  const std::string_view body = TrimIniSpace(content.substr(begin, end - begin));
  if (body.empty()) return line;
  if (body.front() == '[') {
    const std::size_t close = text::FindLastChar(body, ']');
    if (close != std::string_view::npos) {
      line.kind = IniLine::Kind::kSection;
      line.name = TrimIniSpace(body.substr(1, close - 1));
      return line;
    }
  }
  const std::size_t equals = text::FindChar(body, '=');
  if (equals != std::string_view::npos) {
    line.kind = IniLine::Kind::kEntry;
    line.name = TrimIniSpace(body.substr(0, equals));
    line.value = TrimIniSpace(body.substr(equals + 1));
  }
  return line;
}

}  // namespace

std::string VisibleValue(std::string_view raw) {
  if (raw.size() >= 2 && (raw.front() == '"' || raw.front() == '\'') &&
      EndsWithSingleByte(raw, raw.front())) {
    raw = raw.substr(1, raw.size() - 2);
  }
  return std::string(text::CutToCharacters(raw, kValueLimit));
}

IniDocument::IniDocument(std::string content) : content_(std::move(content)) {
  const std::string_view all = content_;
  // A UTF-8 byte order mark, as some editors write, is passed over; the bytes after it
  // are taken as they are.
  const std::string_view bom = "\xEF\xBB\xBF";
  for (std::size_t at = all.substr(0, 3) == bom ? 3 : 0; at < all.size();) {
    lines_.push_back(ParseLine(all, at));
    at = lines_.back().next;
  }
}

std::optional<IniDocument::Range> IniDocument::FindSection(std::string_view section) const {
  const std::string_view wanted = TrimIniSpace(section);
  std::optional<std::size_t> head;
  if (!wanted.empty()) {
    for (std::size_t i = 0; i < lines_.size() && !head; ++i) {
      if (lines_[i].kind == IniLine::Kind::kSection && text::EqualsIgnoreCase(lines_[i].name, wanted)) {
        head = i;
      }
    }
    if (!head) return std::nullopt;
  }
  // The nameless section always exists: the lines before the first head.
  std::size_t last = head ? *head + 1 : 0;
  while (last < lines_.size() && lines_[last].kind != IniLine::Kind::kSection) ++last;
  return Range{head ? *head : 0, last};
}

std::optional<std::size_t> IniDocument::FindEntry(Range range, std::string_view key) const {
  const std::string_view wanted = TrimIniSpace(key);
  for (std::size_t i = range.first; i < range.last; ++i) {
    if (lines_[i].kind == IniLine::Kind::kEntry && text::EqualsIgnoreCase(lines_[i].name, wanted)) {
      return i;
    }
  }
  return std::nullopt;
}

std::optional<std::string> IniDocument::Find(std::string_view section, std::string_view key) const {
  const auto range = FindSection(section);
  if (!range) return std::nullopt;
  const auto entry = FindEntry(*range, key);
  if (!entry) return std::nullopt;
  return VisibleValue(lines_[*entry].value);
}

std::vector<std::string> IniDocument::KeyNames(std::string_view section) const {
  std::vector<std::string> names;
  const auto range = FindSection(section);
  if (!range) return names;
  std::size_t used = 0;
  for (std::size_t i = range->first; i < range->last; ++i) {
    const IniLine& line = lines_[i];
    if (line.kind != IniLine::Kind::kEntry || line.name.empty() || line.name.front() == ';') continue;
    used += line.name.size() + 1;
    if (used > kKeyNamesLimit) break;
    names.emplace_back(line.name);
  }
  return names;
}

}  // namespace yv::profile
