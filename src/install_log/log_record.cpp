#include "install_log/log_record.h"

#include <iterator>
#include <vector>

#include "text/gbk.h"

namespace yv::install_log {

namespace {

constexpr char kSeparator = '\t';
constexpr char kHexDigits[] = "0123456789ABCDEF";

struct KindName {
  RecordKind kind;
  const char* name;
};
constexpr KindName kKindNames[] = {
    {RecordKind::Run, "RUN"},     {RecordKind::Group, "GROUP"}, {RecordKind::Folder, "FOLDER"},
    {RecordKind::File, "FILE"},   {RecordKind::Dir, "DIR"},     {RecordKind::Link, "LINK"},
    {RecordKind::Key, "KEY"},     {RecordKind::Value, "VALUE"}, {RecordKind::Done, "DONE"},
    {RecordKind::Begin, "BEGIN"}, {RecordKind::Gone, "GONE"},   {RecordKind::Commit, "COMMIT"},
    {RecordKind::Abort, "ABORT"}, {RecordKind::End, "END"},     {RecordKind::Removal, "REMOVAL"},
};

// Kinds that are the word alone.
bool HasNoFields(RecordKind kind) {
  return kind == RecordKind::Begin || kind == RecordKind::Commit || kind == RecordKind::Abort ||
         kind == RecordKind::End;
}

// Registry value types by their usual names; others as a decimal number.
constexpr const char* kTypeNames[] = {
    "REG_NONE",
    "REG_SZ",
    "REG_EXPAND_SZ",
    "REG_BINARY",
    "REG_DWORD",
    "REG_DWORD_BIG_ENDIAN",
    "REG_LINK",
    "REG_MULTI_SZ",
    "REG_RESOURCE_LIST",
    "REG_FULL_RESOURCE_DESCRIPTOR",
    "REG_RESOURCE_REQUIREMENTS_LIST",
    "REG_QWORD",
};

// Control bytes and '%' are written as "%XX". Neither can be part of a double-byte
// character, so the escape never splits one.
bool NeedsEscape(unsigned char c) {
  return c < 0x20 || c == 0x7F || c == '%';
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

std::string Escape(std::string_view s) {
  std::string out;
  for (unsigned char c : s) {
    if (NeedsEscape(c)) {
      out += '%';
      out += kHexDigits[c >> 4];
      out += kHexDigits[c & 15];
    } else {
      out += static_cast<char>(c);
    }
  }
  return out;
}

std::optional<std::string> Unescape(std::string_view s) {
  std::string out;
  for (std::size_t i = 0; i < s.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(s[i]);
    if (c != '%') {
      if (NeedsEscape(c)) return std::nullopt;
      out += static_cast<char>(c);
      continue;
    }
    if (i + 2 >= s.size()) return std::nullopt;
    const int hi = HexValue(s[i + 1]);
    const int lo = HexValue(s[i + 2]);
    if (hi < 0 || lo < 0) return std::nullopt;
    out += static_cast<char>(hi * 16 + lo);
    i += 2;
  }
  return out;
}

std::string Hex(std::string_view bytes) {
  std::string out;
  for (unsigned char c : bytes) {
    out += kHexDigits[c >> 4];
    out += kHexDigits[c & 15];
  }
  return out;
}

std::optional<std::string> FromHex(std::string_view hex) {
  if (hex.size() % 2 != 0) return std::nullopt;
  std::string out;
  for (std::size_t i = 0; i < hex.size(); i += 2) {
    const int hi = HexValue(hex[i]);
    const int lo = HexValue(hex[i + 1]);
    if (hi < 0 || lo < 0) return std::nullopt;
    out += static_cast<char>(hi * 16 + lo);
  }
  return out;
}

std::string TypeName(uint32_t type) {
  if (type < std::size(kTypeNames)) return kTypeNames[type];
  return std::to_string(type);
}

std::optional<uint32_t> Number(std::string_view s, uint64_t limit) {
  if (s.empty() || s.size() > 10) return std::nullopt;
  uint64_t n = 0;
  for (char c : s) {
    if (c < '0' || c > '9') return std::nullopt;
    n = n * 10 + static_cast<uint64_t>(c - '0');
  }
  if (n > limit) return std::nullopt;
  return static_cast<uint32_t>(n);
}

std::optional<uint32_t> TypeOf(std::string_view s) {
  for (uint32_t t = 0; t < std::size(kTypeNames); ++t) {
    if (s == kTypeNames[t]) return t;
  }
  return Number(s, 0xFFFFFFFFu);
}

std::vector<std::string_view> Fields(std::string_view line) {
  std::vector<std::string_view> fields;
  std::size_t start = 0;
  for (;;) {
    const std::size_t tab = line.find(kSeparator, start);
    fields.push_back(line.substr(start, tab == std::string_view::npos ? std::string_view::npos : tab - start));
    if (tab == std::string_view::npos) return fields;
    start = tab + 1;
  }
}

const char* ViewName(View view) {
  return view == View::k64 ? "64" : "32";
}

constexpr char kInPlaceState[] = "HERE";  // a FILE written in its place: no earlier file

const char* StateName(bool existed) {
  return existed ? "OLD" : "NEW";
}

std::optional<bool> StateOf(std::string_view s) {
  if (s == "OLD") return true;
  if (s == "NEW") return false;
  return std::nullopt;
}

}  // namespace

bool Record::operator==(const Record& o) const {
  return kind == o.kind && text == o.text && view == o.view && valueName == o.valueName && existed == o.existed &&
         inPlace == o.inPlace && earlier == o.earlier && doneLine == o.doneLine;
}

Record Record::Of(RecordKind kind, std::string text) {
  Record r;
  r.kind = kind;
  r.text = std::move(text);
  return r;
}

Record Record::FileWrite(std::string path, bool existed, bool inPlace) {
  Record r = Of(RecordKind::File, std::move(path));
  r.existed = existed;
  r.inPlace = inPlace && !existed;
  return r;
}

Record Record::KeyCreate(std::string key, View view) {
  Record r = Of(RecordKind::Key, std::move(key));
  r.view = view;
  return r;
}

Record Record::ValueChange(std::string key, std::string name, View view) {
  Record r = Of(RecordKind::Value, std::move(key));
  r.view = view;
  r.valueName = std::move(name);
  return r;
}

Record Record::DoneWith(std::size_t line) {
  Record r = Of(RecordKind::Done);
  r.doneLine = line;
  return r;
}

std::string FormatRecord(const Record& r) {
  std::string line;
  for (const KindName& k : kKindNames) {
    if (k.kind == r.kind) line = k.name;
  }
  const auto add = [&line](std::string_view field) {
    line += kSeparator;
    line += field;
  };
  if (HasNoFields(r.kind)) return line;
  switch (r.kind) {
    case RecordKind::File:
      add(r.inPlace ? kInPlaceState : StateName(r.existed));
      add(Escape(r.text));
      break;
    case RecordKind::Key:
      add(ViewName(r.view));
      add(Escape(r.text));
      break;
    case RecordKind::Value:
      add(ViewName(r.view));
      add(Escape(r.text));
      add(Escape(r.valueName));
      add(StateName(r.existed));
      if (r.existed) {
        add(TypeName(r.earlier.type));
        add(Hex(r.earlier.data));
      }
      break;
    case RecordKind::Done:
      add(std::to_string(r.doneLine));
      break;
    default:
      add(Escape(r.text));
  }
  return line;
}

std::optional<Record> ParseRecord(std::string_view line) {
  const std::vector<std::string_view> f = Fields(line);
  Record r;
  bool known = false;
  for (const KindName& k : kKindNames) {
    if (f[0] == k.name) {
      r.kind = k.kind;
      known = true;
    }
  }
  if (!known) return std::nullopt;
  if (HasNoFields(r.kind)) return f.size() == 1 ? std::optional<Record>(r) : std::nullopt;
  const auto view = [](std::string_view s) -> std::optional<View> {
    if (s == "32") return View::k32;
    if (s == "64") return View::k64;
    return std::nullopt;
  };
  std::optional<std::string> text;
  switch (r.kind) {
    case RecordKind::File: {
      if (f.size() != 3) return std::nullopt;
      r.inPlace = f[1] == kInPlaceState;
      const auto state = r.inPlace ? std::optional<bool>(false) : StateOf(f[1]);
      text = Unescape(f[2]);
      if (!state || !text) return std::nullopt;
      r.existed = *state;
      break;
    }
    case RecordKind::Key: {
      if (f.size() != 3) return std::nullopt;
      const auto v = view(f[1]);
      text = Unescape(f[2]);
      if (!v || !text) return std::nullopt;
      r.view = *v;
      break;
    }
    case RecordKind::Value: {
      if (f.size() != 5 && f.size() != 7) return std::nullopt;
      const auto v = view(f[1]);
      text = Unescape(f[2]);
      const auto name = Unescape(f[3]);
      const auto state = StateOf(f[4]);
      if (!v || !text || !name || !state || *state != (f.size() == 7)) return std::nullopt;
      r.view = *v;
      r.valueName = *name;
      r.existed = *state;
      if (r.existed) {
        const auto type = TypeOf(f[5]);
        const auto data = FromHex(f[6]);
        if (!type || !data) return std::nullopt;
        r.earlier = {*type, *data};
      }
      break;
    }
    case RecordKind::Done: {
      if (f.size() != 2) return std::nullopt;
      const auto n = Number(f[1], 0xFFFFFFFFu);
      if (!n || *n == 0) return std::nullopt;
      r.doneLine = *n;
      return r;
    }
    default:
      if (f.size() != 2) return std::nullopt;
      text = Unescape(f[1]);
      if (!text) return std::nullopt;
  }
  r.text = *text;
  return r;
}

}  // namespace yv::install_log
