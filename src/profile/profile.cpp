#include "profile/profile.h"

#include "platform/file_io.h"
#include "profile/ini_document.h"
#include "profile/ini_edit.h"
#include "profile/integer_text.h"

namespace yv::profile {

namespace {
// A missing or unreadable file reads as empty: every entry then gives its default.
IniDocument Load(const std::string& path) {
  return IniDocument(platform::ReadWholeFile(path).value_or(std::string()));
}
}  // namespace

std::string ReadString(const std::string& path, std::string_view section, std::string_view key,
                       std::string_view def) {
  return Load(path).Find(section, key).value_or(std::string(def));
}

std::int32_t ReadInteger(const std::string& path, std::string_view section, std::string_view key,
                         std::int32_t def) {
  return ParseIntegerText(ReadString(path, section, key, "")).value_or(def);
}

std::vector<std::string> ReadKeyNames(const std::string& path, std::string_view section) {
  return Load(path).KeyNames(section);
}

ProfileWriteError::ProfileWriteError(const std::string& path)
    : std::runtime_error("Unable to write to " + path), path_(path) {}

void WriteString(const std::string& path, std::string_view section, std::string_view key,
                 std::string_view value) {
  auto content = platform::ReadWholeFile(path);
  // An existing file we cannot read must not be replaced by one entry.
  if (!content && platform::PathExists(path)) throw ProfileWriteError(path);
  const IniDocument doc(content.value_or(std::string()));
  const auto changed = WithEntry(doc, section, key, value);
  if (!changed || !platform::WriteWholeFile(path, *changed)) throw ProfileWriteError(path);
}

void WriteInteger(const std::string& path, std::string_view section, std::string_view key,
                  std::int32_t value) {
  WriteString(path, section, key, std::to_string(value));
}

}  // namespace yv::profile
