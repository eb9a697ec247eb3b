#include "archive/implode.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <limits>
#include <stdexcept>
#include <vector>

#include "archive/implode_codes.h"

namespace yv::archive {

namespace {

// How many earlier positions with the same 4-byte hash are tried at each position. Going
// from 128 to 64 costs under 0.01 % of the output and saves 3 % of the instructions on
// text, 5 % on a program (4 MiB of licence texts and of a program).
constexpr unsigned kMaxChainDepth = 64;
// A copy at least this long is taken at once and the positions it covers are not
// searched. Copies this long are common in text: 14 rather than 16 costs 0.1 % of the
// output and saves 6 % of the instructions on text, 8 % on a program (as above).
constexpr unsigned kNiceLength = 14;

constexpr unsigned kHashBits = 15;

// Little-endian loads are compared, so the first differing byte is the lowest set bit.
inline unsigned CountTrailingZeros(std::uint64_t v) {
#if defined(__GNUC__)
  return static_cast<unsigned>(__builtin_ctzll(v));
#else
  unsigned n = 0;
  for (; !(v & 1); v >>= 1) ++n;
  return n;
#endif
}
constexpr std::size_t kWindowSlots = 4096;  // the largest dictionary

inline std::uint32_t LoadLittle32(const char* p) {
  const auto* b = reinterpret_cast<const unsigned char*>(p);
  return std::uint32_t{b[0]} | std::uint32_t{b[1]} << 8 | std::uint32_t{b[2]} << 16 | std::uint32_t{b[3]} << 24;
}

// Writes into `out` from its current end; the string is kept larger than what is written
// (Reserve) and cut to the written bytes by Finish.
class BitWriter {
 public:
  explicit BitWriter(std::string& out) : out_(out), filled_(out.size()), origin_(out.size()) {}

  // Makes room for `bits` more bits, so that Put need not check.
  void Reserve(std::uint64_t bits) {
    const std::size_t need = filled_ + static_cast<std::size_t>(bits / 8) + 8;
    if (out_.size() < need) out_.resize(std::max(need, out_.size() + out_.size() / 2));
  }

  // Appends `count` bits (at most 32) of `value`, bit 0 first, into room made by Reserve.
  void Put(std::uint32_t value, unsigned count) {
    pending_ |= static_cast<std::uint64_t>(value) << used_;
    used_ += count;
    if (used_ >= 32) {
      // From a local copy: the stores through char may alias the members.
      const std::uint64_t pending = pending_;
      char* at = &out_[filled_];
      at[0] = static_cast<char>(pending);
      at[1] = static_cast<char>(pending >> 8);
      at[2] = static_cast<char>(pending >> 16);
      at[3] = static_cast<char>(pending >> 24);
      filled_ += 4;
      pending_ = pending >> 32;
      used_ -= 32;
    }
  }

  // Appends the bits of a segment encoded elsewhere.
  void Append(const ImplodeBits& segment) {
    Reserve(segment.bitCount);
    const char* bytes = segment.bytes.data();
    const auto wholeBytes = static_cast<std::size_t>(segment.bitCount / 8);
    std::size_t i = 0;
    if (used_ % 8 == 0) {
      FlushWholeBytes();
      std::memcpy(&out_[filled_], bytes, wholeBytes);
      filled_ += wholeBytes;
      i = wholeBytes;
    }
    for (; i + 4 <= wholeBytes; i += 4) Put(LoadLittle32(bytes + i), 32);
    for (; i < wholeBytes; ++i) Put(static_cast<unsigned char>(bytes[i]), 8);
    if (const unsigned rest = segment.bitCount % 8) {
      Put(static_cast<unsigned char>(bytes[wholeBytes]) & ((1u << rest) - 1), rest);
    }
  }

  // Pads the last byte with zero bits and cuts the string to the bytes written.
  void Finish() {
    FlushWholeBytes();
    if (used_ > 0) out_[filled_++] = static_cast<char>(pending_ & 0xFF);
    pending_ = 0;
    used_ = 0;
    out_.resize(filled_);
  }

