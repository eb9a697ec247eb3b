#include "greedy_reference.h"

#include <algorithm>
#include <cstdint>
#include <vector>

#include "archive/implode_codes.h"

namespace yv::bench {

namespace {

using namespace yv::archive;

struct Bits {
  std::string out;
  uint64_t pending = 0;
  unsigned used = 0;
  void Put(uint32_t value, unsigned count) {
    pending |= static_cast<uint64_t>(value) << used;
    for (used += count; used >= 8; used -= 8, pending >>= 8) out.push_back(static_cast<char>(pending & 0xFF));
  }
  void Put(StreamCode code) { Put(code.value, code.length); }
};

unsigned LengthSymbol(unsigned value) {
  unsigned symbol = 0;
  while (symbol < 15 && value >= LengthSymbolBase(symbol + 1)) ++symbol;
  return symbol;
}

void PutLength(Bits& bits, unsigned value) {
  const unsigned symbol = LengthSymbol(value);
  bits.Put(1, 1);
  bits.Put(LengthSymbolCode(symbol));
  bits.Put(value - LengthSymbolBase(symbol), LengthSymbolExtraBits(symbol));
}

}  // namespace

std::string GreedyImplode(std::string_view content, ImplodeLiteralMode mode, unsigned dictionarySize) {
  const unsigned lowBits = dictionarySize == 1024 ? 4 : dictionarySize == 2048 ? 5 : 6;
  const auto* data = reinterpret_cast<const unsigned char*>(content.data());
  const std::size_t size = content.size();
  Bits bits;
  bits.out.push_back(static_cast<char>(mode));
  bits.out.push_back(static_cast<char>(lowBits));
  constexpr unsigned kHashBits = 15;
  std::vector<uint32_t> head(1u << kHashBits, 0);  // positions plus one
  std::vector<uint32_t> previous(size, 0);
  auto hash = [&](std::size_t p) {
    return ((uint32_t{data[p]} << 16 | uint32_t{data[p + 1]} << 8 | data[p + 2]) * 2654435761u) >> (32 - kHashBits);
  };
  auto insert = [&](std::size_t p) {
    if (p + 3 > size) return;
    const uint32_t h = hash(p);
    previous[p] = head[h];
    head[h] = static_cast<uint32_t>(p + 1);
  };
  for (std::size_t p = 0; p < size;) {
    const std::size_t limit = std::min<std::size_t>(kMaxCopyLength, size - p);
    std::size_t bestLength = 0;
    std::size_t bestDistance = 0;
    if (limit >= 3) {
      uint32_t tag = head[hash(p)];
      for (unsigned depth = 0; tag != 0 && depth < 128 && p - (tag - 1) <= dictionarySize; ++depth) {
        const std::size_t from = tag - 1;
        std::size_t n = 0;
        while (n < limit && data[from + n] == data[p + n]) ++n;
        if (n > bestLength) {
          bestLength = n;
          bestDistance = p - from;
        }
        tag = previous[from];
      }
    }
    // A 2-byte copy only where it reaches (256 bytes) and a 3-byte one beats literals.
    if (bestLength < 3 && limit >= 2) {
      bestLength = 0;
      for (std::size_t d = 1; d <= std::min<std::size_t>(p, kMaxShortCopyDistance); ++d) {
        if (data[p - d] == data[p] && data[p - d + 1] == data[p + 1]) {
          bestLength = 2;
          bestDistance = d;
          break;
        }
      }
    }
    if (bestLength >= 2) {
      PutLength(bits, static_cast<unsigned>(bestLength - kMinCopyLength));
      const unsigned low = bestLength == 2 ? 2 : lowBits;
      bits.Put(DistanceSymbolCode(static_cast<unsigned>((bestDistance - 1) >> low)));
      bits.Put(static_cast<uint32_t>((bestDistance - 1) & ((1u << low) - 1)), low);
    } else {
      bits.Put(0, 1);
      if (mode == ImplodeLiteralMode::kAscii) {
        bits.Put(AsciiLiteralCode(data[p]));
      } else {
        bits.Put(data[p], 8);
      }
      bestLength = 1;
    }
    for (std::size_t end = p + bestLength; p < end; ++p) insert(p);
  }
  PutLength(bits, kEndOfStreamLengthValue);
  if (bits.used > 0) bits.out.push_back(static_cast<char>(bits.pending & 0xFF));
  return bits.out;
}

}  // namespace yv::bench
