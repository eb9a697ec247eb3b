// The callbacks that feed the implode decoder from a memory block or an open file and
// write its output to an open file, keeping the checksum of what was written.
#pragma once

#include <windows.h>

#include <cstdint>

namespace yv::archive {

constexpr uint16_t kTransferSourceBlock = 1;
constexpr uint16_t kTransferSourceFile = 3;

struct TransferState {
  uint16_t checksumSwitch = 1;  // 1: TransferWrite keeps the checksum register
  uint16_t sourceKind = kTransferSourceBlock;
  HANDLE sourceFile = INVALID_HANDLE_VALUE;       // source kind 3
  HANDLE destinationFile = INVALID_HANDLE_VALUE;  // open for writing
  const unsigned char* sourceBlock = nullptr;     // source kind 1
  uint32_t sourceSize = 0;      // the block's size, or the whole file's size
  uint32_t sourcePosition = 0;  // bytes consumed; a file starts at the stream's offset
  uint32_t checksum = 0;        // over the bytes handed to the destination
  // Set when a write did not reach the file (a full disk): the output is then
  // incomplete whatever the checksum says.
  bool writeFailed = false;
};

// Read callback of Explode: `param` is a TransferState.
unsigned TransferRead(char* buf, unsigned* size, void* param);
// Write callback of Explode: `param` is a TransferState.
void TransferWrite(char* buf, unsigned* size, void* param);

}  // namespace yv::archive
