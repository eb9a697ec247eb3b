#include "archive/explode.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <new>

#include "archive/byte_order.h"
#include "archive/explode_tables.h"
#include "archive/implode_codes.h"

namespace yv::archive {

namespace {

using explode_tables::kTables;

constexpr unsigned kEndOfStream = kEndOfStreamLengthValue;

// ---- Work area -----------------------------------------------------------------------------

// The window keeps the 4096 bytes that copies may reach, then collects several output
// blocks before they are written, so that the history is moved down once per seven
// blocks rather than once per block.
constexpr unsigned kHistory = 4096;  // bytes kept before new output
constexpr unsigned kBlocksPerFlush = 7;
constexpr unsigned kFlushAt = kHistory + kBlocksPerFlush * kExplodeBlockSize;  // triggers the writes
// A pass of the fast loop may write a short copy step and then a whole copy past the
// flush position.
constexpr unsigned kLongestStep = 63;
constexpr unsigned kWindowPositions = kFlushAt - 1 + kLongestStep + kMaxCopyLength;
// Copies move eight bytes at a time, at least sixteen, so they may write up to fifteen
// bytes past their end.
constexpr unsigned kCopySlack = 16;

// The most bits one token consumes: flag 1, length code 7, extra 8, distance code 8,
// low distance bits 6. With that many bits beyond the look-ahead in the bit register,
// a token is decoded without checks.
constexpr unsigned kLongestToken = 1 + 7 + 8 + 8 + 6;
constexpr unsigned kUncheckedBits = kLongestToken + 8;

struct ExplodeState {
  unsigned char input[kExplodeReadRequest];
  unsigned char window[kWindowPositions + kCopySlack];
};

static_assert(sizeof(ExplodeState) <= kExplodeWorkAreaSize, "the decoder state must fit in the caller's work area");
// After a refill (56 bits or more): two steps of at most 18 bits, or a step and a token.
static_assert(2 * 18 <= 56 && 18 + kLongestToken <= 56);

// The stream's bits: `count` valid bits, least significant first. Bits above the count
// are either zero or the very bits of the input bytes not yet counted, so OR-ing those
// bytes in again changes nothing.
struct BitRegister {
  uint64_t bits = 0;
  unsigned count = 0;

