#include "archive/explode.h"

#include <array>
#include <cstdint>
#include <cstring>
#include <new>

#include "archive/byte_order.h"
#include "archive/implode_codes.h"

namespace yv::archive {

namespace {

// The codes and copy lengths come from implode_codes.h.
constexpr unsigned kLengthSymbols = 16;
constexpr unsigned kDistanceSymbols = 64;
constexpr unsigned kLiteralSymbols = 256;
constexpr unsigned kEndOfStream = kEndOfStreamLengthValue;

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
        s.lengthTable[i] = LengthSymbolBase(sym) | (LengthSymbolExtraBits(sym) << 16) | ((c.length + 1u) << 24);
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
      const StreamCode c = kAsciiCodes[byte];
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
  // Writes the full block at 4096..8191 and keeps what follows it, moved down, as the
  // last 4096 bytes that later copies may reach.
  auto flush = [&] {
    unsigned blockSize = kExplodeBlockSize;
    write(reinterpret_cast<char*>(window + kHistory), &blockSize, param);
    std::memmove(window, window + kHistory, outPos - kHistory);
    outPos -= kHistory;
  };

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
        if (outPos >= kFlushAt) flush();
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
      if (outPos >= kFlushAt) flush();
    }
  }

done:
  unsigned lastSize = outPos - kHistory;
  write(reinterpret_cast<char*>(window + kHistory), &lastSize, param);
  return result;
}

}  // namespace yv::archive
