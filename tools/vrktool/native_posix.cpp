#include <fcntl.h>
#include <iconv.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "vrktool/file_time.h"
#include "vrktool/native.h"

namespace yv::vrktool {

namespace {

// Converts all of `in` or nothing: no transliteration, no skipped bytes.
std::optional<std::string> Convert(const char* to, const char* from, std::string_view in) {
  iconv_t cd = iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) return std::nullopt;
  std::string out(in.size() * 4 + 8, '\0');
  char* inPtr = const_cast<char*>(in.data());
  std::size_t inLeft = in.size();
  char* outPtr = out.data();
  std::size_t outLeft = out.size();
  const std::size_t rc = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
  const bool flushed = iconv(cd, nullptr, nullptr, &outPtr, &outLeft) != static_cast<std::size_t>(-1);
  iconv_close(cd);
  if (rc == static_cast<std::size_t>(-1) || inLeft != 0 || !flushed) return std::nullopt;
  out.resize(out.size() - outLeft);
  return out;
}

}  // namespace

std::optional<std::string> ComponentToGbk(const std::filesystem::path& component) {
  return Convert("GBK", "UTF-8", component.native());
}

std::optional<std::filesystem::path> ComponentFromGbk(std::string_view gbk) {
  auto utf8 = Convert("UTF-8", "GBK", gbk);
  if (!utf8) return std::nullopt;
  return std::filesystem::path(*utf8);
}

std::string GbkForDisplay(std::string_view gbk) {
  if (auto utf8 = Convert("UTF-8", "GBK", gbk)) return *utf8;
  std::string shown;
  for (unsigned char c : gbk) {
    if (c >= 0x20 && c < 0x7F) {
      shown.push_back(static_cast<char>(c));
    } else {
      char hex[5];
      std::snprintf(hex, sizeof hex, "\\x%02X", c);
      shown += hex;
    }
  }
  return shown;
}

std::filesystem::path PathFromArgument(const std::string& argument) {
  return std::filesystem::path(argument);
}

std::string PathForDisplay(const std::filesystem::path& path) { return path.native(); }

std::optional<uint64_t> ReadLastWriteTime(const std::filesystem::path& path) {
  struct stat st;
  if (::stat(path.c_str(), &st) != 0) return std::nullopt;
  return UnixToFileTime(UnixTime{static_cast<int64_t>(st.st_mtim.tv_sec),
                                 static_cast<uint32_t>(st.st_mtim.tv_nsec)});
}

bool WriteLastWriteTime(const std::filesystem::path& path, uint64_t fileTime) {
  const UnixTime time = FileTimeToUnix(fileTime);
  struct timespec times[2];
  times[0].tv_sec = 0;
  times[0].tv_nsec = UTIME_OMIT;
  times[1].tv_sec = static_cast<time_t>(time.seconds);
  times[1].tv_nsec = static_cast<long>(time.nanoseconds);
  return ::utimensat(AT_FDCWD, path.c_str(), times, 0) == 0;
}

bool StandardErrorIsTerminal() { return isatty(STDERR_FILENO) == 1; }

}  // namespace yv::vrktool
