// Modification times inside version 3 archives are Windows FILETIMEs: 100-nanosecond
// ticks since 1601-01-01 00:00 UTC. These convert them to and from Unix time exactly;
// nanoseconds below 100 are dropped, which is all FILETIME can hold.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace yv::vrktool {

constexpr int64_t kTicksPerSecond = 10'000'000;
// Seconds from 1601-01-01 to 1970-01-01.
constexpr int64_t kFileTimeEpochOffsetSeconds = 11'644'473'600;

struct UnixTime {
  int64_t seconds = 0;       // since 1970-01-01 00:00 UTC; negative before
  uint32_t nanoseconds = 0;  // 0..999999999
};

// std::nullopt for a time before 1601 or too far after it for 64 bits.
std::optional<uint64_t> UnixToFileTime(UnixTime time);
UnixTime FileTimeToUnix(uint64_t fileTime);

// A FILETIME as "YYYY-MM-DD hh:mm:ss.fffffff UTC".
std::string FormatFileTime(uint64_t fileTime);

}  // namespace yv::vrktool
