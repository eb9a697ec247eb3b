#include "archive/explode.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <new>

#include "archive/byte_order.h"
#include "archive/explode_tables.h"
#include "archive/implode_codes.h"

// The fast loop's step is a lambda for the source's sake; it must be inlined.
#if defined(__GNUC__)
#define YV_ALWAYS_INLINE __attribute__((always_inline))
#else
#define YV_ALWAYS_INLINE
#endif

namespace yv::archive {

namespace {

namespace tables = explode_tables;
using tables::DecodingTables;
using tables::DistanceEntry;
using tables::LengthEntry;
using tables::LiteralEntry;
using tables::StepEntry;
using tables::Tables;

// ---- Work area -----------------------------------------------------------------------------

// The window keeps the 4096 bytes that copies may reach, then collects several output
// blocks before they are written, so that the history is moved down once per seven
// blocks rather than once per block.
constexpr unsigned kHistory = 4096;  // bytes kept before new output
constexpr unsigned kBlocksPerFlush = 7;
constexpr unsigned kFlushAt = kHistory + kBlocksPerFlush * kExplodeBlockSize;  // triggers the writes
// A pass of the fast loop may make two steps and then a whole copy past the flush
// position.
constexpr unsigned kWindowPositions = kFlushAt - 1 + 2 * tables::kLongestStep + kMaxCopyLength;
// Copies move 16 bytes at a time, at least 64 (8 at a time, at least 16, when they
// repeat what is closer than 16 bytes back), so they may write up to 63 bytes past their
// end.
constexpr unsigned kCopySlack = 64;

// The most bits one token consumes: flag 1, length code 7, extra 8, distance code 8,
// low distance bits 6. With that many bits beyond the look-ahead in the bit register,
// a token is decoded without checks.
constexpr unsigned kLongestToken = 1 + 7 + 8 + 8 + 6;
constexpr unsigned kUncheckedBits = kLongestToken + 8;
// The most bits one step consumes: its codes in the index, then up to 6 low bits.
constexpr unsigned kLongestStepBits = tables::kStepIndexBits + 6;

struct ExplodeState {
  unsigned char input[kExplodeReadRequest];
  unsigned char window[kWindowPositions + kCopySlack];
};

static_assert(sizeof(ExplodeState) <= kExplodeWorkAreaSize, "the decoder state must fit in the caller's work area");
// After a refill (56 bits or more): three steps, or two and a look at the index.
static_assert(3 * kLongestStepBits <= 56 && kLongestToken <= 56);

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
  unsigned Peek(unsigned n) const { return static_cast<unsigned>(bits & ((uint64_t{1} << n) - 1)); }
  void Drop(unsigned n) {
    bits >>= n;
    count -= n;
  }
  unsigned Take(unsigned n) {
    const unsigned v = Peek(n);
    Drop(n);
    return v;
  }
};

// Copies `length` bytes from `distance` back, one byte after the other in effect, so a
// copy longer than its distance repeats what it has just produced. Precondition:
// `distance` bytes precede `out`, and `out + length + kCopySlack - 1` is writable.
inline unsigned char* CopyMatch(unsigned char* out, unsigned distance, unsigned length) {
  const unsigned char* from = out - distance;
  unsigned char* const end = out + length;
  if (distance >= 16) {
    // Each 16-byte step reads only bytes already in place. Copies of up to 64 bytes (all
    // long copies but the longest few) take no branch.
    for (unsigned i = 0; i < 64; i += 16) std::memcpy(out + i, from + i, 16);
    for (out += 64, from += 64; out < end; out += 16, from += 16) std::memcpy(out, from, 16);
  } else if (distance >= 8) {
    std::memcpy(out, from, 8);
    std::memcpy(out + 8, from + 8, 8);
    for (out += 16, from += 16; out < end; out += 8, from += 8) std::memcpy(out, from, 8);
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

// The distance of a copy of `length` bytes, whose distance code comes next.
// Precondition: the register holds the distance code and the low bits.
inline unsigned TakeDistance(const Tables& t, BitRegister& r, unsigned lowBits) {
  const unsigned entry = t.distance[r.Peek(8)];
  r.Drop(DistanceEntry::Bits(entry));
  return CopyDistance(DistanceEntry::Symbol(entry), r.Take(lowBits), lowBits);
}

// One literal. Precondition: the register holds the whole literal with its flag (0).
template <bool kAscii>
inline void DecodeLiteral(const Tables& t, BitRegister& r, unsigned char*& out) {
  r.Drop(1);
  if (kAscii) {
    const unsigned entry = t.literal[r.Peek(tables::kLiteralIndexBits)];
    *out++ = static_cast<unsigned char>(LiteralEntry::Byte(entry));
    r.Drop(LiteralEntry::Bits(entry));
  } else {
    *out++ = static_cast<unsigned char>(r.Take(8));
  }
}

// One copy, or the end-of-stream code (true). Precondition: the register holds
// kLongestToken bits starting with the flag (1).
inline bool DecodeCopy(const Tables& t, BitRegister& r, unsigned char*& out, unsigned dictBits) {
  const uint32_t lengthEntry = t.length[(r.bits >> 1) & 0xFF];
  r.Drop(LengthEntry::Bits(lengthEntry));
  const unsigned value = LengthEntry::ValueBase(lengthEntry) + r.Take(LengthEntry::ExtraBits(lengthEntry));
  if (value == kEndOfStreamLengthValue) return true;
  const unsigned length = CopyLength(value);
  out = CopyMatch(out, TakeDistance(t, r, LowDistanceBits(length, dictBits)), length);
  return false;
}

// One token without checks, or the end-of-stream code (true). Precondition: the
// register holds kLongestToken bits.
template <bool kAscii>
inline bool DecodeToken(const Tables& t, BitRegister& r, unsigned char*& out, unsigned dictBits) {
  if (!(r.bits & 1)) {
    DecodeLiteral<kAscii>(t, r, out);
    return false;
  }
  return DecodeCopy(t, r, out, dictBits);
}

// Three tokens after each refill while they are steps of Tables::step (a literal, or a
// copy whose codes fit in its index): no branch between literals and copies, whose order
// is hard to foresee. The register is filled again for a token that is not a step, a
// long copy (which takes its distance from Tables::distance) or one that DecodeToken
// decodes. Decodes while 15 input bytes are left before `inEnd` (two refills) and the
// output is below `outStop`; returns true on the end-of-stream code. Precondition: the
// window holds kHistory bytes before `out` and room for two steps and a copy past
// `outStop`.
template <bool kAscii>
bool DecodeSteps(const Tables& t, BitRegister& r, const unsigned char*& in, const unsigned char* inEnd,
                 unsigned char*& out, const unsigned char* outStop, unsigned dictBits) {
  const uint32_t* const steps = t.step[kAscii][dictBits - 4];
  BitRegister reg = r;
  const unsigned char* next = in;
  unsigned char* o = out;
  bool ended = false;
  uint32_t entry = 0;
  // One step: false for a token that is not a step, whose entry is left in `entry`. The
  // register's count is kept in its low 6 bits alone (less whole entries, whose low 6
  // bits are their Bits), so that the shifts take the entry as it is.
  auto step = [&]() YV_ALWAYS_INLINE {
    entry = steps[reg.bits & tables::kStepIndexMask];
    if (!StepEntry::IsStep(entry)) return false;
    const unsigned length = StepEntry::Length(entry);
    const unsigned distance = StepEntry::DistanceBase(entry) +
                              static_cast<unsigned>((reg.bits << ((0u - entry) & 63)) >> StepEntry::LowShift(entry));
    // A literal is stored (in binary mode two bytes, the second that of a literal that
    // may follow), then "copied" from far back to the byte after the step: bytes that
    // later tokens overwrite.
    if (kAscii) {
      o[0] = t.literalByte[distance];
    } else {
      StoreLE16(o, static_cast<uint16_t>(((reg.bits >> 1) & 0xFF) | ((reg.bits >> 2) & 0xFF00)));
    }
    const unsigned isCopy = static_cast<unsigned>(reg.bits & 1);
    unsigned char* const to = o + (length & (isCopy - 1));
    reg.bits >>= entry & 63;
    reg.count -= entry;
    if (distance < 8) {
      o = CopyMatch(o, distance, length);  // a copy: a literal's distance is far longer
      return true;
    }
    const unsigned char* from = to - distance;
    std::memcpy(to, from, 8);
    std::memcpy(to + 8, from + 8, 8);
    if (length > 16) {
      std::memcpy(to + 16, from + 16, 8);
      std::memcpy(to + 24, from + 24, 8);
    }
    o += length;
    return true;
  };
  auto refill = [&] {
    reg.count &= 63;
    next = reg.Refill(next);
  };
  while (o < outStop && inEnd - next >= 15) {
    refill();
    if (step() && step() && step()) continue;
    refill();
    if (entry != StepEntry::kNone) {
      reg.Drop(StepEntry::LongCopyBits(entry));
      const unsigned length = StepEntry::LongCopyLength(entry);
      o = CopyMatch(o, TakeDistance(t, reg, StepEntry::LongCopyLowBits(entry)), length);
    } else if (DecodeToken<kAscii>(t, reg, o, dictBits)) {
      ended = true;
      break;
    }
  }
  reg.count &= 63;
  r = reg;
  in = next;
  out = o;
  return ended;
}

// What a checked token leaves: more to decode, or the end of the decode.
enum class TokenEnd { kGoOn, kEndOfStream, kBrokenStream };

// One token at the end of the input, where every bit left is in the register: each
// consumption is checked. The decoder can look at the last 8 bits but never consume
// them.
template <bool kAscii>
TokenEnd DecodeCheckedToken(const Tables& t, BitRegister& r, unsigned char*& out, unsigned dictBits) {
  auto consume = [&](unsigned n) {
    if (n + 8 > r.count) return false;
    r.Drop(n);
    return true;
  };
  const bool isCopy = r.bits & 1;
  if (!consume(1)) return TokenEnd::kBrokenStream;
  if (!isCopy) {
    unsigned byte = r.Peek(8);
    unsigned used = 8;
    if (kAscii) {
      const unsigned entry = t.literal[r.Peek(tables::kLiteralIndexBits)];
      byte = LiteralEntry::Byte(entry);
      used = LiteralEntry::Bits(entry);
    }
    if (!consume(used)) return TokenEnd::kBrokenStream;
    *out++ = static_cast<unsigned char>(byte);
    return TokenEnd::kGoOn;
  }
  const uint32_t lengthEntry = t.length[r.Peek(8)];
  if (!consume(LengthEntry::Bits(lengthEntry) - 1)) return TokenEnd::kBrokenStream;
  const unsigned extra = LengthEntry::ExtraBits(lengthEntry);
  const unsigned value = LengthEntry::ValueBase(lengthEntry) + r.Peek(extra);
  // An end-of-stream code may end on the very last bit of the input.
  if (!consume(extra)) {
    return extra == 8 && value == kEndOfStreamLengthValue ? TokenEnd::kEndOfStream : TokenEnd::kBrokenStream;
  }
  if (value == kEndOfStreamLengthValue) return TokenEnd::kEndOfStream;
  const unsigned length = CopyLength(value);
  const unsigned distanceEntry = t.distance[r.Peek(8)];
  if (!consume(DistanceEntry::Bits(distanceEntry))) return TokenEnd::kBrokenStream;
  const unsigned lowBits = LowDistanceBits(length, dictBits);
  const unsigned low = r.Peek(lowBits);
  if (!consume(lowBits)) return TokenEnd::kBrokenStream;
  out = CopyMatch(out, CopyDistance(DistanceEntry::Symbol(distanceEntry), low, lowBits), length);
  return TokenEnd::kGoOn;
}

// The whole decode after the stream header: the fast loop while the input buffer holds
// 15 bytes or more, the register filled byte by byte (and the input refilled) otherwise.
template <bool kAscii>
ExplodeResult DecodeTokens(ExplodeState& s, unsigned inFill, ExplodeRead read, ExplodeWrite write, void* param,
                           unsigned dictBits) {
  const Tables& t = DecodingTables();
  char* const inputChars = reinterpret_cast<char*>(s.input);
  unsigned char* const window = s.window;
  const unsigned char* const flushAt = window + kFlushAt;
  // Load byte 2 as the first 8 bits; continue at byte 3.
  BitRegister r;
  const unsigned char* in = s.input + 2;
  const unsigned char* inEnd = s.input + inFill;
  bool inputEnded = false;
  unsigned char* out = window + kHistory;
  TokenEnd end = TokenEnd::kGoOn;

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

  while (end == TokenEnd::kGoOn) {
    if (inEnd - in >= 15) {
      if (DecodeSteps<kAscii>(t, r, in, inEnd, out, flushAt, dictBits)) end = TokenEnd::kEndOfStream;
    } else {
      // Fewer than 15 bytes left in the buffer: fill the register byte by byte, reading
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
        if (got >= 15) break;  // back to the fast loop
      }
      if (inEnd - in >= 15 && r.count < kUncheckedBits) continue;
      if (r.count >= kUncheckedBits) {
        if (DecodeToken<kAscii>(t, r, out, dictBits)) end = TokenEnd::kEndOfStream;
      } else {
        end = DecodeCheckedToken<kAscii>(t, r, out, dictBits);
      }
    }
    if (out >= flushAt) flush();
  }
  flush();
  unsigned lastSize = static_cast<unsigned>(out - (window + kHistory));
  write(reinterpret_cast<char*>(window + kHistory), &lastSize, param);
  return end == TokenEnd::kEndOfStream ? kExplodeOk : kExplodeBrokenStream;
}

}  // namespace

ExplodeResult Explode(ExplodeRead read, ExplodeWrite write, char* workArea, void* param) {
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
