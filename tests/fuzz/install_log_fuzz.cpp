// The installation log reader on arbitrary content: no crash, every record it accepts
// writes back to a line that reads as the same record, and the place rules and the
// removal plan take whatever it accepts.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "install_log/log_file.h"
#include "install_log/place_rules.h"
#include "install_log/removal_plan.h"

using namespace yv::install_log;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view content(reinterpret_cast<const char*>(data), size);
  const LogContent log = ReadLog(content);
  for (const LogLine& line : log.lines) {
    const auto again = ParseRecord(FormatRecord(line.record));
    if (!again || !(*again == line.record)) std::abort();
  }
  const Places places{"C:\\windows",           "C:\\windows\\system32",     "C:\\users\\u\\Programs",
                      "C:\\users\\u\\Desktop", "C:\\ProgramData\\Programs", "C:\\users\\Public\\Desktop"};
  (void)FirstRefusedLine(log.lines, places);
  const auto plan = PlanRemoval(log.lines);
  if (plan.size() > log.lines.size()) std::abort();
  (void)GroupName(log.lines);
  return 0;
}
