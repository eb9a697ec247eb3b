// A container read through a Windows file handle, strictly in order.
#pragma once

#include <windows.h>

#include "archive/package_format.h"

namespace yv::archive {

class HandleByteSource : public ByteSource {
 public:
  // Reads `file` from its current position; the rest of the file is measured now.
  explicit HandleByteSource(HANDLE file);
  bool ReadExact(void* buffer, std::size_t size) override;
  uint64_t Remaining() const override { return remaining_; }
  // A read failed, or the file delivered less than it held when it was measured: the
  // medium, not the container, is at fault.
  bool ReadFailed() const { return readFailed_; }

 private:
  HANDLE file_;
  uint64_t remaining_ = 0;
  bool readFailed_ = false;
};

}  // namespace yv::archive