  std::uint64_t BitCount() const { return (filled_ - origin_) * std::uint64_t{8} + used_; }

 private:
  void FlushWholeBytes() {
    for (; used_ >= 8; used_ -= 8, pending_ >>= 8) out_[filled_++] = static_cast<char>(pending_ & 0xFF);
  }

  std::string& out_;
  std::size_t filled_;  // bytes written
  std::size_t origin_;  // bytes the string held before
  std::uint64_t pending_ = 0;
  unsigned used_ = 0;
};

// A token's bits as one value, first bit in bit 0.
struct TokenCode {
  std::uint16_t value;
  std::uint8_t length;
};

// The codes of literals and copy lengths, and the exact number of bits of every
// literal, copy length and distance, the planner's costs.
struct TokenCodes {
  std::array<TokenCode, 256> literal{};                                 // flag and byte
  std::array<TokenCode, kMaxCopyLength + 1> length{};                   // flag, symbol and extra bits
  std::array<std::uint8_t, kMaxShortCopyDistance + 1> shortDistance{};  // bits, 2-byte copies
  std::array<std::uint8_t, kWindowSlots + 1> distance{};                // bits, longer copies

  TokenCodes(ImplodeLiteralMode mode, unsigned lowBits) {
    for (unsigned b = 0; b < 256; ++b) {
      const StreamCode code = mode == ImplodeLiteralMode::kAscii ? AsciiLiteralCode(static_cast<unsigned char>(b))
                                                                 : StreamCode{static_cast<std::uint16_t>(b), 8};
      literal[b] = TokenCode{static_cast<std::uint16_t>(code.value << 1), static_cast<std::uint8_t>(code.length + 1)};
    }
    unsigned symbol = 0;
    for (unsigned n = kMinCopyLength; n <= kMaxCopyLength; ++n) {
      const unsigned value = LengthValue(n);
      while (symbol < 15 && value >= LengthSymbolBase(symbol + 1)) ++symbol;
      const StreamCode code = LengthSymbolCode(symbol);
      const unsigned extra = value - LengthSymbolBase(symbol);
      length[n] = TokenCode{static_cast<std::uint16_t>(1u | code.value << 1 | extra << (1 + code.length)),
                            static_cast<std::uint8_t>(1 + code.length + LengthSymbolExtraBits(symbol))};
    }
    const unsigned shortLowBits = LowDistanceBits(kMinCopyLength, lowBits);
    for (unsigned d = 1; d <= kMaxShortCopyDistance; ++d) {
      shortDistance[d] =
          static_cast<std::uint8_t>(DistanceSymbolCode(DistanceSymbolOf(d, shortLowBits)).length + shortLowBits);
    }
    for (unsigned d = 1; d <= (64u << lowBits); ++d) {
      distance[d] = static_cast<std::uint8_t>(DistanceSymbolCode(DistanceSymbolOf(d, lowBits)).length + lowBits);
    }
  }
};

// One position of the plan: the fewest bits that reach it, and the step that does (a
// literal, length 1, or a copy). Once the plan is made, the step that leaves it.
struct PlanNode {
  std::uint32_t cost;
  std::uint16_t length;
  std::uint16_t distance;
};

// The match finder's tables and the plan, kept from one segment to the next on the same
// thread so that neither is allocated again (about 2.5 MiB a thread, held until the
// thread ends). They start every segment as if new. The
// finder keeps the latest position of every 2-byte value and of every 3-byte hash (the
// nearest copy is the cheapest of its length), and chains of the positions of every
// 4-byte hash for the longer copies. Positions are stored plus one; 0 is "none".
struct EncoderMemory {
  std::vector<std::uint32_t> head2 = std::vector<std::uint32_t>(std::size_t{1} << 16, 0);
  std::vector<std::uint32_t> head3 = std::vector<std::uint32_t>(std::size_t{1} << kHashBits, 0);
  std::vector<std::uint32_t> head4 = std::vector<std::uint32_t>(std::size_t{1} << kHashBits, 0);
  std::vector<std::uint32_t> previous4 = std::vector<std::uint32_t>(kWindowSlots, 0);
  std::vector<PlanNode> plan;
};

// Where position p goes in the finder's tables.
struct Keys {
  std::uint32_t key2;   // its 2 bytes
  std::uint32_t hash3;  // hash of its 3 bytes
  std::uint32_t hash4;  // hash of its 4 bytes
};

// A copy found at a position: the chain gives them in order of growing length.
struct Copy {
  std::uint16_t length;
  std::uint16_t distance;
};

// The codes of each literal mode and dictionary size (4, 5 or 6 low bits), made once.
const TokenCodes& CodesFor(ImplodeLiteralMode mode, unsigned lowBits) {
  static const auto all = [] {
    std::vector<TokenCodes> codes;
    for (const auto m : {ImplodeLiteralMode::kBinary, ImplodeLiteralMode::kAscii}) {
      for (unsigned bits = 4; bits <= 6; ++bits) codes.emplace_back(m, bits);
    }
    return codes;
  }();
  return all[(mode == ImplodeLiteralMode::kAscii ? 3 : 0) + (lowBits - 4)];
}

EncoderMemory& ThreadEncoderMemory() {
  thread_local EncoderMemory memory;
  return memory;
}

class Encoder {
 public:
  Encoder(std::string_view content, ImplodeLiteralMode mode, unsigned lowBits, EncoderMemory& memory)
      : data_(reinterpret_cast<const unsigned char*>(content.data())),
        size_(content.size()),
        lowBits_(lowBits),
        dictionarySize_(64u << lowBits),
        codes_(CodesFor(mode, lowBits)),
        head2_(memory.head2.data()),
        head3_(memory.head3.data()),
        head4_(memory.head4.data()),
        previous4_(memory.previous4.data()),
        memory_(memory) {}

