// The fixed parts of implode streams, shared by the decoder and the encoder: the three
// prefix codes (copy length, copy distance, ASCII literal) and the copy-length symbols.
// Each code is given as the value its bits make when they are read from the stream
// least significant bit first.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace yv::archive {

struct StreamCode {
  std::uint16_t value;  // the code's bits in stream order, first bit in bit 0
  std::uint8_t length;  // number of bits
};

namespace codes {

constexpr std::array<std::uint8_t, 16> kLengthCodeLengths = {3, 2, 3, 3, 4, 4, 4, 5, 5, 5, 5, 6, 6, 6, 7, 7};

constexpr std::array<std::uint8_t, 64> MakeDistanceCodeLengths() {
  std::array<std::uint8_t, 64> lengths{};
  for (unsigned h = 0; h < 64; ++h) {
    lengths[h] = h == 0 ? 2 : h <= 2 ? 4 : h <= 6 ? 5 : h <= 21 ? 6 : h <= 47 ? 7 : 8;
  }
  return lengths;
}

// Code length of each byte in ASCII literal mode; one row per high hex digit.
constexpr std::array<std::uint8_t, 256> kAsciiCodeLengths = {
    11, 12, 12, 12, 12, 12, 12, 12, 12, 8,  7,  12, 12, 7,  12, 12,  // 0_
    12, 12, 12, 12, 12, 12, 12, 12, 12, 12, 13, 12, 12, 12, 12, 12,  // 1_
    4,  10, 8,  12, 10, 12, 10, 8,  7,  7,  8,  9,  7,  6,  7,  8,   // 2_
    7,  6,  7,  7,  7,  7,  8,  7,  7,  8,  8,  12, 11, 7,  9,  11,  // 3_
    12, 6,  7,  6,  6,  5,  7,  8,  8,  6,  11, 9,  6,  7,  6,  6,   // 4_
    7,  11, 6,  6,  6,  7,  9,  8,  9,  9,  11, 8,  11, 9,  12, 8,   // 5_
    12, 5,  6,  6,  6,  5,  6,  6,  6,  5,  11, 7,  5,  6,  5,  5,   // 6_
    6,  10, 5,  5,  5,  5,  8,  7,  8,  8,  10, 11, 11, 12, 12, 12,  // 7_
    13, 13, 13, 13, 13, 13, 13, 13, 13, 13, 13, 13, 13, 13, 13, 13,  // 8_
    13, 13, 13, 13, 13, 13, 13, 13, 13, 13, 13, 13, 13, 13, 13, 13,  // 9_
    13, 13, 13, 13, 13, 13, 13, 13, 13, 13, 13, 13, 13, 13, 13, 13,  // A_
    12, 12, 12, 12, 12, 12, 12, 12, 12, 12, 12, 12, 12, 12, 12, 12,  // B_
    12, 12, 12, 12, 12, 12, 12, 12, 12, 12, 12, 12, 12, 12, 12, 12,  // C_
    12, 12, 12, 12, 12, 12, 12, 12, 12, 12, 12, 12, 12, 12, 12, 12,  // D_
    13, 12, 13, 13, 13, 12, 13, 13, 13, 12, 13, 13, 13, 13, 12, 13,  // E_
    13, 13, 12, 12, 12, 13, 13, 13, 13, 13, 13, 13, 13, 13, 13, 13,  // F_
};

// Canonical codes from the lengths (shorter codes first, equal lengths by symbol, each
// code the previous plus one, shifted left as the length grows), every bit inverted,
// sent most significant bit first.
template <std::size_t N>
constexpr std::array<StreamCode, N> MakeStreamCodes(const std::array<std::uint8_t, N>& lengths) {
  std::array<StreamCode, N> result{};
  unsigned code = 0;
  unsigned previousLength = 0;
  bool first = true;
  for (unsigned length = 1; length <= 16; ++length) {
    for (std::size_t symbol = 0; symbol < N; ++symbol) {
      if (lengths[symbol] != length) continue;
      code = first ? 0 : (code + 1) << (length - previousLength);
      first = false;
      previousLength = length;
      const unsigned inverted = ~code & ((1u << length) - 1);
      unsigned streamValue = 0;
      for (unsigned bit = 0; bit < length; ++bit) {
        // The code's most significant bit goes first, i.e. into bit 0 of the stream value.
        streamValue |= ((inverted >> (length - 1 - bit)) & 1u) << bit;
      }
      result[symbol] = StreamCode{static_cast<std::uint16_t>(streamValue), static_cast<std::uint8_t>(length)};
    }
  }
  return result;
}

}  // namespace codes

