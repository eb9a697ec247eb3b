#include "archive/win/transfer.h"

#include <cstring>

#include "archive/crc32.h"

namespace yv::archive {

unsigned TransferRead(char* buf, unsigned* size, void* param) {
  auto& t = *static_cast<TransferState*>(param);
  if (t.sourcePosition >= t.sourceSize) return 0;
  if (*size > t.sourceSize - t.sourcePosition) *size = t.sourceSize - t.sourcePosition;
  DWORD delivered = 0;
  if (t.sourceKind == kTransferSourceFile) {
    // The file is read on from where the caller's own reading left off.
    if (!ReadFile(t.sourceFile, buf, *size, &delivered, nullptr)) delivered = 0;
  } else {
    std::memcpy(buf, t.sourceBlock + t.sourcePosition, *size);
    delivered = *size;
  }
  t.sourcePosition += *size;
  return delivered;
}

void TransferWrite(char* buf, unsigned* size, void* param) {
  auto& t = *static_cast<TransferState*>(param);
  DWORD written = 0;
  if (*size != 0 && (!WriteFile(t.destinationFile, buf, *size, &written, nullptr) || written != *size)) {
    t.writeFailed = true;
  }
  if (t.checksumSwitch == 1) t.checksum = Crc32Update(buf, *size, t.checksum);
}

}  // namespace yv::archive
