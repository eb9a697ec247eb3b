// One record of the installation log: a change the installation made, written as one
// line of GBK text that stands on its own (whole paths, root keys spelled out).
// docs/install-log.md describes the lines.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace yv::install_log {

// The first line of every log: the format and its version.
inline constexpr char kHeader[] = "YORVANE-INSTALL-LOG 1";

enum class RecordKind {
  Run,     // an installation started (text: its local time)
  Group,   // the program group, the uninstall entry's name (text)
  Folder,  // the installation folder (text: its path)
  File,    // a file written (path; existed before or not)
  Dir,     // a folder created (path)
  Link,    // a shortcut file created (path)
  Key,     // a registry key created (view, key)
  Value,   // a registry value set or deleted (view, key, name; its earlier state)
  Done,    // the uninstaller reversed the record on line `doneLine`
};

// The registry view a key was written in: the 32-bit one of a 32-bit program on 64-bit
// Windows (and the only one on 32-bit Windows), or the 64-bit one.
enum class View { k32, k64 };

struct EarlierValue {
  uint32_t type = 0;
  std::string data;  // the raw bytes as the wide registry API returns them
  bool operator==(const EarlierValue& o) const { return type == o.type && data == o.data; }
};

struct Record {
  RecordKind kind = RecordKind::Run;
  // Run, Group, Folder: the text; File, Dir, Link: the path; Key, Value: the key, its
  // root spelled out ("HKEY_LOCAL_MACHINE\SOFTWARE\...").
  std::string text;
  View view = View::k32;     // Key, Value
  std::string valueName;     // Value; empty for the key's default value
  bool existed = false;      // File, Value: there before the change
  EarlierValue earlier;      // Value that existed: its type and data
  std::size_t doneLine = 0;  // Done

  bool operator==(const Record& o) const;
};

// The record as one line, without its line end.
std::string FormatRecord(const Record& record);
// The record of one line (without its line end); std::nullopt when it is not one.
std::optional<Record> ParseRecord(std::string_view line);

}  // namespace yv::install_log
