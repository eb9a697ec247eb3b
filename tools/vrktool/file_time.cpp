#include "vrktool/file_time.h"

#include <cstdio>
#include <limits>

namespace yv::vrktool {

std::optional<uint64_t> UnixToFileTime(UnixTime time) {
  if (time.nanoseconds >= 1'000'000'000u) return std::nullopt;
  if (time.seconds < -kFileTimeEpochOffsetSeconds) return std::nullopt;
  const auto seconds = static_cast<uint64_t>(time.seconds + kFileTimeEpochOffsetSeconds);
  constexpr uint64_t kMaxSeconds = std::numeric_limits<uint64_t>::max() / static_cast<uint64_t>(kTicksPerSecond) - 1;
  if (seconds > kMaxSeconds) return std::nullopt;
  return seconds * static_cast<uint64_t>(kTicksPerSecond) + time.nanoseconds / 100u;
}

UnixTime FileTimeToUnix(uint64_t fileTime) {
  const auto ticksPerSecond = static_cast<uint64_t>(kTicksPerSecond);
  UnixTime time;
  time.seconds = static_cast<int64_t>(fileTime / ticksPerSecond) - kFileTimeEpochOffsetSeconds;
  time.nanoseconds = static_cast<uint32_t>(fileTime % ticksPerSecond) * 100u;
  return time;
}

// Days and seconds of the day by the civil calendar (proleptic Gregorian), counted from
// 1970-01-01.
std::string FormatFileTime(uint64_t fileTime) {
  const UnixTime time = FileTimeToUnix(fileTime);
  int64_t days = time.seconds / 86400;
  int64_t secondOfDay = time.seconds % 86400;
  if (secondOfDay < 0) {
    secondOfDay += 86400;
    --days;
  }
  const int64_t z = days + 719468;
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const int64_t dayOfEra = z - era * 146097;
  const int64_t yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
  const int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
  const int64_t mp = (5 * dayOfYear + 2) / 153;
  const int64_t day = dayOfYear - (153 * mp + 2) / 5 + 1;
  const int64_t month = mp < 10 ? mp + 3 : mp - 9;
  const int64_t year = yearOfEra + era * 400 + (month <= 2 ? 1 : 0);
  char text[128];
  std::snprintf(text, sizeof text, "%04lld-%02lld-%02lld %02lld:%02lld:%02lld.%07u UTC", static_cast<long long>(year),
                static_cast<long long>(month), static_cast<long long>(day), static_cast<long long>(secondOfDay / 3600),
                static_cast<long long>(secondOfDay / 60 % 60), static_cast<long long>(secondOfDay % 60),
                time.nanoseconds / 100u);
  return text;
}

}  // namespace yv::vrktool
