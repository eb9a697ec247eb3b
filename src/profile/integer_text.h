// The integer rule of the INI readers.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace yv::profile {

// The number a value text stands for, or std::nullopt when it is not one as a whole:
// - "0x" or "0X" followed by at least one more character: the rest is hexadecimal;
// - a leading "$": the rest is hexadecimal;
// - otherwise decimal with an optional sign ('+' or '-').
// Digits are required after the prefix or sign; nothing may follow them. A number
// outside the 32-bit signed range is no number (never wrapped): "0xFFFFFFFF" and
// "2147483648" give std::nullopt, so a reader falls back to its default.
std::optional<std::int32_t> ParseIntegerText(std::string_view text);

}  // namespace yv::profile