  // Appends the tokens of segment `index` to `bits`. The match finder starts from the
  // window that precedes the segment, so a segment's tokens depend on the content
  // alone, not on which segments this encoder did before.
  void EncodeSegment(std::size_t index, BitWriter& bits) {
    const std::size_t start = index * kImplodeSegmentSize;
    const std::size_t end = std::min(size_, start + kImplodeSegmentSize);
    if (index != nextSegment_) SeedHistory(start, end);
    if (memory_.plan.size() < end - start + 1) memory_.plan.resize(end - start + 1);
    plan_ = memory_.plan.data();
    PlanBlock(start, end);
    EmitPlan(start, end, bits);
    nextSegment_ = index + 1;
  }

 private:
  // A node's cost before any step reaches it: all bits set, as memset leaves it.
  static constexpr std::uint32_t kUnreached = std::numeric_limits<std::uint32_t>::max();
  static_assert(kUnreached == 0xFFFFFFFFu);
  // Below this many positions the table slots they use are cleared one by one, rather
  // than the whole tables.
  static constexpr std::size_t kClearSlotsBelow = 8192;
  // The plan's nodes are made "unreached" for this many positions at a time.
  static constexpr std::size_t kResetAhead = 4096;

  // Forgets every position, then records the window before `start`. Positions further
  // back are never reached, so the finder is left as if it had run through the content
  // from its beginning.
  void SeedHistory(std::size_t start, std::size_t end) {
    const std::size_t from = start - std::min(start, kWindowSlots);
    if (end - from < kClearSlotsBelow) {
      // Only the slots of these positions are ever looked at.
      for (std::size_t p = from; p < end; ++p) {
        const Keys keys = KeysAt(p);
        head2_[keys.key2] = 0;
        head3_[keys.hash3] = 0;
        head4_[keys.hash4] = 0;
      }
    } else {
      for (auto* table : {&memory_.head2, &memory_.head3, &memory_.head4}) std::fill(table->begin(), table->end(), 0);
    }
    for (std::size_t p = from; p < start; ++p) Insert(p, KeysAt(p));
  }

