// The packed file reader on any bytes: header check, then the stream decoded into
// memory and judged, without a memory fault.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "archive/crc32.h"
#include "archive/explode.h"
#include "archive/package_format.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  using namespace yv::archive;
  const auto file = ParsePackedFile(std::string_view(reinterpret_cast<const char*>(data), size));
  if (!file) return 0;
  const MemoryDecode decode = DecodeToMemory(file->stream);
  if (decode.checksum != Crc32Update(decode.content.data(), decode.content.size(), 0)) std::abort();
  const bool accepted = DecodeAccepted(decode.explodeResult, decode.checksum, file->contentChecksum, file->stream);
  // A stream that broke off never passes, nor one too short that is not the empty one.
  if (accepted && decode.explodeResult != kExplodeOk &&
      !(decode.explodeResult == kExplodeInputTooShort && IsEmptyContentStream(file->stream))) {
    std::abort();
  }
  return 0;
}
