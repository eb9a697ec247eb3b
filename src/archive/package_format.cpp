// Decoding into memory and the verdict on a decode.
#include <new>

#include "archive/explode.h"
#include "archive/package_format.h"
#include "archive/stream_decode.h"

namespace yv::archive {

MemoryDecode DecodeToMemory(std::string_view stream) {
  MemoryDecode decode;
  const StreamDecode d = DecodeStream(MemoryPull(stream), [&](const char* data, std::size_t size) {
    decode.content.append(data, size);
    return true;
  });
  if (d.outOfMemory) throw std::bad_alloc();
  decode.explodeResult = d.explodeResult;
  decode.checksum = d.checksum;
  return decode;
}

bool IsEmptyContentStream(std::string_view s) {
  // Header (mode 0 or 1, dictionary bits 4 to 6), then flag 1, length symbol 15 (seven
  // 0 bits) and eight 1 bits: the end-of-stream code in the next two bytes.
  return s.size() == 4 && static_cast<unsigned char>(s[0]) <= 1 && s[1] >= 4 && s[1] <= 6 && s[2] == 0x01 &&
         static_cast<unsigned char>(s[3]) == 0xFF;
}

bool DecodeAccepted(unsigned explodeResult, uint32_t checksum, uint32_t expectedChecksum, std::string_view firstRead) {
  const bool complete =
      explodeResult == kExplodeOk || (explodeResult == kExplodeInputTooShort && IsEmptyContentStream(firstRead));
  return complete && checksum == expectedChecksum;
}

bool VerifyCompressedEntry(std::string_view data, uint32_t expectedChecksum, std::string* content) {
  MemoryDecode decode = DecodeToMemory(data);
  const bool good =
      DecodeAccepted(decode.explodeResult, decode.checksum, expectedChecksum, data.substr(0, kExplodeReadRequest));
  if (content) *content = std::move(decode.content);
  return good;
}

}  // namespace yv::archive
