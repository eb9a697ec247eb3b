// Reading and writing INI (profile) files by path. Every call opens the file, works on
// its content and lets it go; nothing is cached between calls. The reading rules are
// those of IniDocument (ini_document.h).
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace yv::profile {

// The entry's value, or `def` when the file, the section or the key is missing.
std::string ReadString(const std::string& path, std::string_view section, std::string_view key,
                       std::string_view def);
// The entry's value as an integer (ParseIntegerText); `def` when the value is missing,
// empty or not a number as a whole.
std::int32_t ReadInteger(const std::string& path, std::string_view section, std::string_view key,
                         std::int32_t def);
// The section's key names in file order (IniDocument::KeyNames); empty when the file or
// the section is missing.
std::vector<std::string> ReadKeyNames(const std::string& path, std::string_view section);

// Raised when an entry cannot be written.
class ProfileWriteError : public std::runtime_error {
 public:
  explicit ProfileWriteError(const std::string& path);
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

// Sets the entry, creating the file, the section or the key when missing and keeping
// every other line byte for byte. Raises ProfileWriteError ("Unable to write to <path>")
// when the file cannot be read or written, or when the entry could not be read back as
// written (see WithEntry in ini_edit.h); the file is then left as it was.
void WriteString(const std::string& path, std::string_view section, std::string_view key,
                 std::string_view value);
// Writes the value as its decimal text.
void WriteInteger(const std::string& path, std::string_view section, std::string_view key,
                  std::int32_t value);

}  // namespace yv::profile
