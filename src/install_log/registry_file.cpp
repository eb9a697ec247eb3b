#include "install_log/registry_file.h"

#include "text/gbk.h"

namespace yv::install_log {

namespace {

constexpr std::string_view kHeader4 = "REGEDIT4";
constexpr std::string_view kHeader5 = "Windows Registry Editor Version 5.00";

struct RootName {
  const char* shortName;
  const char* longName;
};
constexpr RootName kRoots[] = {
    {"HKLM", "HKEY_LOCAL_MACHINE"}, {"HKCU", "HKEY_CURRENT_USER"},   {"HKCR", "HKEY_CLASSES_ROOT"},
    {"HKU", "HKEY_USERS"},          {"HKCC", "HKEY_CURRENT_CONFIG"},
};

// The text of the file in GBK: UTF-16 with its byte-order mark converted, anything else
// taken as it is.
std::string AsGbk(std::string_view bytes, const Utf16ToGbk& toGbk) {
  if (bytes.size() < 2 || static_cast<unsigned char>(bytes[0]) != 0xFF ||
      static_cast<unsigned char>(bytes[1]) != 0xFE) {
    return std::string(bytes);
  }
  std::u16string wide;
  for (std::size_t i = 2; i + 1 < bytes.size(); i += 2) {
    wide.push_back(
        static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) | static_cast<unsigned char>(bytes[i + 1]) << 8));
  }
  return toGbk(wide);
}

std::vector<std::string_view> SplitLines(std::string_view text) {
  std::vector<std::string_view> lines;
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    lines.push_back(line);
    if (end == std::string_view::npos) break;
    text.remove_prefix(end + 1);
  }
  return lines;
}

// "[root\path]" with the root spelled out; std::nullopt for an unknown root.
std::optional<std::string> KeyName(std::string_view inside) {
  inside = text::TrimBlanks(inside);
  const std::size_t sep = text::FindChar(inside, '\\');
  const std::string_view root = inside.substr(0, sep);
  const std::string rest = sep == std::string_view::npos ? std::string() : std::string(inside.substr(sep));
  for (const RootName& r : kRoots) {
    if (text::EqualsIgnoreCase(root, r.shortName) || text::EqualsIgnoreCase(root, r.longName)) {
      return text::WithoutTrailingBackslash(r.longName + rest);
    }
  }
  return std::nullopt;
}

// A quoted name at the start of `s` ("..." with \" and \\ escapes): the name and the
// position after its closing quote.
std::optional<std::pair<std::string, std::size_t>> QuotedName(std::string_view s) {
  std::string name;
  for (std::size_t i = 1; i < s.size(); i += text::CharLength(s, i)) {
    if (text::CharLength(s, i) == 2) {
      name.append(s.substr(i, 2));
      continue;
    }
    if (s[i] == '"') return std::make_pair(name, i + 1);
    if (s[i] == '\\' && i + 1 < s.size()) ++i;
    name += s[i];
  }
  return std::nullopt;
}

bool StartsWithHex(std::string_view data) {
  return data.size() >= 3 && text::EqualsIgnoreCase(data.substr(0, 3), "hex");
}

}  // namespace

std::optional<std::vector<RegistryChange>> ReadRegistryFile(std::string_view bytes, const Utf16ToGbk& toGbk) {
  const std::string content = AsGbk(bytes, toGbk);
  const std::vector<std::string_view> lines = SplitLines(content);
  if (lines.empty()) return std::nullopt;
  const std::string_view header = text::TrimBlanks(lines[0]);
  if (header != kHeader4 && header != kHeader5) return std::nullopt;

  std::vector<RegistryChange> changes;
  std::optional<std::string> key;  // the key the value lines go to; none after a deletion
  for (std::size_t n = 1; n < lines.size(); ++n) {
    std::string line(text::TrimBlanks(lines[n]));
    if (line.empty() || line[0] == ';') continue;
    if (line[0] == '[') {
      const std::size_t close = line.rfind(']');
      if (close == std::string::npos) {
        key.reset();
        continue;
      }
      const bool deletion = line.size() > 1 && line[1] == '-';
      const auto name = KeyName(std::string_view(line).substr(deletion ? 2 : 1, close - (deletion ? 2 : 1)));
      key.reset();
      if (!name) continue;
      changes.push_back({deletion ? RegistryChange::Kind::kDeleteKey : RegistryChange::Kind::kKey, *name, {}});
      if (!deletion) key = *name;
      continue;
    }
    std::string valueName;
    std::size_t afterName = 0;
    if (line[0] == '@') {
      afterName = 1;
    } else if (line[0] == '"') {
      const auto quoted = QuotedName(line);
      if (!quoted) continue;
      valueName = quoted->first;
      afterName = quoted->second;
    } else {
      continue;
    }
    const std::string_view rest = text::TrimLeadingBlanks(std::string_view(line).substr(afterName));
    if (rest.empty() || rest[0] != '=') continue;
    const std::string_view data = text::TrimBlanks(rest.substr(1));
    // Hex data goes on over the following lines while a line ends in a backslash.
    if (StartsWithHex(data)) {
      std::string_view last = data;
      while (text::EndsWithBackslash(last) && n + 1 < lines.size()) last = text::TrimBlanks(lines[++n]);
    }
    if (!key || data.empty()) continue;
    changes.push_back(
        {data == "-" ? RegistryChange::Kind::kDeleteValue : RegistryChange::Kind::kValue, *key, valueName});
  }
  return changes;
}

}  // namespace yv::install_log
