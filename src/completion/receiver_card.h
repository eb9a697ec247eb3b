// The receiver card: which way the completion page configures it, and the two ways of
// doing so, unpacking the chosen card's driver archives or choosing a driver in the
// installed product's driver table (section "DCD" of cfg\newuser\system.ini).
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "winsys/change_layer.h"

namespace yv::completion {

enum class CardMode {
  kNone,         // nothing to configure
  kCardList,     // a card chosen from the setup description's list; its archives unpacked
  kDriverTable,  // a driver chosen from the installed product's driver table
};

// The mode for the value of "configcard" (empty or exactly "N/A" means no driver table)
// and the number of cards of the setup description.
CardMode CardModeFor(const std::string& cardSetting, int32_t cardCount);

// The names of the first `count` cards: keys "Driver0", "Driver1", ... of section "info".
std::vector<std::string> ReadCardNames(const std::string& descPath, int32_t count);

// Unpacks the archives of section "Driver<index>" of the setup description, in order,
// with the boxes owned by `owner`. At the first archive that fails, "安装文件不正确!" is
// shown with `cardName` as caption (not when the user stopped at a full disk) and the
// rest are left. A missing or empty section unpacks nothing and succeeds.
bool InstallCardDrivers(HWND owner, winsys::ChangeLayer& changes, int index, const std::string& cardName);

// At most this many drivers of a table are listed.
constexpr int kMaxDrivers = 16;

struct DriverTable {
  std::vector<std::string> names;  // "Name" of sections "Driver 0" ... (at most 16)
  int32_t current = -1;            // the table's current driver; -1 for none
};

// The driver table of the settings file at `path`; a missing file is an empty table.
// A name over 255 bytes is shown shortened at a character boundary.
DriverTable ReadDriverTable(const std::string& path);

// The index a "Driver" value names: its digits and minus signs, in order, read as a
// decimal number ("Driver 12" -> 12; no digits -> 0). A value over 11 bytes, which this
// wizard never writes, or a number beyond 32 bits names none (-1).
int32_t CurrentDriverIndex(std::string_view value);

// Records driver `index` as current ("Driver" := "Driver <index>") and the table's
// length, the file replaced whole through the change layer; raises
// profile::ProfileWriteError when the file cannot be written.
void WriteDriverChoice(winsys::ChangeLayer& changes, const std::string& path, int index, int count);

}  // namespace yv::completion
