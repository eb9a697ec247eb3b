// Reads a registry file as the system's registry editor imports it, for what it will
// change: the keys it names (created with their parents), the keys it deletes ("[-key]"),
// the values it sets and the values it deletes ("name"=-). The data itself is not kept.
// Two forms: "REGEDIT4" text in the code page, and "Windows Registry Editor Version 5.00"
// in UTF-16 (with its byte-order mark); either header is taken in either encoding.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace yv::install_log {

struct RegistryChange {
  enum class Kind { kKey, kDeleteKey, kValue, kDeleteValue } kind;
  std::string key;   // root spelled out: "HKEY_LOCAL_MACHINE\SOFTWARE\..." (GBK)
  std::string name;  // kValue, kDeleteValue: the value's name, empty for the default value
  bool operator==(const RegistryChange& o) const { return kind == o.kind && key == o.key && name == o.name; }
};

// Converts UTF-16 text to GBK (on Windows the code page boundary of text/).
using Utf16ToGbk = std::function<std::string(std::u16string_view)>;

// The changes in file order; std::nullopt when the file has neither header, which the
// registry editor refuses too. Lines the editor would pass over are passed over here.
std::optional<std::vector<RegistryChange>> ReadRegistryFile(std::string_view bytes, const Utf16ToGbk& toGbk);

}  // namespace yv::install_log
