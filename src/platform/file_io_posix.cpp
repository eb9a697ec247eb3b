#include <sys/stat.h>

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

}  // namespace yv::platform