  // Bytes past the end of the content count as zero: their positions are not recorded.
  Keys KeysAt(std::size_t p) const {
    std::uint32_t v = 0;
    if (p + 4 <= size_) {
      v = LoadLittle32(reinterpret_cast<const char*>(data_ + p));
    } else {
      for (std::size_t k = 0; p + k < size_; ++k) v |= std::uint32_t{data_[p + k]} << (8 * k);
    }
    constexpr unsigned kShift = 32 - kHashBits;
    return Keys{v & 0xFFFF, ((v & 0xFFFFFF) * 2654435761u) >> kShift, (v * 2246822519u) >> kShift};
  }

  void Insert(std::size_t p, const Keys& keys) {
    const auto tag = static_cast<std::uint32_t>(p + 1);
    if (p + 4 <= size_) {
      previous4_[p % kWindowSlots] = head4_[keys.hash4];
      head4_[keys.hash4] = tag;
      head3_[keys.hash3] = tag;
      head2_[keys.key2] = tag;
      return;
    }
    if (p + 3 <= size_) head3_[keys.hash3] = tag;
    if (p + 2 <= size_) head2_[keys.key2] = tag;
  }

  std::uint16_t Load16(std::size_t p) const {
    std::uint16_t v;
    std::memcpy(&v, data_ + p, 2);
    return v;
  }

  std::size_t MatchLength(std::size_t from, std::size_t p, std::size_t limit) const {
    std::size_t n = 0;
    while (n + 8 <= limit) {
      std::uint64_t a;
      std::uint64_t b;
      std::memcpy(&a, data_ + from + n, 8);
      std::memcpy(&b, data_ + p + n, 8);
      if (a != b) return n + static_cast<std::size_t>(CountTrailingZeros(a ^ b) / 8);
      n += 8;
    }
    while (n < limit && data_[from + n] == data_[p + n]) ++n;
    return n;
  }

  void Relax(std::size_t target, std::uint32_t cost, std::size_t length, std::size_t distance) {
    PlanNode& node = plan_[target];
    if (cost < node.cost) {
      node = PlanNode{cost, static_cast<std::uint16_t>(length), static_cast<std::uint16_t>(distance)};
    }
  }

  // The copies of 4 bytes or more at p, from the chain of its 4-byte hash, nearest
  // first: each one listed is longer than those before it. Returns how many.
  std::size_t FindLongCopies(std::size_t p, std::size_t limit, const Keys& keys, std::uint32_t nearest) {
    std::size_t found = 0;
    std::size_t best = 3;
    std::uint32_t tag = head4_[keys.hash4];
    for (unsigned depth = kMaxChainDepth; tag > nearest && depth != 0; --depth) {
      const std::size_t from = tag - 1;
      // Only a copy longer than the best so far counts: its bytes at best - 1 and best
      // must match.
      if (Load16(from + best - 1) == Load16(p + best - 1)) {
        const std::size_t length = MatchLength(from, p, limit);
        if (length > best) {
          copies_[found++] = Copy{static_cast<std::uint16_t>(length), static_cast<std::uint16_t>(p - from)};
          best = length;
          if (best >= limit) break;
        }
      }
      tag = previous4_[from % kWindowSlots];
    }
    return found;
  }

  // Shortest path in bits from the block's start to its end, over literals and the
  // copies found at each position. For every length the nearest copy is used: the
  // distance code never gets longer with a nearer distance.
  void PlanBlock(std::size_t start, std::size_t end) {
    const std::size_t blockLength = end - start;
    plan_[0] = PlanNode{0, 0, 0};
    std::size_t plannedFrom = 0;  // positions before this are covered by a long copy
    for (std::size_t chunk = 0, reset = 1; chunk < blockLength; chunk += kResetAhead) {
      // Every node the chunk's positions reach is made kUnreached first.
      const std::size_t chunkEnd = std::min(blockLength, chunk + kResetAhead);
      const std::size_t reached = std::min(blockLength, chunkEnd - 1 + kMaxCopyLength) + 1;
      std::memset(static_cast<void*>(plan_ + reset), 0xFF, (reached - reset) * sizeof(PlanNode));
      reset = reached;
      for (std::size_t i = chunk; i < chunkEnd; ++i) PlanPosition(start + i, i, end, plannedFrom);
    }
  }

