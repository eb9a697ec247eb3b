#include "archive/explode.h"

#include <array>
#include <cstdint>
#include <cstring>
#include <new>

#include "archive/byte_order.h"

namespace yv::archive {

namespace {

// ---- The three fixed prefix codes -------------------------------------------------------

constexpr unsigned kLengthSymbols = 16;
constexpr unsigned kDistanceSymbols = 64;
constexpr unsigned kLiteralSymbols = 256;

constexpr uint8_t kLengthCodeLengths[kLengthSymbols] = {3, 2, 3, 3, 4, 4, 4, 5,
                                                        5, 5, 5, 6, 6, 6, 7, 7};

constexpr std::array<uint8_t, kDistanceSymbols> MakeDistanceCodeLengths() {
  std::array<uint8_t, kDistanceSymbols> lengths{};
  for (unsigned h = 0; h < kDistanceSymbols; ++h) {
    lengths[h] = h == 0 ? 2 : h <= 2 ? 4 : h <= 6 ? 5 : h <= 21 ? 6 : h <= 47 ? 7 : 8;
  }
  return lengths;
}
constexpr std::array<uint8_t, kDistanceSymbols> kDistanceCodeLengths = MakeDistanceCodeLengths();

// Code length of each byte value in ASCII literal mode (row = high hex digit).
constexpr uint8_t kLiteralCodeLengths[kLiteralSymbols] = {
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

// A code as the stream carries it: the value of its `length` next bits, read least
// significant bit first.
struct StreamCode {
  uint16_t value;
  uint8_t length;
};

// Canonical codes from the code lengths (shorter codes first, equal lengths in symbol
// order, each code the previous plus one, shifted left as the length grows), then every
// bit inverted, sent most significant bit first. Read least significant bit first, a
// code therefore shows as its inverted bits in reverse order.
template <std::size_t N>
constexpr std::array<StreamCode, N> MakeStreamCodes(const uint8_t (&lengths)[N]) {
  std::array<StreamCode, N> codes{};
  uint32_t code = 0;
  unsigned previousLength = 0;
  bool first = true;
  for (unsigned length = 1; length <= 16; ++length) {
    for (std::size_t symbol = 0; symbol < N; ++symbol) {
      if (lengths[symbol] != length) continue;
      code = first ? 0 : (code + 1) << (length - previousLength);
      first = false;
      previousLength = length;
      uint32_t inverted = ~code & ((1u << length) - 1);
      uint32_t reversed = 0;
      for (unsigned bit = 0; bit < length; ++bit) reversed |= ((inverted >> bit) & 1u) << (length - 1 - bit);
      codes[symbol] = StreamCode{static_cast<uint16_t>(reversed), static_cast<uint8_t>(length)};
    }
  }
  return codes;
}

template <std::size_t N>
constexpr std::array<StreamCode, N> MakeStreamCodes(const std::array<uint8_t, N>& lengths) {
  uint8_t plain[N] = {};
  for (std::size_t i = 0; i < N; ++i) plain[i] = lengths[i];
  return MakeStreamCodes(plain);
}

constexpr auto kLengthCodes = MakeStreamCodes(kLengthCodeLengths);
constexpr auto kDistanceCodes = MakeStreamCodes(kDistanceCodeLengths);
constexpr auto kLiteralCodes = MakeStreamCodes(kLiteralCodeLengths);

static_assert(kLengthCodes[0].value == 5 && kLengthCodes[1].value == 3 &&
                  kLengthCodes[2].value == 1 && kLengthCodes[3].value == 6 &&
                  kLengthCodes[15].value == 0 && kLengthCodes[15].length == 7,
              "length code");
static_assert(kDistanceCodes[0].value == 3 && kDistanceCodes[63].value == 0 &&
                  kDistanceCodes[63].length == 8,
              "distance code");
static_assert(kLiteralCodes[0x20].value == 15 && kLiteralCodes[0x20].length == 4 &&
                  kLiteralCodes[0x65].value == 27 && kLiteralCodes[0x65].length == 5 &&
                  kLiteralCodes[0xFF].value == 0 && kLiteralCodes[0xFF].length == 13,
              "ASCII literal code");

// Length symbols: ExtraBits(s) is 0 up to 7, then s - 7; Base(s) is s up to 8, then the
// previous base plus 2 to the previous symbol's extra bits.
constexpr unsigned ExtraBits(unsigned s) { return s < 8 ? 0 : s - 7; }
constexpr std::array<uint16_t, kLengthSymbols> MakeBases() {
  std::array<uint16_t, kLengthSymbols> bases{};
  for (unsigned s = 0; s < kLengthSymbols; ++s) {
    bases[s] = static_cast<uint16_t>(s <= 8 ? s : bases[s - 1] + (1u << ExtraBits(s - 1)));
  }
  return bases;
}
constexpr auto kLengthBases = MakeBases();
static_assert(kLengthBases[15] == 262, "length bases");

constexpr unsigned kEndOfStream = 517;  // symbol 15 with all eight extra bits set

// ---- Work area -----------------------------------------------------------------------------

constexpr unsigned kHistory = 4096;        // bytes kept before new output
constexpr unsigned kFlushAt = 8192;        // output position that triggers a block write
constexpr unsigned kLongestCopy = 518;
constexpr unsigned kWindowPositions = kFlushAt - 1 + kLongestCopy;  // 0..8708
// Copies move eight bytes at a time and may run up to seven bytes past their end.
constexpr unsigned kCopySlack = 8;
constexpr unsigned kLiteralTableBits = 13;  // the longest ASCII literal code

// The most bits one token consumes: flag 1, length code 7, extra 8, distance code 8,
// low distance bits 6. With that many bits plus the 8 of the look-ahead in the bit
// register, a token cannot run out of input and is decoded without checks.
constexpr unsigned kLongestToken = 1 + 7 + 8 + 8 + 6;
constexpr unsigned kUncheckedBits = kLongestToken + 8;

struct ExplodeState {
  // Length table entry: base | extra bits << 16 | bits consumed by flag and code << 24.
  uint32_t lengthTable[256];
  // Distance table entry: symbol | code length << 8.
  uint16_t distanceTable[256];
  // ASCII literal table, indexed by the next 13 bits: byte | code length << 8.
  uint16_t literalTable[1u << kLiteralTableBits];
  unsigned char input[kExplodeReadRequest];
  unsigned char window[kWindowPositions + kCopySlack];
};

static_assert(sizeof(ExplodeState) + alignof(ExplodeState) - 1 <= kExplodeWorkAreaSize,
              "the decoder state must fit in the caller's work area");

ExplodeState* StateIn(char* workArea) {
  auto address = reinterpret_cast<std::uintptr_t>(workArea);
  address = (address + alignof(ExplodeState) - 1) & ~(std::uintptr_t{alignof(ExplodeState)} - 1);
  return new (reinterpret_cast<void*>(address)) ExplodeState;
}

void BuildTables(ExplodeState& s, bool asciiLiterals) {
  for (unsigned i = 0; i < 256; ++i) {
    for (unsigned sym = 0; sym < kLengthSymbols; ++sym) {
      const StreamCode c = kLengthCodes[sym];
      if ((i & ((1u << c.length) - 1)) == c.value) {
        s.lengthTable[i] = kLengthBases[sym] | (ExtraBits(sym) << 16) | ((c.length + 1u) << 24);
        break;
      }
    }
  }
  for (unsigned h = 0; h < kDistanceSymbols; ++h) {
    const StreamCode c = kDistanceCodes[h];
    for (unsigned i = c.value; i < 256; i += 1u << c.length) {
      s.distanceTable[i] = static_cast<uint16_t>(h | (c.length << 8));
    }
  }
  if (asciiLiterals) {
    for (unsigned byte = 0; byte < kLiteralSymbols; ++byte) {
      const StreamCode c = kLiteralCodes[byte];
      for (unsigned i = c.value; i < (1u << kLiteralTableBits); i += 1u << c.length) {
        s.literalTable[i] = static_cast<uint16_t>(byte | (c.length << 8));
      }
    }
  }
}

// Copies `length` bytes from `distance` back, one byte after the other in effect, so a
// copy longer than its distance repeats what it has just produced.
inline void CopyMatch(unsigned char* out, unsigned distance, unsigned length) {
  const unsigned char* from = out - distance;
  if (distance >= 8) {
    unsigned char* end = out + length;
    do {
      std::memcpy(out, from, 8);
      out += 8;
      from += 8;
    } while (out < end);
  } else if (distance == 1) {
    std::memset(out, *from, length);
  } else {
    for (unsigned i = 0; i < length; ++i) out[i] = from[i];
  }
}

}  // namespace

unsigned Explode(ExplodeRead read, ExplodeWrite write, char* workArea, void* param) {
  ExplodeState& s = *StateIn(workArea);
  char* const inputChars = reinterpret_cast<char*>(s.input);

  unsigned request = kExplodeReadRequest;
  unsigned inFill = read(inputChars, &request, param);
  if (inFill > kExplodeReadRequest) inFill = kExplodeReadRequest;
  if (inFill <= 4) return kExplodeInputTooShort;
  const unsigned literalMode = s.input[0];
  const unsigned dictBits = s.input[1];
  if (dictBits < 4 || dictBits > 6) return kExplodeBadDictionary;
  if (literalMode > 1) return kExplodeBadLiteralMode;
  const bool asciiLiterals = literalMode == 1;
  const uint64_t dictMask = (1u << dictBits) - 1;
  BuildTables(s, asciiLiterals);
  // Copies that reach before the first byte of output yield zero bytes.
  std::memset(s.window, 0, kHistory);

  // Bit register: `bitCount` bits of the stream, least significant first. Bits above
  // the count are either zero or the very bits of the input bytes not yet counted, so
  // OR-ing those bytes in again changes nothing.
  uint64_t bits = 0;
  unsigned bitCount = 0;
  unsigned inPos = 2;
  bool inputEnded = false;
  unsigned char* const window = s.window;
  unsigned outPos = kHistory;
  unsigned result = kExplodeOk;

  for (;;) {
    // Refill the bit register.
    if (inFill - inPos >= 8) {
      bits |= LoadLE64(s.input + inPos) << bitCount;
      inPos += (63 - bitCount) >> 3;
      bitCount |= 56;
    } else {
      while (bitCount <= 56) {
        if (inPos < inFill) {
          bits |= static_cast<uint64_t>(s.input[inPos++]) << bitCount;
          bitCount += 8;
          continue;
        }
        if (bitCount >= kUncheckedBits || inputEnded) break;
        request = kExplodeReadRequest;
        unsigned got = read(inputChars, &request, param);
        if (got > kExplodeReadRequest) got = kExplodeReadRequest;
        if (got == 0) {
          inputEnded = true;
          break;
        }
        inPos = 0;
        inFill = got;
      }
    }

    if (bitCount >= kUncheckedBits) {
      // Enough bits for any token: decode without checks while that holds.
      do {
        if (!(bits & 1)) {
          if (asciiLiterals) {
            const unsigned entry = s.literalTable[(bits >> 1) & ((1u << kLiteralTableBits) - 1)];
            window[outPos++] = static_cast<unsigned char>(entry);
            const unsigned used = (entry >> 8) + 1;
            bits >>= used;
            bitCount -= used;
          } else {
            window[outPos++] = static_cast<unsigned char>(bits >> 1);
            bits >>= 9;
            bitCount -= 9;
          }
        } else {
          const uint32_t lengthEntry = s.lengthTable[(bits >> 1) & 0xFF];
          const unsigned codeUsed = lengthEntry >> 24;
          bits >>= codeUsed;
          const unsigned extra = (lengthEntry >> 16) & 0xFF;
          const unsigned value = (lengthEntry & 0xFFFF) + static_cast<unsigned>(bits & ((1u << extra) - 1));
          bits >>= extra;
          bitCount -= codeUsed + extra;
          if (value == kEndOfStream) goto done;
          const unsigned length = value + 2;
          const unsigned distanceEntry = s.distanceTable[bits & 0xFF];
          const unsigned distanceCode = distanceEntry >> 8;
          bits >>= distanceCode;
          const unsigned lowBits = length == 2 ? 2 : dictBits;
          const uint64_t lowMask = length == 2 ? 3 : dictMask;
          const unsigned distance =
              (((distanceEntry & 0x3F) << lowBits) | static_cast<unsigned>(bits & lowMask)) + 1;
          bits >>= lowBits;
          bitCount -= distanceCode + lowBits;
          CopyMatch(window + outPos, distance, length);
          outPos += length;
        }
        if (outPos >= kFlushAt) {
          unsigned blockSize = kExplodeBlockSize;
          write(reinterpret_cast<char*>(window + kHistory), &blockSize, param);
          std::memmove(window, window + kHistory, outPos - kHistory);
          outPos -= kHistory;
        }
      } while (bitCount >= kUncheckedBits);
      continue;
    }

    // The input has ended and every bit left is in the register: check each consumption.
    // The decoder can look at the last 8 bits but never consume them.
    {
      auto consume = [&](unsigned n) {
        if (n + 8 > bitCount) return false;
        bits >>= n;
        bitCount -= n;
        return true;
      };
      const bool isCopy = bits & 1;
      if (!consume(1)) {
        result = kExplodeBrokenStream;
        break;
      }
      if (!isCopy) {
        unsigned byte;
        unsigned used;
        if (asciiLiterals) {
          const unsigned entry = s.literalTable[bits & ((1u << kLiteralTableBits) - 1)];
          byte = entry & 0xFF;
          used = entry >> 8;
        } else {
          byte = static_cast<unsigned>(bits & 0xFF);
          used = 8;
        }
        if (!consume(used)) {
          result = kExplodeBrokenStream;
          break;
        }
        window[outPos++] = static_cast<unsigned char>(byte);
      } else {
        const uint32_t lengthEntry = s.lengthTable[bits & 0xFF];
        if (!consume((lengthEntry >> 24) - 1)) {
          result = kExplodeBrokenStream;
          break;
        }
        const unsigned extra = (lengthEntry >> 16) & 0xFF;
        const unsigned base = lengthEntry & 0xFFFF;
        const unsigned e = static_cast<unsigned>(bits & ((1u << extra) - 1));
        if (!consume(extra)) {
          // An end-of-stream code may end on the very last bit of the input.
          if (extra == 8 && base + e == kEndOfStream) break;
          result = kExplodeBrokenStream;
          break;
        }
        const unsigned value = base + e;
        if (value == kEndOfStream) break;
        const unsigned length = value + 2;
        const unsigned distanceEntry = s.distanceTable[bits & 0xFF];
        if (!consume(distanceEntry >> 8)) {
          result = kExplodeBrokenStream;
          break;
        }
        const unsigned lowBits = length == 2 ? 2 : dictBits;
        const unsigned low = static_cast<unsigned>(bits & ((1u << lowBits) - 1));
        if (!consume(lowBits)) {
          result = kExplodeBrokenStream;
          break;
        }
        const unsigned distance = (((distanceEntry & 0x3F) << lowBits) | low) + 1;
        CopyMatch(window + outPos, distance, length);
        outPos += length;
      }
      if (outPos >= kFlushAt) {
        unsigned blockSize = kExplodeBlockSize;
        write(reinterpret_cast<char*>(window + kHistory), &blockSize, param);
        std::memmove(window, window + kHistory, outPos - kHistory);
        outPos -= kHistory;
      }
    }
  }

done:
  unsigned lastSize = outPos - kHistory;
  write(reinterpret_cast<char*>(window + kHistory), &lastSize, param);
  return result;
}

}  // namespace yv::archive
