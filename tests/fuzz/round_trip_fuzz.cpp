// Implode then Explode over any content, in every literal mode and dictionary size, with
// the input handed over in chunks of any size after the first: the content comes back exactly, the
// decode counts as complete (its checksum, however computed, the tables' own), and memory stays bounded by the content.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "archive/crc32.h"
#include "archive/implode.h"
#include "archive/stream_decode.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  using namespace yv::archive;
  if (size < 1) return 0;
  // First byte: literal mode (bit 0), dictionary size (bits 1-2), input chunk (bits 3-7).
  const auto mode = (data[0] & 1) ? ImplodeLiteralMode::kAscii : ImplodeLiteralMode::kBinary;
  const unsigned dictionary = 1024u << ((data[0] >> 1) % 3);
  const std::size_t chunk = 1 + (data[0] >> 3) * 67u;
  const std::string_view content(reinterpret_cast<const char*>(data + 1), size - 1);

  const std::string stream = Implode(content, mode, dictionary);
  std::size_t position = 0;
  std::string decoded;
  const StreamDecode d = DecodeStream(
      [&](char* buf, std::size_t want) {
        // The first read is whole: a first read of 4 bytes or fewer means "too short".
        std::size_t n = std::min({want, position == 0 ? want : chunk, stream.size() - position});
        std::memcpy(buf, stream.data() + position, n);
        position += n;
        return n;
      },
      [&](const char* block, std::size_t n) {
        decoded.append(block, n);
        return true;
      });
  if (decoded != content) std::abort();
  const uint32_t checksum = Crc32Update(content.data(), content.size(), 0);
  if (checksum != crc32::UpdateByTables(content.data(), content.size(), 0)) std::abort();
  if (!d.Accepted(checksum)) std::abort();
  return 0;
}
