// What the uninstaller undoes, and in which order. A thing the log names more than once
// (a file an upgrade wrote again, a value set twice) is judged by its first record since
// it was last undone: that one tells whether it was there before the installations and,
// for a value, what it held. Things are undone in the reverse order of those records.
#pragma once

#include <string>
#include <vector>

#include "install_log/log_file.h"

namespace yv::install_log {

std::vector<LogLine> PlanRemoval(const std::vector<LogLine>& lines);

// The program group of the log's first "GROUP" record (empty when there is none).
std::string GroupName(const std::vector<LogLine>& lines);

}  // namespace yv::install_log
