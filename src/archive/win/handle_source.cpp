#include "archive/win/handle_source.h"

#include <algorithm>

namespace yv::archive {

HandleByteSource::HandleByteSource(HANDLE file) : file_(file) {
  LARGE_INTEGER size{};
  LARGE_INTEGER here{};
  LARGE_INTEGER zero{};
  if (GetFileSizeEx(file, &size) && SetFilePointerEx(file, zero, &here, FILE_CURRENT) &&
      size.QuadPart >= here.QuadPart) {
    remaining_ = static_cast<uint64_t>(size.QuadPart - here.QuadPart);
  }
}

bool HandleByteSource::ReadExact(void* buffer, std::size_t size) {
  if (size > remaining_) return false;
  auto* out = static_cast<char*>(buffer);
  while (size > 0) {
    const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(size, 1u << 30));
    DWORD got = 0;
    if (!ReadFile(file_, out, chunk, &got, nullptr) || got == 0) {
      remaining_ = 0;
      readFailed_ = true;
      return false;
    }
    out += got;
    size -= got;
    remaining_ -= got;
  }
  return true;
}

}  // namespace yv::archive
