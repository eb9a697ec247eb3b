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

// The first line of every log: the format, its version and, from version 2 on, a TAB and
// the product (the program group of the uninstall entry), so that a run appends only to
// its own product's log. A reader reads every version up to its own. Version 3 adds the
// FILE state HERE.
inline constexpr char kFormatName[] = "YORVANE-INSTALL-LOG";
inline constexpr int kFormatVersion = 3;
inline constexpr int kFilesInPlaceVersion = 3;  // the first with FILE HERE
inline constexpr char kVersion1Header[] = "YORVANE-INSTALL-LOG 1";

enum class RecordKind {
  Run,     // an installation started (text: its local time)
  Group,   // the program group, the uninstall entry's name (text)
  Folder,  // the installation folder (text: its path)
  File,    // a file written (path; existed before or not, or written in its place)
  Dir,     // a folder created (path)
  Link,    // a shortcut file created (path)
  Key,     // a registry key created (view, key)
  Value,   // a registry value set or deleted (view, key, name; its earlier state)
  Done,    // the uninstaller reversed the record on line `doneLine`
  // The journal of a run (version 2): staged files lie beside their targets under names
  // derived from them (journal.h), so these records and the ones above say it all.
  Begin,    // the run stages from here: what follows up to END is its journal
  Gone,     // a folder of section "delete": replaced whole at the commit (path)
  Commit,   // every staged file is whole and on the disk: the run goes through
  Abort,    // the run is being undone
  End,      // the run is over, gone through or undone; nothing of it is staged any more
  Removal,  // the uninstaller started (text: its local time)
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
  bool inPlace = false;      // File that was not there: written at once under its own name
  EarlierValue earlier;      // Value that existed: its type and data
  std::size_t doneLine = 0;  // Done

  bool operator==(const Record& o) const;

  // One constructor a kind.
  static Record Of(RecordKind kind, std::string text = {});
  static Record FileWrite(std::string path, bool existed, bool inPlace = false);
  static Record KeyCreate(std::string key, View view);
  static Record ValueChange(std::string key, std::string name, View view);
  static Record DoneWith(std::size_t line);
};

// The record as one line, without its line end.
std::string FormatRecord(const Record& record);
// The record of one line (without its line end); std::nullopt when it is not one.
std::optional<Record> ParseRecord(std::string_view line);

}  // namespace yv::install_log
