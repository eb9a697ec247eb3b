// Line breaks of texts shown in multi-line edit controls.
#pragma once

#include <string>
#include <string_view>

namespace yv::text {

// The text with every lone LF made CR LF: the edit control breaks lines only at CR LF.
// A LF is never a byte of a double-byte character, so the bytes can be walked as they are.
std::string WithCrLf(std::string_view text);

}  // namespace yv::text