  // Relaxes the steps from position p, node i of the block that ends at `end`.
  void PlanPosition(std::size_t p, std::size_t i, std::size_t end, std::size_t& plannedFrom) {
    const Keys keys = KeysAt(p);
    if (i < plannedFrom) {
      Insert(p, keys);
      return;
    }
    const std::uint32_t here = plan_[i].cost;
    const std::size_t limit = std::min<std::size_t>(kMaxCopyLength, end - p);
    // Tags above `nearest` are positions within the dictionary.
    const auto nearest = static_cast<std::uint32_t>(p - std::min(p, dictionarySize_));
    const std::size_t found = limit >= 4 ? FindLongCopies(p, limit, keys, nearest) : 0;
    const Copy longest = found > 0 ? copies_[found - 1] : Copy{0, 0};
    if (longest.length >= kNiceLength) {
      // The positions it covers are not searched, so no other step into them is of use.
      Relax(i + longest.length, here + codes_.distance[longest.distance] + codes_.length[longest.length].length,
            longest.length, longest.distance);
      plannedFrom = i + longest.length;
      Insert(p, keys);
      return;
    }
    Relax(i + 1, here + codes_.literal[data_[p]].length, 1, 0);
    if (limit >= 2) {
      const std::uint32_t tag = head2_[keys.key2];
      // Tags above `nearest2` are positions at most 256 bytes back.
      const auto nearest2 = static_cast<std::uint32_t>(p - std::min<std::size_t>(p, kMaxShortCopyDistance));
      if (tag > nearest2) {
        const std::size_t distance = p - (tag - 1);
        Relax(i + 2, here + codes_.length[2].length + codes_.shortDistance[distance], 2, distance);
      }
    }
    if (limit >= 3) {
      const std::uint32_t tag = head3_[keys.hash3];
      if (tag > nearest) {
        const std::size_t from = tag - 1;
        if (data_[from] == data_[p] && Load16(from + 1) == Load16(p + 1)) {
          const std::size_t distance = p - from;
          Relax(i + 3, here + codes_.length[3].length + codes_.distance[distance], 3, distance);
        }
      }
    }
    for (std::size_t c = 0, n = 4; c < found; ++c) {
      const Copy copy = copies_[c];
      const std::uint32_t base = here + codes_.distance[copy.distance];
      for (; n <= copy.length; ++n) Relax(i + n, base + codes_.length[n].length, n, copy.distance);
    }
    Insert(p, keys);
  }

  void EmitPlan(std::size_t start, std::size_t end, BitWriter& bits) {
    const std::size_t blockLength = end - start;
    bits.Reserve(plan_[blockLength].cost);
    // Each node on the chosen path is given the step that leaves it instead of the one
    // that reaches it.
    PlanNode leaving{0, 0, 0};
    for (std::size_t i = blockLength; i > 0;) {
      const PlanNode reaching = plan_[i];
      plan_[i].length = leaving.length;
      plan_[i].distance = leaving.distance;
      leaving = reaching;
      i -= reaching.length;
    }
    plan_[0].length = leaving.length;
    plan_[0].distance = leaving.distance;
    for (std::size_t i = 0; i < blockLength; i += plan_[i].length) {
      const PlanNode& step = plan_[i];
      if (step.length == 1) {
        const TokenCode code = codes_.literal[data_[start + i]];
        bits.Put(code.value, code.length);
      } else {
        EmitCopy(step.length, step.distance, bits);
      }
    }
  }

  // The whole copy in one value: length at most 16 bits, distance at most 14.
  void EmitCopy(unsigned length, unsigned distance, BitWriter& bits) const {
    const TokenCode lengthCode = codes_.length[length];
    const unsigned lowBits = LowDistanceBits(length, lowBits_);
    const StreamCode high = DistanceSymbolCode(DistanceSymbolOf(distance, lowBits));
    const std::uint32_t distanceValue = high.value | DistanceLowOf(distance, lowBits) << high.length;
    bits.Put(lengthCode.value | distanceValue << lengthCode.length, lengthCode.length + high.length + lowBits);
  }

