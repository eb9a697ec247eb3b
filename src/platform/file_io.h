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

// A file that only grows, opened once: what it holds is read through the same handle, so
// the caller decides on the very file it then writes.
class AppendFile {
 public:
  AppendFile() = default;
  ~AppendFile();
  AppendFile(const AppendFile&) = delete;
  AppendFile& operator=(const AppendFile&) = delete;

  // Opens the file, or creates it empty; others may read it meanwhile. False when it
  // cannot be opened. Nothing in it is changed.
  bool Open(const std::string& path);
  // All it holds; std::nullopt when it cannot be read.
  std::optional<std::string> ReadAll();
  // Cuts it to its first `size` bytes and appends from there.
  bool CutTo(std::size_t size);
  // Writes `bytes` at the end; on the disk only after Flush.
  bool Append(std::string_view bytes);
  bool Flush();
  bool IsOpen() const { return handle_ != nullptr; }

 private:
  void* handle_ = nullptr;
};

}  // namespace yv::platform
