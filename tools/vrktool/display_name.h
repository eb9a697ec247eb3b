// Entry names as the console shows them. A name comes from an archive and may hold
// anything: control characters (a newline, an escape sequence) and bytes that are not
// GBK are shown as \xNN, so a name can neither fake a line of a listing nor drive the
// terminal.
#pragma once

#include <string>
#include <string_view>

namespace yv::vrktool {

std::string ShownName(std::string_view gbk);

}  // namespace yv::vrktool
