#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <memory>

#include "platform/file_io.h"

namespace yv::platform {

namespace {
struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;
}  // namespace

std::optional<std::string> ReadWholeFile(const std::string& path) {
  File f(std::fopen(path.c_str(), "rb"));
  if (!f) return std::nullopt;
  std::string out;
  char buf[65536];
  std::size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, f.get())) > 0) out.append(buf, n);
  if (std::ferror(f.get())) return std::nullopt;
  return out;
}

bool WriteWholeFile(const std::string& path, std::string_view bytes) {
  const std::string temp = path + ".~yv";
  File f(std::fopen(temp.c_str(), "wb"));
  if (!f) return false;
  bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f.get()) == bytes.size();
  ok = std::fclose(f.release()) == 0 && ok;
  if (ok && std::rename(temp.c_str(), path.c_str()) == 0) return true;
  std::remove(temp.c_str());
  return false;
}

bool PathExists(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0;
}

// The descriptor is kept as its value plus one, so that zero means closed.
namespace {
int Fd(void* handle) {
  return static_cast<int>(reinterpret_cast<intptr_t>(handle) - 1);
}
}  // namespace

AppendFile::~AppendFile() {
  if (handle_) ::close(Fd(handle_));
}

bool AppendFile::Open(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDWR | O_CREAT, 0644);
  if (fd < 0) return false;
  handle_ = reinterpret_cast<void*>(static_cast<intptr_t>(fd) + 1);
  return true;
}

std::optional<std::string> AppendFile::ReadAll() {
  if (!handle_ || ::lseek(Fd(handle_), 0, SEEK_SET) < 0) return std::nullopt;
  std::string out;
  char buf[65536];
  for (;;) {
    const ssize_t n = ::read(Fd(handle_), buf, sizeof buf);
    if (n < 0) return std::nullopt;
    if (n == 0) return out;
    out.append(buf, static_cast<std::size_t>(n));
  }
}

bool AppendFile::CutTo(std::size_t size) {
  return handle_ && ::ftruncate(Fd(handle_), static_cast<off_t>(size)) == 0 &&
         ::lseek(Fd(handle_), static_cast<off_t>(size), SEEK_SET) >= 0;
}

bool AppendFile::Append(std::string_view bytes) {
  if (!handle_) return false;
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(Fd(handle_), bytes.data() + done, bytes.size() - done);
    if (n <= 0) return false;
    done += static_cast<std::size_t>(n);
  }
  return true;
}

bool AppendFile::Flush() {
  return handle_ && ::fsync(Fd(handle_)) == 0;
}

}  // namespace yv::platform
