// The implode encoder: turns content into one implode stream (two header bytes, the
// tokens, the end-of-stream code, padded to a whole byte) that Explode decodes back.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace yv::archive {

// How literal bytes are sent: 8 plain bits each, or with the fixed ASCII literal code
// (cheaper for text, dearer for binary data).
enum class ImplodeLiteralMode : std::uint8_t { kBinary = 0, kAscii = 1 };

// Dictionary sizes the stream can name: 1024, 2048 or 4096 bytes (4, 5 or 6 low
// distance bits).
constexpr bool IsImplodeDictionarySize(unsigned size) {
  return size == 1024 || size == 2048 || size == 4096;
}

// Encodes `content`. The parse is chosen by exact bit cost (the codes are fixed), over
// the copies that hash chains find within the dictionary. Empty content gives the
// 4-byte stream of a header and an end-of-stream code. Throws std::invalid_argument for
// a dictionary size other than 1024, 2048 or 4096, and std::length_error for content of
// 4 GiB or more (containers record sizes in 32 bits).
std::string Implode(std::string_view content, ImplodeLiteralMode mode, unsigned dictionarySize);

}  // namespace yv::archive
