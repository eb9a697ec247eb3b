// The content of one INI (profile) file, parsed into lines, with the reading rules the
// wizard relies on. The bytes are GBK and are passed on unchanged.
//
// Reading rules:
// - A UTF-8 byte order mark at the start is passed over.
// - A line breaks at CR, LF or CR LF. White space (blank, tab, vertical tab, form feed
//   and the DOS end-of-file mark ^Z) around a line, a name or a value does not count.
// - "[name]" opens a section; the name is what lies between the '[' and the last ']' of
//   the line, so "[a] note" is section "a". A '[' line without ']' is no section head.
// - "key=value" (split at the first '=') is an entry of the current section. Lines
//   before the first section head belong to a section with an empty name.
// - Other lines (no '=') are ignored. An entry whose key begins with ';' is a comment:
//   key enumeration leaves it out, though it can still be read by its exact name.
// - Section and key names match without regard to ASCII case; bytes of double-byte
//   characters never fold. When a section or a key stands twice, the first one counts;
//   sections of the same name are not merged.
// - A value enclosed in a pair of the same quote characters (" or ') is read without
//   them; a lone or unmatched quote stays. At most kValueLimit bytes of a value are
//   seen, cut before a double-byte character that would not fit whole.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace yv::profile {

// The readers see a value through a 2048-byte buffer: 2047 bytes of text.
constexpr std::size_t kValueLimit = 2047;
// Key enumeration fills a 16384-byte list: each name with its terminating zero byte,
// plus the zero byte that ends the list.
constexpr std::size_t kKeyNamesLimit = 16383;

struct IniLine {
  enum class Kind { kOther, kSection, kEntry };
  Kind kind = Kind::kOther;
  std::size_t begin = 0;  // first byte of the line
  std::size_t end = 0;    // end of the line's text, before its line ending
  std::size_t next = 0;   // first byte of the next line
  std::string_view name;  // section name, or the entry's key (both trimmed)
  std::string_view value; // the entry's raw value (trimmed, quotes still on)
};

class IniDocument {
 public:
  explicit IniDocument(std::string content);
  IniDocument(const IniDocument&) = delete;
  IniDocument& operator=(const IniDocument&) = delete;

  // The value as the readers see it; std::nullopt when the section or key is missing.
  std::optional<std::string> Find(std::string_view section, std::string_view key) const;
  // Key names of the section in file order, duplicates included; comments and empty
  // names are left out. Names that would not fit whole in kKeyNamesLimit bytes (with
  // a terminating zero each) are left out too: a cut name would name no entry.
  std::vector<std::string> KeyNames(std::string_view section) const;

  const std::string& content() const { return content_; }
  const std::vector<IniLine>& lines() const { return lines_; }
  // Line range [first, last) of the first section of that name: its head line (none
  // for the nameless section before the first head) and its lines. std::nullopt when
  // the section is missing.
  struct Range {
    std::size_t first;
    std::size_t last;
  };
  std::optional<Range> FindSection(std::string_view section) const;
  // Index of the first entry of the key within the section's range.
  std::optional<std::size_t> FindEntry(Range range, std::string_view key) const;

 private:
  std::string content_;
  std::vector<IniLine> lines_;
};

// White space as the INI rules count it. These bytes are all below 0x40, so none of
// them can be the trail byte of a double-byte character.
bool IsIniSpace(char c);
std::string_view TrimIniSpace(std::string_view s);
// A raw value as a reader sees it: enclosing quotes removed, cut to kValueLimit bytes.
std::string VisibleValue(std::string_view raw);

}  // namespace yv::profile
