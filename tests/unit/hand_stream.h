// Implode streams written by hand for the decoder's tests: a bit writer, and the three
// codes derived here from their code lengths (independently of the decoder), so that a
// test states its stream token by token.
#pragma once

#include <algorithm>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace yv::testing {

class BitWriter {
 public:
  // Appends `count` bits of `value`, least significant bit first.
  void Bits(uint32_t value, unsigned count) {
    for (unsigned i = 0; i < count; ++i) {
      if (used_ == 0) bytes_.push_back('\0');
      if ((value >> i) & 1) bytes_.back() = static_cast<char>(bytes_.back() | (1 << used_));
      used_ = (used_ + 1) % 8;
    }
  }
  // Bits written so far.
  std::size_t BitCount() const { return bytes_.size() * 8 - (used_ ? 8 - used_ : 0); }
  // The bytes, the last one padded with zero bits.
  const std::string& Bytes() const { return bytes_; }

 private:
  std::string bytes_;
  unsigned used_ = 0;
};

struct HandCode {
  uint32_t value;   // the next `length` bits of the stream, read as a number
  unsigned length;
};

// Canonical codes: symbols by (length, value); first code all zeros; then previous + 1,
// shifted left as the length grows; bits inverted; sent most significant bit first.
inline std::vector<HandCode> CodesFromLengths(const std::vector<unsigned>& lengths) {
  std::vector<std::pair<unsigned, unsigned>> order;  // (length, symbol)
  for (unsigned s = 0; s < lengths.size(); ++s) order.emplace_back(lengths[s], s);
  std::sort(order.begin(), order.end());
  std::vector<HandCode> codes(lengths.size());
  uint32_t code = 0;
  for (std::size_t i = 0; i < order.size(); ++i) {
    const unsigned length = order[i].first;
    if (i > 0) code = (code + 1) << (length - order[i - 1].first);
    const uint32_t inverted = ~code & ((1u << length) - 1);
    // Sent from its top bit down, the first bit sent lands in bit 0 of the stream value.
    uint32_t value = 0;
    for (unsigned b = 0; b < length; ++b) {
      if ((inverted >> (length - 1 - b)) & 1) value |= 1u << b;
    }
    codes[order[i].second] = HandCode{value, length};
  }
  return codes;
}

inline const std::vector<HandCode>& LengthCodes() {
  static const auto codes = CodesFromLengths({3, 2, 3, 3, 4, 4, 4, 5, 5, 5, 5, 6, 6, 6, 7, 7});
  return codes;
}

inline const std::vector<HandCode>& DistanceCodes() {
  static const auto codes = [] {
    std::vector<unsigned> lengths(64);
    for (unsigned h = 0; h < 64; ++h) {
      lengths[h] = h == 0 ? 2 : h <= 2 ? 4 : h <= 6 ? 5 : h <= 21 ? 6 : h <= 47 ? 7 : 8;
    }
    return CodesFromLengths(lengths);
  }();
  return codes;
}

inline const std::vector<HandCode>& AsciiCodes() {
  static const auto codes = CodesFromLengths({
      11, 12, 12, 12, 12, 12, 12, 12, 12, 8,  7,  12, 12, 7,  12, 12,
      12, 12, 12, 12, 12, 12, 12, 12, 12, 12, 13, 12, 12, 12, 12, 12,
      4,  10, 8,  12, 10, 12, 10, 8,  7,  7,  8,  9,  7,  6,  7,  8,
      7,  6,  7,  7,  7,  7,  8,  7,  7,  8,  8,  12, 11, 7,  9,  11,
      12, 6,  7,  6,  6,  5,  7,  8,  8,  6,  11, 9,  6,  7,  6,  6,
      7,  11, 6,  6,  6,  7,  9,  8,  9,  9,  11, 8,  11, 9,  12, 8,
      12, 5,  6,  6,  6,  5,  6,  6,  6,  5,  11, 7,  5,  6,  5,  5,
      6,  10, 5,  5,  5,  5,  8,  7,  8,  8,  10, 11, 11, 12, 12, 12,
      13, 13, 13, 13, 13, 13, 13, 13, 13, 13, 13, 13, 13, 13, 13, 13,
      13, 13, 13, 13, 13, 13, 13, 13, 13, 13, 13, 13, 13, 13, 13, 13,
      13, 13, 13, 13, 13, 13, 13, 13, 13, 13, 13, 13, 13, 13, 13, 13,
      12, 12, 12, 12, 12, 12, 12, 12, 12, 12, 12, 12, 12, 12, 12, 12,
      12, 12, 12, 12, 12, 12, 12, 12, 12, 12, 12, 12, 12, 12, 12, 12,
      12, 12, 12, 12, 12, 12, 12, 12, 12, 12, 12, 12, 12, 12, 12, 12,
      13, 12, 13, 13, 13, 12, 13, 13, 13, 12, 13, 13, 13, 13, 12, 13,
      13, 13, 12, 12, 12, 13, 13, 13, 13, 13, 13, 13, 13, 13, 13, 13,
  });
  return codes;
}

// Length symbols: bases and extra bits as the format gives them.
inline constexpr unsigned kLengthBase[16] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 10, 14, 22, 38, 70, 134, 262};
inline constexpr unsigned kLengthExtra[16] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 2, 3, 4, 5, 6, 7, 8};

// A stream being written token by token.
class HandStream {
 public:
  HandStream(unsigned literalMode, unsigned dictBits) : ascii_(literalMode == 1), dictBits_(dictBits) {
    header_ = {static_cast<char>(literalMode), static_cast<char>(dictBits)};
  }

  void Literal(unsigned char byte) {
    bits_.Bits(0, 1);
    if (ascii_) {
      Code(AsciiCodes()[byte]);
    } else {
      bits_.Bits(byte, 8);
    }
  }
  // A copy of `length` (2..518) bytes from `distance` back.
  void Copy(unsigned length, unsigned distance) {
    LengthValue(length - 2);
    const unsigned lowBits = length == 2 ? 2 : dictBits_;
    const unsigned d = distance - 1;
    Code(DistanceCodes()[d >> lowBits]);
    bits_.Bits(d & ((1u << lowBits) - 1), lowBits);
  }
  // The end-of-stream code: length value 517 (symbol 15, extra bits 255).
  void EndOfStream() { LengthValue(517); }
  // A length value as flag, symbol and extra bits (used alone for odd streams).
  void LengthValue(unsigned value) {
    unsigned s = 15;
    while (kLengthBase[s] > value) --s;
    bits_.Bits(1, 1);
    Code(LengthCodes()[s]);
    bits_.Bits(value - kLengthBase[s], kLengthExtra[s]);
  }
  void Code(const HandCode& c) { bits_.Bits(c.value, c.length); }
  void RawBits(uint32_t value, unsigned count) { bits_.Bits(value, count); }

  std::size_t BitCount() const { return bits_.BitCount(); }
  std::string Bytes() const { return header_ + bits_.Bytes(); }

 private:
  bool ascii_;
  unsigned dictBits_;
  std::string header_;
  BitWriter bits_;
};

}  // namespace yv::testing
