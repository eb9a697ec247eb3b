// Whole-file access by GBK path, for the portable core (INI files, containers made by
// the media tool). Windows builds open files through the wide API with code page 936.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace yv::platform {

// The whole content of the file; std::nullopt when it is missing or unreadable.
std::optional<std::string> ReadWholeFile(const std::string& path);
// Replaces the file's content through a temporary file beside it, so that a failed
// write (a full disk) leaves the old content whole; false when it cannot be written.
bool WriteWholeFile(const std::string& path, std::string_view bytes);
// True when a file or folder of that name exists.
bool PathExists(const std::string& path);

// A file that only grows: each Append is on the disk (flushed) before it returns.
class AppendFile {
 public:
  AppendFile() = default;
  ~AppendFile();
  AppendFile(const AppendFile&) = delete;
  AppendFile& operator=(const AppendFile&) = delete;

  // Opens or creates the file, cut to its first `keep` bytes (the whole file when it is
  // shorter); others may read it meanwhile. False when it cannot be opened.
  bool Open(const std::string& path, std::size_t keep);
  // Writes `bytes` at the end and flushes them to the disk; false when either fails.
  bool Append(std::string_view bytes);
  bool IsOpen() const { return handle_ != nullptr; }

 private:
  void* handle_ = nullptr;
};

}  // namespace yv::platform
