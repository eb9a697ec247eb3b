// GBK (code page 936) text rules. Every text inside the program is a std::string of
// GBK bytes. A lead byte 0x81..0xFE takes the next byte with it, and that trail byte
// may be 0x5C ('\') or an ASCII letter, so every scan for '\', blanks or quotes and
// every case-insensitive comparison goes through these helpers.
#pragma once

#include <cstddef>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>

namespace yv::text {

constexpr bool IsLeadByte(unsigned char c) {
  return c >= 0x81 && c <= 0xFE;
}
constexpr bool IsTrailByte(unsigned char c) {
  return c >= 0x40 && c <= 0xFE && c != 0x7F;
}

// Length in bytes of the character that starts at s[i]: 2 for a double-byte character
// (a lead byte and a valid trail byte), otherwise 1. A lead byte at the very end, or
// before a byte that cannot follow it ('=', a line end), stands alone, as the system's
// own conversion treats it.
std::size_t CharLength(std::string_view s, std::size_t i);

// Position of the first single-byte character c at or after `from`, skipping the
// trail bytes of double-byte characters; npos when there is none.
std::size_t FindChar(std::string_view s, char c, std::size_t from = 0);
// Position of the last single-byte character c; npos when there is none.
std::size_t FindLastChar(std::string_view s, char c);
// Position of the first occurrence of `needle` that starts on a character boundary.
std::size_t FindText(std::string_view s, std::string_view needle, std::size_t from = 0);

// True when the last character of s is a real backslash (not the trail byte of a
// double-byte character such as "誠", D5 5C).
bool EndsWithBackslash(std::string_view s);
// s without one trailing backslash, when it has one.
std::string WithoutTrailingBackslash(std::string_view s);

constexpr bool IsBlank(char c) {
  return c == ' ' || c == '\t';
}
// s without blanks (space, tab) at both ends.
std::string_view TrimBlanks(std::string_view s);
// s without blanks at its start.
std::string_view TrimLeadingBlanks(std::string_view s);

// True when every byte is ASCII or the lead byte of a double-byte character followed by
// a valid trail byte (the shape of GBK text; which characters are assigned is not checked).
bool IsWellFormedGbk(std::string_view s);

// ASCII-only case folding outside double-byte characters.
std::string ToLowerAscii(std::string_view s);
std::string ToUpperAscii(std::string_view s);
bool EqualsIgnoreCase(std::string_view a, std::string_view b);

// Composition bounded to `limit` bytes: refuses a result longer than the limit
// (std::nullopt), never truncates.
std::optional<std::string> JoinBounded(std::size_t limit, std::initializer_list<std::string_view> parts);
// Replaces each "%s" of `format` by the next argument, within `limit` bytes; "%%" is '%'.
// Refuses (std::nullopt) a result over the limit or a format that asks for more
// arguments than it was given.
std::optional<std::string> FormatBounded(std::size_t limit, std::string_view format,
                                         std::initializer_list<std::string_view> args);
// The longest start of s within `limit` bytes that ends on a character boundary: what a
// buffer of limit + 1 bytes keeps of a longer text, never half a double-byte character.
std::string_view CutToCharacters(std::string_view s, std::size_t limit);

// The buffers the system composes texts in hold 255 bytes of text.
constexpr std::size_t kPathLimit = 255;

}  // namespace yv::text
