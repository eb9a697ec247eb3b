// Decoding into memory and the verdict on a decode.
#include <cstring>
#include <memory>

#include "archive/crc32.h"
#include "archive/explode.h"
#include "archive/package_format.h"

namespace yv::archive {

namespace {

struct MemoryTransfer {
  std::string_view input;
  std::size_t position = 0;
  MemoryDecode* output = nullptr;
};

unsigned ReadFromMemory(char* buf, unsigned* size, void* param) {
  auto& t = *static_cast<MemoryTransfer*>(param);
  const std::size_t left = t.input.size() - t.position;
  if (left == 0) return 0;
  if (*size > left) *size = static_cast<unsigned>(left);
  std::memcpy(buf, t.input.data() + t.position, *size);
  t.position += *size;
  return *size;
}

void WriteToMemory(char* buf, unsigned* size, void* param) {
  auto& t = *static_cast<MemoryTransfer*>(param);
  t.output->content.append(buf, *size);
  t.output->checksum = Crc32Update(buf, *size, t.output->checksum);
}

}  // namespace

MemoryDecode DecodeToMemory(std::string_view stream) {
  MemoryDecode decode;
  MemoryTransfer transfer{stream, 0, &decode};
  auto workArea = std::make_unique<char[]>(kExplodeWorkAreaSize);  // zero-filled
  decode.explodeResult = Explode(ReadFromMemory, WriteToMemory, workArea.get(), &transfer);
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
