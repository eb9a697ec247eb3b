#include "vrktool/display_name.h"

#include <cstdio>

#include "text/gbk.h"
#include "vrktool/native.h"

namespace yv::vrktool {

std::string ShownName(std::string_view gbk) {
  std::string shown;
  std::size_t runStart = 0;
  // Runs of printable ASCII and double-byte characters are converted as a whole; any
  // other single byte is escaped.
  auto endRun = [&](std::size_t at) {
    if (at > runStart) shown += GbkForDisplay(gbk.substr(runStart, at - runStart));
  };
  for (std::size_t i = 0; i < gbk.size(); i += text::CharLength(gbk, i)) {
    const auto c = static_cast<unsigned char>(gbk[i]);
    if (text::CharLength(gbk, i) == 2 || (c >= 0x20 && c < 0x7F)) continue;
    endRun(i);
    char hex[5];
    std::snprintf(hex, sizeof hex, "\\x%02X", c);
    shown += hex;
    runStart = i + 1;
  }
  endRun(gbk.size());
  return shown;
}

}  // namespace yv::vrktool
