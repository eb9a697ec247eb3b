// The three fixed prefix codes of implode streams (copy length, copy distance, ASCII
// literal), seen from the writing side: each code as the value its bits make when they
// are put into the stream least significant bit first.
#pragma once

#include <cstdint>

namespace yv::archive {

struct StreamCode {
  std::uint16_t value;   // the code's bits in stream order, first bit in bit 0
  std::uint8_t length;   // number of bits
};

// Symbol 0..15 of the copy-length code.
StreamCode LengthSymbolCode(unsigned symbol);
// Symbol 0..63 of the copy-distance code (the high part of the distance).
StreamCode DistanceSymbolCode(unsigned symbol);
// The ASCII-mode code of one literal byte.
StreamCode AsciiLiteralCode(unsigned char byte);

// Copy lengths: a length symbol is followed by ExtraBits(symbol) plain bits; the value
// Base(symbol) + extra is the copy length less 2, and 517 ends the stream.
unsigned LengthSymbolExtraBits(unsigned symbol);
unsigned LengthSymbolBase(unsigned symbol);
constexpr unsigned kEndOfStreamLengthValue = 517;
constexpr unsigned kMinCopyLength = 2;
constexpr unsigned kMaxCopyLength = 518;
// A 2-byte copy always carries 2 low distance bits, so it reaches 256 bytes back.
constexpr unsigned kMaxShortCopyDistance = 256;

}  // namespace yv::archive
