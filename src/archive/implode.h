// The implode encoder: turns content into one implode stream (two header bytes, the
// tokens, the end-of-stream code, padded to a whole byte) that Explode decodes back.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

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

// The parse is planned over segments of this size, which bounds the planner's memory
// whatever the size of the content; copies never cross a segment's end. Each segment's
// tokens depend only on the segment and the dictionary's worth of content before it,
// so segments can be encoded apart (on several threads) and joined into the very
// stream Implode gives.
constexpr std::size_t kImplodeSegmentSize = std::size_t{1} << 18;

// The tokens of one segment: `bitCount` bits, bit 0 of bytes[0] first; the bits of
// the last byte above the count are zero.
struct ImplodeBits {
  std::string bytes;
  std::uint64_t bitCount = 0;
};

std::size_t ImplodeSegmentCount(std::size_t contentSize);
// Encodes segment `index` (below ImplodeSegmentCount) of `content`. Throws as Implode.
ImplodeBits ImplodeSegment(std::string_view content, std::size_t index, ImplodeLiteralMode mode,
                           unsigned dictionarySize);
// The stream of content of `contentSize` bytes from all its segments, in order.
std::string JoinImplodeSegments(const std::vector<ImplodeBits>& segments, ImplodeLiteralMode mode,
                                unsigned dictionarySize, std::size_t contentSize);

}  // namespace yv::archive
