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

 private:
  HANDLE file_;
  uint64_t remaining_ = 0;
};

}  // namespace yv::archive