constexpr auto kLengthCodes = codes::MakeStreamCodes(codes::kLengthCodeLengths);
constexpr auto kDistanceCodes = codes::MakeStreamCodes(codes::MakeDistanceCodeLengths());
constexpr auto kAsciiCodes = codes::MakeStreamCodes(codes::kAsciiCodeLengths);

static_assert(kLengthCodes[0].value == 5 && kLengthCodes[1].value == 3 && kLengthCodes[2].value == 1 &&
              kLengthCodes[3].value == 6 && kLengthCodes[15].value == 0 && kLengthCodes[15].length == 7);
static_assert(kDistanceCodes[0].value == 3 && kDistanceCodes[0].length == 2 && kDistanceCodes[63].value == 0 &&
              kDistanceCodes[63].length == 8);
static_assert(kAsciiCodes[0x20].value == 15 && kAsciiCodes[0x20].length == 4 && kAsciiCodes[0x65].value == 27 &&
              kAsciiCodes[0x65].length == 5 && kAsciiCodes[0xFF].value == 0 && kAsciiCodes[0xFF].length == 13);

// Symbol 0..15 of the copy-length code.
constexpr StreamCode LengthSymbolCode(unsigned symbol) {
  return kLengthCodes[symbol & 15];
}
// Symbol 0..63 of the copy-distance code (the high part of the distance).
constexpr StreamCode DistanceSymbolCode(unsigned symbol) {
  return kDistanceCodes[symbol & 63];
}
// The ASCII-mode code of one literal byte.
constexpr StreamCode AsciiLiteralCode(unsigned char byte) {
  return kAsciiCodes[byte];
}

// Copy lengths: a length symbol is followed by ExtraBits(symbol) plain bits; the value
// Base(symbol) + extra is the copy length less 2, and 517 ends the stream.
constexpr unsigned LengthSymbolExtraBits(unsigned symbol) {
  return symbol < 8 ? 0 : symbol - 7;
}
constexpr unsigned LengthSymbolBase(unsigned symbol) {
  unsigned base = symbol < 8 ? symbol : 8;
  for (unsigned s = 8; s < symbol; ++s) base += 1u << LengthSymbolExtraBits(s);
  return base;
}
static_assert(LengthSymbolBase(9) == 10 && LengthSymbolBase(15) == 262);

constexpr unsigned kEndOfStreamLengthValue = 517;  // symbol 15 with all eight extra bits set
constexpr unsigned kMinCopyLength = 2;
constexpr unsigned kMaxCopyLength = 518;
// The copy length a length value gives, and back.
constexpr unsigned CopyLength(unsigned lengthValue) {
  return lengthValue + kMinCopyLength;
}
constexpr unsigned LengthValue(unsigned copyLength) {
  return copyLength - kMinCopyLength;
}

// Copy distances: distance - 1 is the distance symbol followed by plain low bits, 2 of
// them for a copy of 2 bytes, else as many as the dictionary size gives (4, 5 or 6 for
// 1024, 2048 or 4096 bytes).
constexpr unsigned LowDistanceBits(unsigned copyLength, unsigned dictionaryBits) {
  return copyLength == kMinCopyLength ? 2 : dictionaryBits;
}
constexpr unsigned CopyDistance(unsigned symbol, unsigned low, unsigned lowBits) {
  return ((symbol << lowBits) | low) + 1;
}
constexpr unsigned DistanceSymbolOf(unsigned distance, unsigned lowBits) {
  return (distance - 1) >> lowBits;
}
constexpr unsigned DistanceLowOf(unsigned distance, unsigned lowBits) {
  return (distance - 1) & ((1u << lowBits) - 1);
}
// A 2-byte copy always carries 2 low distance bits, so it reaches 256 bytes back.
constexpr unsigned kMaxShortCopyDistance = 64u << LowDistanceBits(kMinCopyLength, 6);

}  // namespace yv::archive
