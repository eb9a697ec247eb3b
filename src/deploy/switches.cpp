#include "deploy/switches.h"

#include "install_log/place_rules.h"
#include "medium/medium_rules.h"
#include "text/gbk.h"

namespace yv::deploy {

namespace {

// What a switch's value must be. Each check is the one its page makes, or the limit of
// the buffer the page keeps the value in.
enum class Value { kNone, kFolder, kGroup, kComponents, kText, kCard, kFile };

struct SwitchRule {
  std::string_view name;  // in capitals
  Value value;
};

constexpr SwitchRule kRules[] = {
    {"S", Value::kNone},     {"DIR", Value::kFolder},   {"GROUP", Value::kGroup}, {"COMPONENTS", Value::kComponents},
    {"USER", Value::kText},  {"COMPANY", Value::kText}, {"CARD", Value::kCard},   {"ALLUSERS", Value::kNone},
    {"NORUN", Value::kNone}, {"LOG", Value::kFile},
};

// Blank-separated words; a quote character starts or ends a stretch in which blanks
// belong to the word, and is itself dropped. No GBK trail byte is a blank or a quote.
std::optional<std::vector<std::string>> Words(std::string_view line) {
  std::vector<std::string> words;
  std::size_t i = 0;
  while (i < line.size()) {
    if (text::IsBlank(line[i])) {
      ++i;
      continue;
    }
    std::string word;
    bool quoted = false;
    for (; i < line.size() && (quoted || !text::IsBlank(line[i])); ++i) {
      if (line[i] == '"') {
        quoted = !quoted;
      } else {
        word.push_back(line[i]);
      }
    }
    if (quoted) return std::nullopt;  // an unclosed quote: where the value ends is unknown
    words.push_back(std::move(word));
  }
  return words;
}

std::optional<int> Index(std::string_view digits, int limit) {
  if (digits.empty() || digits.size() > 3) return std::nullopt;
  int n = 0;
  for (char c : digits) {
    if (c < '0' || c > '9') return std::nullopt;
    n = n * 10 + (c - '0');
  }
  return n < limit ? std::optional<int>(n) : std::nullopt;
}

// A name the Programs folder can hold as one folder, and the uninstall entry as one key.
bool IsGroupName(const std::string& name) {
  return medium::IsPlainFileName(name) && install_log::IsPlainFullPath("C:\\" + name) &&
         medium::UninstallKeyOf(name).has_value();
}

// Stores `value` into the switch's field; false when the page would refuse it.
bool Store(Switches& s, std::string_view name, Value kind, const std::string& value) {
  switch (kind) {
    case Value::kNone:
      if (name == "S") s.silent = true;
      if (name == "ALLUSERS") s.allUsers = true;
      if (name == "NORUN") s.noRun = true;
      return true;
    case Value::kFolder: {
      // As the directory chooser leaves it: one trailing backslash goes. An unattended
      // run has nobody to ask what a relative or odd path means, so it must be whole.
      const std::string folder = text::WithoutTrailingBackslash(value);
      if (!install_log::IsPlainFullPath(folder)) return false;
      s.dir = folder;
      return true;
    }
    case Value::kGroup:
      if (!IsGroupName(value)) return false;
      s.group = value;
      return true;
    case Value::kComponents: {
      std::vector<int> indices;
      for (std::size_t from = 0; from <= value.size();) {
        const std::size_t comma = std::min(value.find(',', from), value.size());
        const auto index = Index(std::string_view(value).substr(from, comma - from), medium::kCountLimit);
        if (!index) return false;
        indices.push_back(*index);
        from = comma + 1;
      }
      s.components = std::move(indices);
      return true;
    }
    case Value::kText:
      // Read back from the registry in 255 bytes.
      if (value.size() > text::kPathLimit || !text::IsWellFormedGbk(value)) return false;
      (name == "USER" ? s.user : s.company) = value;
      return true;
    case Value::kCard: {
      if (text::EqualsIgnoreCase(value, "none")) {
        s.card = kNoCard;
        return true;
      }
      const auto index = Index(value, 1000);
      if (!index) return false;
      s.card = *index;
      return true;
    }
    case Value::kFile:
      if (value.empty() || value.size() > text::kPathLimit) return false;
      s.log = value;
      return true;
  }
  return false;
}

// "/S" as a word of its own anywhere in the line, whatever else is wrong with it.
bool AsksForSilence(std::string_view line) {
  for (std::size_t i = 0; i < line.size();) {
    std::size_t end = i;
    while (end < line.size() && !text::IsBlank(line[end])) ++end;
    if (text::EqualsIgnoreCase(line.substr(i, end - i), "/S")) return true;
    i = end + 1;
  }
  return false;
}

}  // namespace

bool IsSwitchLine(std::string_view commandLine) {
  const std::string_view rest = text::TrimLeadingBlanks(commandLine);
  return !rest.empty() && rest.front() == '/';
}

std::variant<Switches, Refusal> ParseSwitches(std::string_view commandLine) {
  const auto words = Words(commandLine);
  if (!words) return Refusal{std::string(text::TrimBlanks(commandLine)), AsksForSilence(commandLine)};
  Switches switches;
  std::vector<std::string_view> seen;
  for (const std::string& word : *words) {
    const std::size_t eq = word.find('=');
    const std::string name = word.size() > 1 && word[0] == '/' ? text::ToUpperAscii(word.substr(1, eq - 1)) : "";
    const SwitchRule* rule = nullptr;
    for (const SwitchRule& r : kRules) {
      if (r.name == name) rule = &r;
    }
    bool ok = rule != nullptr && (eq == std::string::npos) == (rule->value == Value::kNone);
    for (std::string_view earlier : seen) ok = ok && earlier != rule->name;
    if (!ok || !Store(switches, rule->name, rule->value, eq == std::string::npos ? "" : word.substr(eq + 1))) {
      return Refusal{word, AsksForSilence(commandLine)};
    }
    seen.push_back(rule->name);
  }
  return switches;
}

}  // namespace yv::deploy
