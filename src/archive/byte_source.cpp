// The byte sources the readers take their bytes from: memory, and a stdio file with its
// platform's 64-bit seeks.
#include <cstring>

#include "archive/package_format.h"

namespace yv::archive {

bool ByteSource::Skip(uint64_t size) {
  char buffer[4096];
  while (size > 0) {
    const std::size_t chunk = size < sizeof buffer ? static_cast<std::size_t>(size) : sizeof buffer;
    if (!ReadExact(buffer, chunk)) return false;
    size -= chunk;
  }
  return true;
}

bool MemoryByteSource::Skip(uint64_t size) {
  if (size > Remaining()) return false;
  position_ += static_cast<std::size_t>(size);
  return true;
}

bool MemoryByteSource::ReadExact(void* buffer, std::size_t size) {
  if (size > bytes_.size() - position_) return false;
  if (size != 0) std::memcpy(buffer, bytes_.data() + position_, size);
  position_ += size;
  return true;
}

namespace {

// 64-bit file positions on every system (a long is 32 bits on Windows).
int64_t Tell(std::FILE* file) {
#ifdef _WIN32
  return _ftelli64(file);
#else
  return ftello(file);
#endif
}

bool Seek(std::FILE* file, int64_t offset, int whence) {
#ifdef _WIN32
  return _fseeki64(file, offset, whence) == 0;
#else
  return fseeko(file, static_cast<off_t>(offset), whence) == 0;
#endif
}

}  // namespace

StdioByteSource::StdioByteSource(std::FILE* file) : file_(file) {
  const int64_t here = Tell(file);
  if (here < 0 || !Seek(file, 0, SEEK_END)) return;
  const int64_t end = Tell(file);
  if (!Seek(file, here, SEEK_SET) || end < here) return;
  remaining_ = static_cast<uint64_t>(end - here);
}

bool StdioByteSource::Skip(uint64_t size) {
  if (size > remaining_) return false;
  if (!Seek(file_, static_cast<int64_t>(size), SEEK_CUR)) {
    remaining_ = 0;
    return false;
  }
  remaining_ -= size;
  return true;
}

bool StdioByteSource::ReadExact(void* buffer, std::size_t size) {
  if (size > remaining_) return false;
  if (std::fread(buffer, 1, size, file_) != size) {
    remaining_ = 0;
    return false;
  }
  remaining_ -= size;
  return true;
}

}  // namespace yv::archive
