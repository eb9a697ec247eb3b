#include "vrktool/file_time.h"

#include <limits>

namespace yv::vrktool {

std::optional<uint64_t> UnixToFileTime(UnixTime time) {
  if (time.nanoseconds >= 1'000'000'000u) return std::nullopt;
  if (time.seconds < -kFileTimeEpochOffsetSeconds) return std::nullopt;
  const auto seconds = static_cast<uint64_t>(time.seconds + kFileTimeEpochOffsetSeconds);
  constexpr uint64_t kMaxSeconds =
      std::numeric_limits<uint64_t>::max() / static_cast<uint64_t>(kTicksPerSecond) - 1;
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

}  // namespace yv::vrktool
