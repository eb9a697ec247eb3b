// The decoding tables of the three fixed implode codes. The codes never change, so the
// tables are computed once, at compile time, and shared by every decode.
#pragma once

#include <cstdint>

#include "archive/implode_codes.h"

namespace yv::archive::explode_tables {

constexpr unsigned kLiteralIndexBits = 13;  // the longest ASCII literal code
constexpr unsigned kStepIndexBits = 12;
// The distance base of a literal's step (see Tables::step), far enough back that the
// step never reads bytes just written: in binary mode this base; in ASCII mode the
// distance selects the byte in Tables::literalByte (see there).
constexpr unsigned kLiteralStepDistance = 256;
// Tables::literalByte has a byte for every distance a step may have (1 to 4096), so a
// step takes one from there without a check.
constexpr unsigned kLiteralSlots = 4097;

struct Tables {
  // Copy length, indexed by the 8 stream bits after the flag:
  // base | extra bits << 16 | (flag + code bits) << 24.
  uint32_t length[256];
  // Copy distance, indexed by the next 8 stream bits: symbol | code bits << 8.
  uint16_t distance[256];
  // ASCII literals, two at a time where both fit, indexed by the 13 stream bits after
  // the first flag (every code fits there alone):
  // first byte | second byte << 8 | (bits of both, flags included) << 16 | count << 24 |
  // (bits of the first, flag included) << 28, where the count is 2 when a second
  // literal's flag and code fit in those bits too, else 1.
  uint32_t literalRun[1u << kLiteralIndexBits];
  // The bytes of the ASCII literal steps, indexed by the step's distance: a code that fits
  // in the step index has the distance kLiteralStepDistance + its byte; the longer codes
  // that start with the same index bits and are all as long share a group of slots after
  // those, chosen by their last bits (the step's low distance bits).
  uint8_t literalByte[kLiteralSlots];
  // One table per literal mode (binary, ASCII) and dictionary size (4, 5, 6 bits): the
  // token whose flag is bit 0 of the index, a literal or a copy whose codes and extra
  // bits fit in the index, as one copy step: bits (flag, codes, extra and low distance
  // bits) | (64 - low distance bits) << 6 | length << 12 | distance base << 18, where
  // the distance is the base plus the low bits. A literal is a step of length 1 with
  // one low bit and a base of kLiteralStepDistance in binary mode; in ASCII mode with the
  // distance of its byte in literalByte. 0 for the rest (longer copy codes, ASCII
  // literal codes whose length the index does not settle, the end-of-stream code).
  uint32_t step[2][3][1u << kStepIndexBits];
};

// The entry of Tables::step for a copy or a binary-mode literal; `t` holds the length
// and distance tables.
constexpr uint32_t MakeStep(unsigned dictBits, unsigned i, const Tables& t) {
  if ((i & 1) == 0) return 9 | (63u << 6) | (1u << 12) | (kLiteralStepDistance << 18);
  const uint32_t lengthEntry = t.length[(i >> 1) & 0xFF];
  const unsigned lengthBits = lengthEntry >> 24;  // with the flag
  const unsigned extra = (lengthEntry >> 16) & 0xFF;
  if (lengthBits + extra > kStepIndexBits) return 0;
  const unsigned value = (lengthEntry & 0xFFFF) + ((i >> lengthBits) & ((1u << extra) - 1));
  if (value == kEndOfStreamLengthValue) return 0;
  const unsigned distanceEntry = t.distance[(i >> (lengthBits + extra)) & 0xFF];
  const unsigned used = lengthBits + extra + (distanceEntry >> 8);
  if (used > kStepIndexBits) return 0;
  const unsigned lowBits = value == 0 ? 2 : dictBits;
  return (used + lowBits) | ((64 - lowBits) << 6) | ((value + 2) << 12) |
         ((((distanceEntry & 0x3F) << lowBits) + 1) << 18);
}

constexpr Tables MakeTables() {
  Tables t{};
  for (unsigned sym = 0; sym < 16; ++sym) {
    const StreamCode c = LengthSymbolCode(sym);
    for (unsigned i = c.value; i < 256; i += 1u << c.length) {
      t.length[i] = LengthSymbolBase(sym) | (LengthSymbolExtraBits(sym) << 16) | ((c.length + 1u) << 24);
    }
  }
  for (unsigned h = 0; h < 64; ++h) {
    const StreamCode c = DistanceSymbolCode(h);
    for (unsigned i = c.value; i < 256; i += 1u << c.length) t.distance[i] = static_cast<uint16_t>(h | (c.length << 8));
  }
  // Each code's entry at every index whose low bits are the code, the second literal
  // (when its flag is 0) found the same way in the bits after the first.
  uint16_t literal[1u << kLiteralIndexBits] = {};  // byte | code bits << 8
  for (unsigned byte = 0; byte < 256; ++byte) {
    const StreamCode c = AsciiLiteralCode(static_cast<unsigned char>(byte));
    for (unsigned i = c.value; i < (1u << kLiteralIndexBits); i += 1u << c.length) {
      literal[i] = static_cast<uint16_t>(byte | (c.length << 8));
    }
  }
  for (unsigned i = 0; i < (1u << kLiteralIndexBits); ++i) {
    const unsigned first = literal[i];
    const unsigned firstBits = first >> 8;
    uint32_t entry = (first & 0xFF) | ((firstBits + 1) << 16) | (1u << 24);
    const unsigned rest = i >> firstBits;
    if (firstBits + 1 <= kLiteralIndexBits && (rest & 1) == 0) {
      const unsigned second = literal[rest >> 1];
      const unsigned secondBits = second >> 8;
      if (firstBits + 1 + secondBits <= kLiteralIndexBits) {
        entry = (first & 0xFF) | ((second & 0xFF) << 8) | ((firstBits + secondBits + 2) << 16) | (2u << 24);
      }
    }
    t.literalRun[i] = entry | ((firstBits + 1) << 28);
  }
  // The ASCII literal steps, by the index bits after the flag, and their bytes.
  constexpr unsigned kPrefixes = 1u << (kStepIndexBits - 1);
  uint32_t asciiLiteral[kPrefixes] = {};
  unsigned nextSlot = kLiteralStepDistance + 256;
  for (unsigned prefix = 0; prefix < kPrefixes; ++prefix) {
    const unsigned bits = t.literalRun[prefix] >> 28;  // with the flag
    if (bits <= kStepIndexBits) {
      // The step's one low bit is the code's last bit, which the index holds.
      const unsigned byte = t.literalRun[prefix] & 0xFF;
      const unsigned lastBit = (prefix << 1 >> (bits - 1)) & 1;
      asciiLiteral[prefix] = bits | (63u << 6) | (1u << 12) | ((kLiteralStepDistance + byte - lastBit) << 18);
      t.literalByte[kLiteralStepDistance + byte] = static_cast<uint8_t>(byte);
      continue;
    }
    const unsigned lowBits = bits - kStepIndexBits;
    bool sameLength = true;
    for (unsigned rest = 0; rest < (1u << (kLiteralIndexBits + 1 - kStepIndexBits)); ++rest) {
      sameLength = sameLength && t.literalRun[prefix | (rest << (kStepIndexBits - 1))] >> 28 == bits;
    }
    if (!sameLength) continue;
    for (unsigned rest = 0; rest < (1u << lowBits); ++rest) {
      t.literalByte[nextSlot + rest] = static_cast<uint8_t>(t.literalRun[prefix | (rest << (kStepIndexBits - 1))]);
    }
    asciiLiteral[prefix] = bits | ((64 - lowBits) << 6) | (1u << 12) | (nextSlot << 18);
    nextSlot += 1u << lowBits;
  }
  for (unsigned mode = 0; mode < 2; ++mode) {
    for (unsigned dictBits = 4; dictBits <= 6; ++dictBits) {
      for (unsigned i = 0; i < (1u << kStepIndexBits); ++i) {
        t.step[mode][dictBits - 4][i] = mode == 1 && (i & 1) == 0 ? asciiLiteral[i >> 1] : MakeStep(dictBits, i, t);
      }
    }
  }

  return t;
}

inline constexpr Tables kTables = MakeTables();

}  // namespace yv::archive::explode_tables
