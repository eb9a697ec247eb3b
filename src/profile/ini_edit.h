// Changing one entry of INI content while keeping every other line as it is.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "profile/ini_document.h"

namespace yv::profile {

// The content with `key` of `section` set to `value`:
// - the first entry of the key in the first section of that name gets the new value
//   (the line keeps its key as written and its line ending);
// - a missing key is added after the last entry of the section (after its head when
//   it has none);
// - a missing section is added at the end of the content, after a blank line.
// New lines end as the content's first line does (CR LF in a new file).
// std::nullopt when the entry could not be read back as written: an empty section or
// key name, a line break in any part, a key containing '=' or beginning with '[', a
// name whose last byte would join the bracket or '=' after it into one character.
std::optional<std::string> WithEntry(const IniDocument& doc, std::string_view section,
                                     std::string_view key, std::string_view value);

}  // namespace yv::profile
