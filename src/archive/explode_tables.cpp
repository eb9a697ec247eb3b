#include "archive/explode_tables.h"

#include <memory>

namespace yv::archive::explode_tables {

namespace {

// The entry of Tables::step for a copy or a binary-mode literal; `t` holds the length
// and distance tables.
uint32_t MakeStep(unsigned dictBits, unsigned i, const Tables& t) {
  // A binary literal is its flag and byte; when the flag after them is in the index and
  // starts another literal, the two are one step of 2 bytes.
  if ((i & 1) == 0) {
    return (i >> 9 & 1) ? StepEntry::Pack(9, 1, 1, kLiteralStepDistance) : StepEntry::Pack(18, 1, 2, kLiteralStepDistance);
  }
  const uint32_t lengthEntry = t.length[(i >> 1) & 0xFF];
  const unsigned lengthBits = LengthEntry::Bits(lengthEntry) + LengthEntry::ExtraBits(lengthEntry);
  if (lengthBits > kStepIndexBits) return StepEntry::kNone;
  const unsigned extra = (i >> LengthEntry::Bits(lengthEntry)) & ((1u << LengthEntry::ExtraBits(lengthEntry)) - 1);
  const unsigned value = LengthEntry::ValueBase(lengthEntry) + extra;
  if (value == kEndOfStreamLengthValue) return StepEntry::kNone;
  const unsigned length = CopyLength(value);
  const unsigned lowBits = LowDistanceBits(length, dictBits);
  // Index bits past the code read as 0: a distance code that the index does not hold
  // whole comes out longer than what is left of the index.
  const unsigned distanceEntry = t.distance[(i >> lengthBits) & 0xFF];
  const unsigned used = lengthBits + DistanceEntry::Bits(distanceEntry);
  if (used > kStepIndexBits || length > kLongestStep) return StepEntry::PackLongCopy(lengthBits, lowBits, length);
  return StepEntry::Pack(used + lowBits, lowBits, length,
                         CopyDistance(DistanceEntry::Symbol(distanceEntry), 0, lowBits));
}

// Each code's entry at every index whose low bits are the code.
void FillCodeTables(Tables& t) {
  for (unsigned sym = 0; sym < 16; ++sym) {
    const StreamCode c = LengthSymbolCode(sym);
    for (unsigned i = c.value; i < 256; i += 1u << c.length) {
      t.length[i] = LengthEntry::Pack(LengthSymbolBase(sym), LengthSymbolExtraBits(sym), c.length + 1u);
    }
  }
  for (unsigned h = 0; h < 64; ++h) {
    const StreamCode c = DistanceSymbolCode(h);
    for (unsigned i = c.value; i < 256; i += 1u << c.length) t.distance[i] = DistanceEntry::Pack(h, c.length);
  }
  for (unsigned byte = 0; byte < 256; ++byte) {
    const StreamCode c = AsciiLiteralCode(static_cast<unsigned char>(byte));
    for (unsigned i = c.value; i < (1u << kLiteralIndexBits); i += 1u << c.length) {
      t.literal[i] = LiteralEntry::Pack(byte, c.length);
    }
  }
}

// The ASCII literal steps, by the 11 index bits after the flag, and their bytes.
void FillAsciiLiteralSteps(Tables& t, uint32_t (&steps)[1u << (kStepIndexBits - 1)]) {
  constexpr unsigned kPrefixBits = kStepIndexBits - 1;
  unsigned nextSlot = kLiteralStepDistance + 256;
  for (unsigned prefix = 0; prefix < (1u << kPrefixBits); ++prefix) {
    // With the flag; where the code is longer than the prefix, at least as long as that.
    const unsigned bits = LiteralEntry::Bits(t.literal[prefix]) + 1;
    if (bits <= kStepIndexBits) {
      // The step's one low bit is the code's last bit, which the index holds.
      const unsigned byte = LiteralEntry::Byte(t.literal[prefix]);
      const unsigned lastBit = (prefix << 1 >> (bits - 1)) & 1;
      steps[prefix] = StepEntry::Pack(bits, 1, 1, kLiteralStepDistance + byte - lastBit);
      t.literalByte[kLiteralStepDistance + byte] = static_cast<uint8_t>(byte);
      continue;
    }
    const unsigned lowBits = bits - kStepIndexBits;
    bool sameLength = nextSlot + (1u << lowBits) <= kLiteralSlots;
    for (unsigned rest = 0; rest < (1u << (kLiteralIndexBits - kPrefixBits)); ++rest) {
      sameLength = sameLength && LiteralEntry::Bits(t.literal[prefix | rest << kPrefixBits]) + 1 == bits;
    }
    if (!sameLength) continue;
    for (unsigned rest = 0; rest < (1u << lowBits); ++rest) {
      t.literalByte[nextSlot + rest] =
          static_cast<uint8_t>(LiteralEntry::Byte(t.literal[prefix | rest << kPrefixBits]));
    }
    steps[prefix] = StepEntry::Pack(bits, lowBits, 1, nextSlot);
    nextSlot += 1u << lowBits;
  }
}

std::unique_ptr<const Tables> MakeTables() {
  auto t = std::make_unique<Tables>();
  FillCodeTables(*t);
  uint32_t asciiLiteral[1u << (kStepIndexBits - 1)];
  for (uint32_t& entry : asciiLiteral) entry = StepEntry::kNone;
  FillAsciiLiteralSteps(*t, asciiLiteral);
  for (unsigned mode = 0; mode < 2; ++mode) {
    for (unsigned dictBits = 4; dictBits <= 6; ++dictBits) {
      for (unsigned i = 0; i < (1u << kStepIndexBits); ++i) {
        t->step[mode][dictBits - 4][i] = mode == 1 && (i & 1) == 0 ? asciiLiteral[i >> 1] : MakeStep(dictBits, i, *t);
      }
    }
  }
  return t;
}

}  // namespace

const Tables& DecodingTables() {
  static const std::unique_ptr<const Tables> tables = MakeTables();
  return *tables;
}

}  // namespace yv::archive::explode_tables