  const unsigned char* data_;
  std::size_t size_;
  unsigned lowBits_;
  std::size_t dictionarySize_;
  const TokenCodes codes_;  // a copy: the planner reads it through `this`, with no pointer to load again
  std::uint32_t* head2_;
  std::uint32_t* head3_;
  std::uint32_t* head4_;
  std::uint32_t* previous4_;
  std::array<Copy, kMaxChainDepth> copies_;
  EncoderMemory& memory_;
  PlanNode* plan_ = nullptr;
  // The segment that follows on from the finder's state; none at first, as the tables
  // hold what an earlier encoder left.
  std::size_t nextSegment_ = std::numeric_limits<std::size_t>::max();
};

unsigned LowBitsOf(unsigned dictionarySize) {
  if (!IsImplodeDictionarySize(dictionarySize)) {
    throw std::invalid_argument("implode dictionary size must be 1024, 2048 or 4096");
  }
  return dictionarySize == 1024 ? 4 : dictionarySize == 2048 ? 5 : 6;
}

void CheckContentSize(std::size_t size) {
  // Positions are kept in 32 bits, plus one.
  if (size >= std::numeric_limits<std::uint32_t>::max()) {
    throw std::length_error("implode content must be smaller than 4 GiB");
  }
}

// The two header bytes.
std::string StreamHeader(ImplodeLiteralMode mode, unsigned dictionarySize, std::size_t contentSize) {
  const unsigned lowBits = LowBitsOf(dictionarySize);
  CheckContentSize(contentSize);
  std::string out;
  out.reserve(contentSize / 2 + 16);
  out.push_back(static_cast<char>(mode));
  out.push_back(static_cast<char>(lowBits));
  return out;
}

// End of stream: a copy whose length value is 517 (symbol 15, extra bits all ones).
void PutEndOfStream(BitWriter& bits) {
  const StreamCode symbol = LengthSymbolCode(15);
  bits.Reserve(32);
  bits.Put(1u | symbol.value << 1 | (kEndOfStreamLengthValue - LengthSymbolBase(15)) << (1 + symbol.length),
           1 + symbol.length + LengthSymbolExtraBits(15));
  bits.Finish();
}

}  // namespace

std::size_t ImplodeSegmentCount(std::size_t contentSize) {
  return (contentSize + kImplodeSegmentSize - 1) / kImplodeSegmentSize;
}

ImplodeBits ImplodeSegment(std::string_view content, std::size_t index, ImplodeLiteralMode mode,
                           unsigned dictionarySize) {
  const unsigned lowBits = LowBitsOf(dictionarySize);
  CheckContentSize(content.size());
  if (index >= ImplodeSegmentCount(content.size())) throw std::out_of_range("no such implode segment");
  ImplodeBits segment;
  BitWriter bits(segment.bytes);
  Encoder encoder(content, mode, lowBits, ThreadEncoderMemory());
  encoder.EncodeSegment(index, bits);
  segment.bitCount = bits.BitCount();
  bits.Finish();
  return segment;
}

std::string JoinImplodeSegments(const std::vector<ImplodeBits>& segments, ImplodeLiteralMode mode,
                                unsigned dictionarySize, std::size_t contentSize) {
  std::string out = StreamHeader(mode, dictionarySize, contentSize);
  BitWriter bits(out);
  for (const ImplodeBits& segment : segments) bits.Append(segment);
  PutEndOfStream(bits);
  return out;
}

std::string Implode(std::string_view content, ImplodeLiteralMode mode, unsigned dictionarySize) {
  std::string out = StreamHeader(mode, dictionarySize, content.size());
  BitWriter bits(out);
  Encoder encoder(content, mode, LowBitsOf(dictionarySize), ThreadEncoderMemory());
  for (std::size_t i = 0, n = ImplodeSegmentCount(content.size()); i < n; ++i) encoder.EncodeSegment(i, bits);
  PutEndOfStream(bits);
  return out;
}

}  // namespace yv::archive