  // Precondition: 8 bytes readable at `in`. Afterwards count >= 56; returns where the
  // next unread byte is.
  const unsigned char* Refill(const unsigned char* in) {
    bits |= LoadLE64(in) << count;
    in += (63 - count) >> 3;
    count |= 56;
    return in;
  }
  void Drop(unsigned n) {
    bits >>= n;
    count -= n;
  }
};

// Copies `length` bytes from `distance` back, one byte after the other in effect, so a
// copy longer than its distance repeats what it has just produced. Precondition:
// `distance` bytes precede `out`, and `out + length + 15` is writable.
inline unsigned char* CopyMatch(unsigned char* out, unsigned distance, unsigned length) {
  const unsigned char* from = out - distance;
  unsigned char* const end = out + length;
  if (distance >= 8) {
    // Each 8-byte step reads only bytes already in place.
    std::memcpy(out, from, 8);
    std::memcpy(out + 8, from + 8, 8);
    if (length > 16) {
      out += 16;
      from += 16;
      do {
        std::memcpy(out, from, 8);
        out += 8;
        from += 8;
      } while (out < end);
    }
  } else if (distance == 1) {
    std::memset(out, *from, length);
  } else {
    // A period of 2 to 7 bytes is also a period of any multiple of it: once the first
    // multiple of 8 bytes or more is in place, 8-byte steps read only bytes in place.
    const unsigned period = distance * ((8 + distance - 1) / distance);
    const unsigned head = length < period ? length : period;
    for (unsigned i = 0; i < head; ++i) out[i] = from[i];
    for (unsigned char* o = out + period; o < end; o += 8) std::memcpy(o, o - period, 8);
  }
  return end;
}

// One literal. Precondition: the register holds the whole literal with its flag (0).
template <bool kAscii>
inline void DecodeLiteral(BitRegister& r, unsigned char*& out) {
  if (kAscii) {
    const uint32_t entry = kTables.literalRun[(r.bits >> 1) & ((1u << explode_tables::kLiteralIndexBits) - 1)];
    *out++ = static_cast<unsigned char>(entry);
    r.Drop(entry >> 28);
  } else {
    *out++ = static_cast<unsigned char>(r.bits >> 1);
    r.Drop(9);
  }
}

// One copy, or the end-of-stream code (true). Precondition: the register holds
// kLongestToken bits starting with the flag (1).
inline bool DecodeCopy(BitRegister& r, unsigned char*& out, unsigned dictBits) {
  const uint32_t lengthEntry = kTables.length[(r.bits >> 1) & 0xFF];
  r.Drop(lengthEntry >> 24);
  const unsigned extra = (lengthEntry >> 16) & 0xFF;
  const unsigned value = (lengthEntry & 0xFFFF) + static_cast<unsigned>(r.bits & ((1u << extra) - 1));
  r.Drop(extra);
  if (value == kEndOfStream) return true;
  const unsigned length = value + 2;
  const unsigned distanceEntry = kTables.distance[r.bits & 0xFF];
  r.Drop(distanceEntry >> 8);
  const unsigned lowBits = length == 2 ? 2 : dictBits;
  const unsigned distance =
      (((distanceEntry & 0x3F) << lowBits) | static_cast<unsigned>(r.bits & ((1u << lowBits) - 1))) + 1;
  r.Drop(lowBits);
  out = CopyMatch(out, distance, length);
  return false;
}

// One token without checks, or the end-of-stream code (true). Precondition: the
// register holds kLongestToken bits.
template <bool kAscii>
inline bool DecodeToken(BitRegister& r, unsigned char*& out, unsigned dictBits) {
  if (!(r.bits & 1)) {
    DecodeLiteral<kAscii>(r, out);
    return false;
  }
  return DecodeCopy(r, out, dictBits);
}

// Two tokens after each refill while they are steps of Tables::step (a literal, or a copy
// whose codes fit in its index): no branch between literals and copies, whose order is
// hard to foresee. Other tokens take DecodeToken. Decodes while 8 input bytes are left
// before `inEnd` and the output is below `outStop`; returns true on the end-of-stream
// code. Precondition: the window holds kHistory bytes before `out` and room for a step
// and a copy past `outStop`.
template <bool kAscii>
bool DecodeSteps(BitRegister& r, const unsigned char*& in, const unsigned char* inEnd, unsigned char*& out,
                 const unsigned char* outStop, unsigned dictBits) {
  const uint32_t* const steps = kTables.step[kAscii][dictBits - 4];
  BitRegister reg = r;
  const unsigned char* next = in;
  unsigned char* o = out;
  bool ended = false;
  // One step of at most 18 bits (12 of codes, 6 low bits): false for a token that is
  // not a step.
  auto step = [&]() {
    const uint32_t entry = steps[reg.bits & ((1u << explode_tables::kStepIndexBits) - 1)];
    if (entry == 0) return false;
    const unsigned total = entry & 63;
    const unsigned length = (entry >> 12) & 63;
    const unsigned distance = (entry >> 18) + static_cast<unsigned>((reg.bits << (64 - total)) >> ((entry >> 6) & 63));
    // A literal is stored, then "copied" from far back to the byte after it: bytes that
    // later tokens overwrite.
    o[0] = kAscii ? kTables.literalByte[distance] : static_cast<unsigned char>(reg.bits >> 1);
    unsigned char* const to = o + 1 - static_cast<unsigned>(reg.bits & 1);
    reg.Drop(total);
    if (distance < 8) {
      o = CopyMatch(o, distance, length);  // a copy: a literal's distance is far longer
      return true;
    }
    const unsigned char* from = to - distance;
    std::memcpy(to, from, 8);
    std::memcpy(to + 8, from + 8, 8);
    if (length > 16) {
      for (unsigned done = 16; done < length; done += 8) std::memcpy(to + done, from + done, 8);
    }
    o += length;
    return true;
  };
  while (o < outStop && inEnd - next >= 8) {
    next = reg.Refill(next);
    // 56 bits or more: two steps, or a step and any token (at most kLongestToken).
    if (step() && step()) continue;
    if (DecodeToken<kAscii>(reg, o, dictBits)) {
      ended = true;
      break;
    }
  }
  r = reg;
  in = next;
  out = o;
  return ended;
}

// One token at the end of the input, where every bit left is in the register: each
// consumption is checked. The decoder can look at the last 8 bits but never consume
// them. Returns kExplodeOk on the end-of-stream code, kExplodeBrokenStream when the
// token runs past the input, and a third value to go on.
constexpr unsigned kGoOn = 0xFF;

template <bool kAscii>
unsigned DecodeCheckedToken(BitRegister& r, unsigned char*& out, unsigned dictBits) {
  auto consume = [&](unsigned n) {
    if (n + 8 > r.count) return false;
    r.Drop(n);
    return true;
  };
  const bool isCopy = r.bits & 1;
  if (!consume(1)) return kExplodeBrokenStream;
  if (!isCopy) {
    unsigned byte = static_cast<unsigned>(r.bits & 0xFF);
    unsigned used = 8;
    if (kAscii) {
      const uint32_t entry = kTables.literalRun[r.bits & ((1u << explode_tables::kLiteralIndexBits) - 1)];
      byte = entry & 0xFF;
      used = (entry >> 28) - 1;
    }
    if (!consume(used)) return kExplodeBrokenStream;
    *out++ = static_cast<unsigned char>(byte);
    return kGoOn;
  }
  const uint32_t lengthEntry = kTables.length[r.bits & 0xFF];
  if (!consume((lengthEntry >> 24) - 1)) return kExplodeBrokenStream;
  const unsigned extra = (lengthEntry >> 16) & 0xFF;
  const unsigned value = (lengthEntry & 0xFFFF) + static_cast<unsigned>(r.bits & ((1u << extra) - 1));
  // An end-of-stream code may end on the very last bit of the input.
  if (!consume(extra)) return extra == 8 && value == kEndOfStream ? kExplodeOk : kExplodeBrokenStream;
  if (value == kEndOfStream) return kExplodeOk;
  const unsigned length = value + 2;
  const unsigned distanceEntry = kTables.distance[r.bits & 0xFF];
  if (!consume(distanceEntry >> 8)) return kExplodeBrokenStream;
  const unsigned lowBits = length == 2 ? 2 : dictBits;
  const unsigned low = static_cast<unsigned>(r.bits & ((1u << lowBits) - 1));
  if (!consume(lowBits)) return kExplodeBrokenStream;
  out = CopyMatch(out, (((distanceEntry & 0x3F) << lowBits) | low) + 1, length);
  return kGoOn;
}

// The whole decode after the stream header: the fast loop while the input buffer holds
// 8 bytes or more, the register filled byte by byte (and the input refilled) otherwise.
template <bool kAscii>
unsigned DecodeTokens(ExplodeState& s, unsigned inFill, ExplodeRead read, ExplodeWrite write, void* param,
                      unsigned dictBits) {
  char* const inputChars = reinterpret_cast<char*>(s.input);
  unsigned char* const window = s.window;
  const unsigned char* const flushAt = window + kFlushAt;
  // Load byte 2 as the first 8 bits; continue at byte 3.
  BitRegister r;
  const unsigned char* in = s.input + 2;
  const unsigned char* inEnd = s.input + inFill;
  bool inputEnded = false;
  unsigned char* out = window + kHistory;
  unsigned result = kGoOn;

  // Writes the full blocks from position 4096 on and keeps what follows them, moved down
  // behind the last 4096 bytes written, which later copies may reach.
  auto flush = [&] {
    unsigned char* block = window + kHistory;
    for (; out - block >= static_cast<std::ptrdiff_t>(kExplodeBlockSize); block += kExplodeBlockSize) {
      unsigned blockSize = kExplodeBlockSize;
      write(reinterpret_cast<char*>(block), &blockSize, param);
    }
    std::memmove(window, block - kHistory, static_cast<std::size_t>(out - (block - kHistory)));
    out -= block - (window + kHistory);
  };

  while (result == kGoOn) {
    if (inEnd - in >= 8) {
      if (DecodeSteps<kAscii>(r, in, inEnd, out, flushAt, dictBits)) result = kExplodeOk;
    } else {
      // Fewer than 8 bytes left in the buffer: fill the register byte by byte, reading
      // more input once the buffer is used up.
      while (r.count <= 56) {
        if (in < inEnd) {
          r.bits |= static_cast<uint64_t>(*in++) << r.count;
          r.count += 8;
          continue;
        }
        if (r.count >= kUncheckedBits || inputEnded) break;
        unsigned request = kExplodeReadRequest;
        unsigned got = read(inputChars, &request, param);
        if (got > kExplodeReadRequest) got = kExplodeReadRequest;
        if (got == 0) {
          inputEnded = true;
          break;
        }
        in = s.input;
        inEnd = s.input + got;
        if (got >= 8) break;  // back to the fast loop
      }
      if (inEnd - in >= 8 && r.count < kUncheckedBits) continue;
      if (r.count >= kUncheckedBits) {
        if (DecodeToken<kAscii>(r, out, dictBits)) result = kExplodeOk;
      } else {
        result = DecodeCheckedToken<kAscii>(r, out, dictBits);
      }
    }
    if (out >= flushAt) flush();
  }
  flush();
  unsigned lastSize = static_cast<unsigned>(out - (window + kHistory));
  write(reinterpret_cast<char*>(window + kHistory), &lastSize, param);
  return result;
}

}  // namespace

unsigned Explode(ExplodeRead read, ExplodeWrite write, char* workArea, void* param) {
  ExplodeState& s = *new (workArea) ExplodeState;
  unsigned request = kExplodeReadRequest;
  unsigned inFill = read(reinterpret_cast<char*>(s.input), &request, param);
  if (inFill > kExplodeReadRequest) inFill = kExplodeReadRequest;
  // The checks run in this order: size, dictionary, literal mode.
  if (inFill <= 4) return kExplodeInputTooShort;
  const unsigned literalMode = s.input[0];
  const unsigned dictBits = s.input[1];
  if (dictBits < 4 || dictBits > 6) return kExplodeBadDictionary;
  if (literalMode > 1) return kExplodeBadLiteralMode;
  // Copies that reach before the first byte of output yield zero bytes.
  std::memset(s.window, 0, kHistory);
  return literalMode == 1 ? DecodeTokens<true>(s, inFill, read, write, param, dictBits)
                          : DecodeTokens<false>(s, inFill, read, write, param, dictBits);
}

}  // namespace yv::archive
