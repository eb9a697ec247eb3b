// The decoding tables of the three fixed implode codes, and how their entries are packed.
// The codes never change, so the tables are made once, by the first decode, and shared by
// every decode after it (in memory rather than in the program's file: 120 KB).
#pragma once

#include <cstdint>

#include "archive/implode_codes.h"

namespace yv::archive::explode_tables {

constexpr unsigned kLiteralIndexBits = 13;  // the longest ASCII literal code
constexpr unsigned kStepIndexBits = 12;
constexpr unsigned kStepIndexMask = (1u << kStepIndexBits) - 1;
// The distance base of a literal's step (see Tables::step), far enough back that the
// step never reads bytes just written: in binary mode this base; in ASCII mode the
// distance selects the byte in Tables::literalByte (see there).
constexpr unsigned kLiteralStepDistance = 256;
// Tables::literalByte has a byte for every distance a step may have (1 to 4096), so a
// step takes one from there without a check.
constexpr unsigned kLiteralSlots = 4097;
// The longest copy a step makes; a longer one whose codes fit in the step index would be
// a long copy (none is: the longest step is 23 bytes).
constexpr unsigned kLongestStep = 32;

// Tables::length, indexed by the 8 stream bits after the flag: the copy-length symbol
// they begin with.
struct LengthEntry {
  static constexpr uint32_t Pack(unsigned valueBase, unsigned extraBits, unsigned bits) {
    return valueBase | extraBits << 16 | bits << 24;
  }
  static constexpr unsigned ValueBase(uint32_t e) { return e & 0xFFFF; }
  static constexpr unsigned ExtraBits(uint32_t e) { return (e >> 16) & 0xFF; }
  static constexpr unsigned Bits(uint32_t e) { return e >> 24; }  // the flag's and the symbol's
};

// Tables::distance, indexed by the next 8 stream bits: the distance symbol they begin with.
struct DistanceEntry {
  static constexpr uint16_t Pack(unsigned symbol, unsigned bits) { return static_cast<uint16_t>(symbol | bits << 8); }
  static constexpr unsigned Symbol(uint32_t e) { return e & 0xFF; }
  static constexpr unsigned Bits(uint32_t e) { return e >> 8; }
};

// Tables::literal, indexed by the 13 stream bits after the flag: the ASCII literal they
// begin with (every code fits there).
struct LiteralEntry {
  static constexpr uint16_t Pack(unsigned byte, unsigned bits) { return static_cast<uint16_t>(byte | bits << 8); }
  static constexpr unsigned Byte(uint32_t e) { return e & 0xFF; }
  static constexpr unsigned Bits(uint32_t e) { return e >> 8; }  // the code's, without the flag
};

// Tables::step, indexed by 12 stream bits from a token's flag. Three kinds of entry:
// - a step: the whole token as one copy of Length bytes from DistanceBase plus the low
//   distance bits back. Bits counts the flag, codes, extra and low distance bits; the
//   low bits, which may lie past the index, end at Bits and are LowShift = 64 - their
//   number wide. A literal is a step of length 1, two binary literals whose flags both
//   lie in the index one of length 2 (see Tables::step).
// - a long copy: a copy whose flag, length code and extra bits (LongCopyBits) fit in the
//   index but whose distance code does not, or that is longer than kLongestStep.
// - kNone for the rest (longer copy codes, ASCII literal codes whose length the index
//   does not settle, the end-of-stream code).
// The last two have the top bit set, so that a step is told by the sign alone and its
// Bits can be the count of a shift as they are (a shift of 64-bit values takes only the
// low 6 bits of its count).
struct StepEntry {
  static constexpr uint32_t kNotAStep = 1u << 31;
  static constexpr uint32_t kNone = kNotAStep;

  static constexpr uint32_t Pack(unsigned bits, unsigned lowBits, unsigned length, unsigned distanceBase) {
    return bits | (64 - lowBits) << 6 | length << 12 | distanceBase << 18;
  }
  static constexpr bool IsStep(uint32_t e) { return !(e & kNotAStep); }
  static constexpr unsigned Bits(uint32_t e) { return e & 63; }
  static constexpr unsigned LowShift(uint32_t e) { return (e >> 6) & 63; }
  static constexpr unsigned Length(uint32_t e) { return (e >> 12) & 63; }
  static constexpr unsigned DistanceBase(uint32_t e) { return (e >> 18) & 0x1FFF; }

  static constexpr uint32_t PackLongCopy(unsigned bits, unsigned lowBits, unsigned length) {
    return kNotAStep | bits | lowBits << 6 | length << 12;
  }
  static constexpr unsigned LongCopyBits(uint32_t e) { return e & 63; }
  static constexpr unsigned LongCopyLowBits(uint32_t e) { return (e >> 6) & 15; }
  static constexpr unsigned LongCopyLength(uint32_t e) { return (e >> 12) & 0x3FF; }
};
static_assert(kLiteralSlots <= 0x1FFF && (63u << 6) + 1 <= 0x1FFF, "distance bases fit in StepEntry");
static_assert(kMaxCopyLength <= 0x3FF, "long copy lengths fit in StepEntry");

struct Tables {
  uint32_t length[256];
  uint16_t distance[256];
  uint16_t literal[1u << kLiteralIndexBits];
  // The bytes of the ASCII literal steps, indexed by the step's distance: a code that fits
  // in the step index has the distance kLiteralStepDistance + its byte; the longer codes
  // that start with the same index bits and are all as long share a group of slots after
  // those, chosen by their last bits (the step's low distance bits).
  uint8_t literalByte[kLiteralSlots];
  // One table per literal mode (binary, ASCII) and dictionary size (4, 5, 6 low bits). A
  // literal step's bytes are stored before its copy, which then reads from far back and
  // writes after them: in binary mode with one low bit and a base of
  // kLiteralStepDistance, in ASCII mode with the distance of its byte in literalByte.
  uint32_t step[2][3][1u << kStepIndexBits];
};

// The tables, made by the first call (from any thread).
const Tables& DecodingTables();

}  // namespace yv::archive::explode_tables
