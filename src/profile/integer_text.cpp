#include "profile/integer_text.h"

namespace yv::profile {

namespace {

int DigitValue(char c, int base) {
  int v = -1;
  if (c >= '0' && c <= '9') v = c - '0';
  else if (c >= 'a' && c <= 'f') v = c - 'a' + 10;
  else if (c >= 'A' && c <= 'F') v = c - 'A' + 10;
  return v < base ? v : -1;
}

// Digits only, at least one; std::nullopt past `max` (checked at each digit, so long
// texts cannot overflow the accumulator).
std::optional<std::uint64_t> ParseDigits(std::string_view digits, int base, std::uint64_t max) {
  if (digits.empty()) return std::nullopt;
  std::uint64_t value = 0;
  for (char c : digits) {
    const int d = DigitValue(c, base);
    if (d < 0) return std::nullopt;
    value = value * static_cast<std::uint64_t>(base) + static_cast<std::uint64_t>(d);
    if (value > max) return std::nullopt;
  }
  return value;
}

constexpr std::uint64_t kMaxPositive = 0x7FFFFFFF;

}  // namespace

std::optional<std::int32_t> ParseIntegerText(std::string_view text) {
  std::optional<std::uint64_t> magnitude;
  bool negative = false;
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    magnitude = ParseDigits(text.substr(2), 16, kMaxPositive);
  } else if (!text.empty() && text[0] == '$') {
    magnitude = ParseDigits(text.substr(1), 16, kMaxPositive);
  } else {
    if (!text.empty() && (text[0] == '+' || text[0] == '-')) {
      negative = text[0] == '-';
      text.remove_prefix(1);
    }
    magnitude = ParseDigits(text, 10, negative ? kMaxPositive + 1 : kMaxPositive);
  }
  if (!magnitude) return std::nullopt;
  const auto signed_value = static_cast<std::int64_t>(*magnitude);
  return static_cast<std::int32_t>(negative ? -signed_value : signed_value);
}

}  // namespace yv::profile
