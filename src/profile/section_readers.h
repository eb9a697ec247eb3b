// Whole-section readers of the setup description: the section's key names are listed
// in file order and the value of each is then read by its name, so a key that stands
// on two lines gives the first line's value both times.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "profile/ini_document.h"

namespace yv::profile {

// Entry i of `keys` and entry i of `values` come from the same line.
struct SectionPairs {
  std::vector<std::string> keys;
  std::vector<std::string> values;
  std::size_t size() const { return keys.size(); }
};

// Every line of the section as a key and its value; a value that cannot be read back
// by its key gives "tempdata\xxx". A missing section gives no pairs.
SectionPairs ReadSectionPairs(const std::string& path, std::string_view section);
// The same over section "directory", with "___" for a value that cannot be read back.
SectionPairs ReadDirectorySection(const std::string& path);
// The section as "key=value" texts: an empty value leaves its key out, and a key that
// stands on several lines (in any letter case) is listed once, at its first place,
// with the first line's value and spelling. Used for "ico", "desktop", "reg", "run".
std::vector<std::string> ReadSectionValues(const std::string& path, std::string_view section);

// The same readers over a document already in memory (the media tool checks a medium
// with them, so that it reads the medium exactly as the wizard does).
SectionPairs ReadSectionPairs(const IniDocument& doc, std::string_view section);
SectionPairs ReadDirectorySection(const IniDocument& doc);
std::vector<std::string> ReadSectionValues(const IniDocument& doc, std::string_view section);

}  // namespace yv::profile
