#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "archive/explode.h"
#include "hand_stream.h"

using namespace yv::archive;
using yv::testing::AsciiCodes;
using yv::testing::DistanceCodes;
using yv::testing::HandStream;
using yv::testing::LengthCodes;

namespace {

// One decode, with everything the callbacks saw.
struct DecodeRun {
  unsigned result = 0;
  std::string output;
  std::vector<unsigned> blockSizes;
  std::vector<unsigned> requests;
  int writesBeforeFirstRead = 0;
};

struct Feed {
  std::string input;
  std::size_t position = 0;
  std::size_t chunk = 0;  // the most one read after the first delivers (0: as much as asked)
  DecodeRun* run = nullptr;
};

unsigned FeedRead(char* buf, unsigned* size, void* param) {
  auto& f = *static_cast<Feed*>(param);
  f.run->requests.push_back(*size);
  std::size_t n = std::min<std::size_t>(*size, f.input.size() - f.position);
  // The first read must bring more than 4 bytes, or the stream counts as too short.
  if (f.chunk) n = std::min(n, f.run->requests.size() == 1 ? std::max<std::size_t>(f.chunk, 5) : f.chunk);
  std::memcpy(buf, f.input.data() + f.position, n);
  f.position += n;
  *size = static_cast<unsigned>(n);
  return static_cast<unsigned>(n);
}

void FeedWrite(char* buf, unsigned* size, void* param) {
  auto& f = *static_cast<Feed*>(param);
  if (f.run->requests.empty()) ++f.run->writesBeforeFirstRead;
  f.run->output.append(buf, *size);
  f.run->blockSizes.push_back(*size);
}

DecodeRun Decode(const std::string& stream, std::size_t chunk = 0, std::size_t misalign = 0) {
  DecodeRun run;
  Feed feed{stream, 0, chunk, &run};
  auto area = std::make_unique<char[]>(kExplodeWorkAreaSize + 16);  // zero-filled
  run.result = Explode(FeedRead, FeedWrite, area.get() + misalign, &feed);
  return run;
}

std::string Bytes(std::initializer_list<int> values) {
  std::string s;
  for (int v : values) s.push_back(static_cast<char>(v));
  return s;
}

}  // namespace

TEST(ExplodeCodes, HandBuiltCodesGiveTheQuotedStreamValues) {
  // The test's own code builder must reproduce every value the format quotes before the
  // vectors below can rely on it.
  EXPECT_EQ(LengthCodes()[0].value, 5u);
  EXPECT_EQ(LengthCodes()[0].length, 3u);
  EXPECT_EQ(LengthCodes()[1].value, 3u);
  EXPECT_EQ(LengthCodes()[1].length, 2u);
  EXPECT_EQ(LengthCodes()[2].value, 1u);
  EXPECT_EQ(LengthCodes()[3].value, 6u);
  EXPECT_EQ(LengthCodes()[15].value, 0u);
  EXPECT_EQ(LengthCodes()[15].length, 7u);
  EXPECT_EQ(DistanceCodes()[0].value, 3u);  // two 1-bits
  EXPECT_EQ(DistanceCodes()[0].length, 2u);
  EXPECT_EQ(DistanceCodes()[63].value, 0u);  // eight 0-bits
  EXPECT_EQ(DistanceCodes()[63].length, 8u);
  EXPECT_EQ(AsciiCodes()[0x20].value, 15u);  // four 1-bits
  EXPECT_EQ(AsciiCodes()[0x20].length, 4u);
  EXPECT_EQ(AsciiCodes()[0x65].value, 27u);
  EXPECT_EQ(AsciiCodes()[0x65].length, 5u);
  EXPECT_EQ(AsciiCodes()[0xFF].value, 0u);  // thirteen 0-bits
  EXPECT_EQ(AsciiCodes()[0xFF].length, 13u);
}

TEST(Explode, HeaderErrorsComeInTheirOrderAndWriteNothing) {
  // The empty-content stream: header, then flag 1, symbol 15 (seven 0-bits) and eight
  // 1-bits, i.e. bytes 01 FF. Four bytes in all: too short.
  DecodeRun empty = Decode(Bytes({0, 6, 0x01, 0xFF}));
  EXPECT_EQ(empty.result, kExplodeInputTooShort);
  EXPECT_TRUE(empty.blockSizes.empty());
  EXPECT_EQ(empty.requests, std::vector<unsigned>{2048});

  // Size first: four bytes with a bad dictionary and mode still give 3.
  EXPECT_EQ(Decode(Bytes({9, 7, 0, 0})).result, kExplodeInputTooShort);
  // Dictionary before mode.
  DecodeRun both = Decode(Bytes({2, 7, 0, 0, 0}));
  EXPECT_EQ(both.result, kExplodeBadDictionary);
  EXPECT_TRUE(both.blockSizes.empty());
  EXPECT_EQ(Decode(Bytes({0, 3, 0, 0, 0})).result, kExplodeBadDictionary);
  DecodeRun mode = Decode(Bytes({2, 6, 0, 0, 0}));
  EXPECT_EQ(mode.result, kExplodeBadLiteralMode);
  EXPECT_TRUE(mode.blockSizes.empty());
  EXPECT_EQ(Decode("").result, kExplodeInputTooShort);
}

TEST(Explode, EndOfStreamMayEndOnTheLastBit) {
  // Eight binary literals (9 bits each) and the end code (16 bits): exactly 11 bytes.
  HandStream s(0, 4);
  const std::string text = "ABCDEFGH";
  for (char c : text) s.Literal(static_cast<unsigned char>(c));
  s.EndOfStream();
  ASSERT_EQ(s.BitCount(), 88u);
  const std::string stream = s.Bytes();
  DecodeRun whole = Decode(stream);
  EXPECT_EQ(whole.result, kExplodeOk);
  EXPECT_EQ(whole.output, text);
  EXPECT_EQ(whole.blockSizes, std::vector<unsigned>{8});

  // Without its last byte the end code is incomplete: what was decoded is still written.
  DecodeRun cut = Decode(stream.substr(0, stream.size() - 1));
  EXPECT_EQ(cut.result, kExplodeBrokenStream);
  EXPECT_EQ(cut.output, text);

  // Symbol 15 with extra bits 254 on the last bit is not the end code: broken.
  HandStream odd(0, 4);
  for (char c : text) odd.Literal(static_cast<unsigned char>(c));
  odd.LengthValue(516);
  ASSERT_EQ(odd.BitCount(), 88u);
  DecodeRun notEnd = Decode(odd.Bytes());
  EXPECT_EQ(notEnd.result, kExplodeBrokenStream);
  EXPECT_EQ(notEnd.output, text);
}

TEST(Explode, StreamWithoutEndCodeIsBrokenButKeepsItsOutput) {
  HandStream s(0, 6);
  for (int i = 0; i < 100; ++i) s.Literal(static_cast<unsigned char>(i));
  DecodeRun run = Decode(s.Bytes());
  EXPECT_EQ(run.result, kExplodeBrokenStream);
  // The padding bits and the 8 bits of look-ahead cannot be consumed: the last literal
  // whose bits end at least 8 bits before the end of the input is the last one written.
  const std::size_t total = s.Bytes().size() * 8 - 16;
  const std::size_t written = (total - 8) / 9;
  ASSERT_EQ(run.output.size(), written);
  for (std::size_t i = 0; i < written; ++i) EXPECT_EQ(static_cast<unsigned char>(run.output[i]), i);
}

TEST(Explode, CopiesByDistanceAndLength) {
  // Distance 1, length 10: length value 8 is symbol 8 with one extra bit 0; distance
  // symbol 0 (two 1-bits) and four low bits 0.
  HandStream s(0, 4);
  s.Literal('x');
  s.Copy(10, 1);
  s.EndOfStream();
  EXPECT_EQ(Decode(s.Bytes()).output, std::string(11, 'x'));

  // A 2-byte copy takes 2 low distance bits whatever the dictionary: with 6 dictionary
  // bits, symbol 1 and low bits 2 mean distance (1 << 2 | 2) + 1 = 7.
  HandStream two(0, 6);
  for (char c : std::string("abcdefg")) two.Literal(static_cast<unsigned char>(c));
  two.RawBits(1, 1);
  two.Code(LengthCodes()[0]);  // length value 0: a 2-byte copy
  two.Code(DistanceCodes()[1]);
  two.RawBits(2, 2);
  two.Literal('!');
  two.EndOfStream();
  DecodeRun run = Decode(two.Bytes());
  EXPECT_EQ(run.result, kExplodeOk);
  EXPECT_EQ(run.output, "abcdefgab!");
}

TEST(Explode, LongCopyUsesDictionaryBitsAndReachesBack4096) {
  HandStream s(1, 6);
  std::string expected;
  for (int i = 0; i < 4096; ++i) {
    const auto byte = static_cast<unsigned char>((i * 7) % 251);
    s.Literal(byte);
    expected.push_back(static_cast<char>(byte));
  }
  // Symbol 63 sent as eight 0-bits, then six low bits 63: distance 4096.
  s.LengthValue(3);  // a 5-byte copy
  s.Code(DistanceCodes()[63]);
  s.RawBits(63, 6);
  s.EndOfStream();
  expected += expected.substr(0, 5);
  DecodeRun run = Decode(s.Bytes());
  EXPECT_EQ(run.result, kExplodeOk);
  EXPECT_EQ(run.output, expected);
}

// Every copy length whose codes the fast loop reads from one table entry (up to 71
// bytes; the longer ones from the entry only their length), at near and the farthest
// distances, after runs of 0 to 3 literals (two binary literals may be one step), in
// every mode and dictionary size, the input whole and in small reads.
TEST(Explode, EveryShortCodedCopyLengthAfterLiteralRuns) {
  for (unsigned mode : {0u, 1u}) {
    for (unsigned dictBits = 4; dictBits <= 6; ++dictBits) {
      HandStream s(mode, dictBits);
      std::string model(4096, '\0');
      unsigned n = 0;
      for (unsigned length = 2; length <= 72; ++length) {
        for (unsigned distance : {1u, 9u, 17u, length == 2 ? 256u : 64u << dictBits}) {
          for (unsigned literals = 0; literals < 4; ++literals) {
            for (unsigned i = 0; i < literals; ++i, ++n) {
              s.Literal(static_cast<unsigned char>(n * 37));
              model.push_back(static_cast<char>(n * 37));
            }
            s.Copy(length, distance);
            for (unsigned i = 0; i < length; ++i) model.push_back(model[model.size() - distance]);
          }
        }
      }
      s.EndOfStream();
      for (std::size_t chunk : {std::size_t{0}, std::size_t{5}}) {
        const DecodeRun run = Decode(s.Bytes(), chunk);
        ASSERT_EQ(run.result, kExplodeOk) << mode << " " << dictBits << " " << chunk;
        ASSERT_EQ(run.output, model.substr(4096)) << mode << " " << dictBits << " " << chunk;
      }
    }
  }
}

TEST(Explode, CopyBeforeTheStartOfOutputYieldsZeros) {
  HandStream s(0, 5);
  s.Literal('a');
  s.Copy(4, 3);  // two bytes before the start, then 'a', then the first zero again
  s.EndOfStream();
  DecodeRun run = Decode(s.Bytes());
  EXPECT_EQ(run.result, kExplodeOk);
  EXPECT_EQ(run.output, std::string("a\0\0a\0", 5));
}

TEST(Explode, AsciiModeDecodesEveryByteValue) {
  HandStream s(1, 4);
  std::string expected;
  for (int b = 0; b < 256; ++b) {
    s.Literal(static_cast<unsigned char>(b));
    expected.push_back(static_cast<char>(b));
  }
  s.EndOfStream();
  DecodeRun run = Decode(s.Bytes());
  EXPECT_EQ(run.result, kExplodeOk);
  EXPECT_EQ(run.output, expected);

  // The quoted codes, bit by bit: flag 0 then four 1-bits is a space; flag 0 then
  // thirteen 0-bits is FF.
  HandStream q(1, 4);
  q.RawBits(0, 1);
  q.RawBits(0xF, 4);
  q.RawBits(0, 1);
  q.RawBits(27, 5);
  q.RawBits(0, 1);
  q.RawBits(0, 13);
  q.EndOfStream();
  EXPECT_EQ(Decode(q.Bytes()).output, "\x20\x65\xFF");
}

TEST(Explode, OutputArrivesIn4096ByteBlocksThenOneLastBlock) {
  auto stream = [](std::size_t size) {
    HandStream s(0, 6);
    s.Literal('z');
    std::size_t left = size - 1;
    while (left > 0) {
      std::size_t n = std::min<std::size_t>(left, 518);
      if (left - n == 1) --n;  // never leave a single byte: copies are at least 2
      s.Copy(static_cast<unsigned>(n), 1);
      left -= n;
    }
    s.EndOfStream();
    return s.Bytes();
  };
  DecodeRun exact = Decode(stream(4096));
  EXPECT_EQ(exact.result, kExplodeOk);
  EXPECT_EQ(exact.output, std::string(4096, 'z'));
  EXPECT_EQ(exact.blockSizes, (std::vector<unsigned>{4096, 0}));

  DecodeRun twice = Decode(stream(8192));
  EXPECT_EQ(twice.output.size(), 8192u);
  EXPECT_EQ(twice.blockSizes, (std::vector<unsigned>{4096, 4096, 0}));

  DecodeRun more = Decode(stream(10000));
  EXPECT_EQ(more.output, std::string(10000, 'z'));
  EXPECT_EQ(more.blockSizes, (std::vector<unsigned>{4096, 4096, 1808}));
}

// Random token sequences against a byte-by-byte model of the output, with the input
// delivered whole, in odd chunks and a byte at a time, and with a misaligned work area.
TEST(Explode, RandomTokenStreamsMatchAPlainModel) {
  std::mt19937 rng(12345);  // 32-bit results
  auto next = [&rng](unsigned n) { return static_cast<unsigned>(rng() % n); };
  for (int round = 0; round < 60; ++round) {
    const unsigned mode = round % 2;
    const unsigned dictBits = 4 + round % 3;
    HandStream s(mode, dictBits);
    std::string model(4096, '\0');  // the zero history before the output
    const int tokens = 1 + static_cast<int>(rng() % 3000);
    for (int t = 0; t < tokens; ++t) {
      if (rng() % 3 == 0) {
        const auto byte = static_cast<unsigned char>(mode ? "etaoin \n"[rng() % 8] : rng());
        s.Literal(byte);
        model.push_back(static_cast<char>(byte));
      } else {
        const unsigned length = next(4) == 0 ? 2 : 3 + next(516);
        const unsigned reach = length == 2 ? 256 : 64u << dictBits;
        const unsigned distance = 1 + next(reach);
        s.Copy(length, distance);
        for (unsigned i = 0; i < length; ++i) model.push_back(model[model.size() - distance]);
      }
    }
    s.EndOfStream();
    const std::string expected = model.substr(4096);
    const std::string stream = s.Bytes();
    for (std::size_t chunk : {std::size_t{0}, std::size_t{1}, std::size_t{7}, std::size_t{1000}}) {
      DecodeRun run = Decode(stream, chunk, round % 8);
      ASSERT_EQ(run.result, kExplodeOk) << "round " << round << " chunk " << chunk;
      ASSERT_EQ(run.output, expected) << "round " << round << " chunk " << chunk;
      for (std::size_t i = 0; i + 1 < run.blockSizes.size(); ++i) ASSERT_EQ(run.blockSizes[i], 4096u);
      ASSERT_LT(run.blockSizes.back(), 4096u);
      for (unsigned request : run.requests) ASSERT_EQ(request, 2048u);
    }
    // Cut anywhere, the stream fails with a prefix of the output.
    const std::size_t cut = 5 + rng() % (stream.size() - 5);
    DecodeRun partial = Decode(stream.substr(0, cut));
    if (partial.result == kExplodeOk) {
      // Only possible when the cut falls inside the end code's padding.
      ASSERT_EQ(partial.output, expected);
    } else {
      ASSERT_EQ(partial.result, kExplodeBrokenStream);
      ASSERT_EQ(partial.output, expected.substr(0, partial.output.size()));
    }
  }
}

TEST(Explode, AnyInputStaysWithinBounds) {
  // Random bytes behind valid header bytes: the decoder ends, with 0 or 4, and its
  // blocks keep their sizes. (The sanitizer build and the fuzz target check the memory.)
  std::mt19937 rng(99);
  for (int round = 0; round < 300; ++round) {
    std::string stream = Bytes({round % 2, 4 + round % 3});
    const std::size_t size = 3 + rng() % 5000;
    for (std::size_t i = 0; i < size; ++i) stream.push_back(static_cast<char>(rng()));
    DecodeRun run = Decode(stream, round % 3 == 0 ? 13 : 0);
    ASSERT_TRUE(run.result == kExplodeOk || run.result == kExplodeBrokenStream);
    ASSERT_FALSE(run.blockSizes.empty());
    for (std::size_t i = 0; i + 1 < run.blockSizes.size(); ++i) ASSERT_EQ(run.blockSizes[i], 4096u);
  }
}

namespace {

// The decoder exactly as the format describes it: an 8-bit look-ahead that can never be
// consumed, one consumption at a time, and the four-table ASCII scheme. Slow and plain;
// the product's decoder must agree with it on every input, broken ones included.
class ReferenceDecoder {
 public:
  explicit ReferenceDecoder(const std::string& in) : in_(in) {}

  unsigned Decode(std::string& out) {
    if (std::min<std::size_t>(in_.size(), 2048) <= 4) return kExplodeInputTooShort;
    const unsigned mode = Byte(0);
    const unsigned k = Byte(1);
    if (k < 4 || k > 6) return kExplodeBadDictionary;
    if (mode > 1) return kExplodeBadLiteralMode;
    if (mode == 1) BuildAsciiTables();
    buffer_ = Byte(2);
    extra_ = 0;
    position_ = 3;
    std::string window(4096, '\0');
    for (;;) {
      const bool copy = buffer_ & 1;
      if (!Consume(1)) return kExplodeBrokenStream;
      if (!copy) {
        unsigned byte;
        if (mode == 0) {
          byte = buffer_ & 0xFF;
          if (!Consume(8)) return kExplodeBrokenStream;
        } else if (!AsciiLiteral(byte)) {
          return kExplodeBrokenStream;
        }
        window.push_back(static_cast<char>(byte));
      } else {
        const unsigned s = Lookup(LengthCodes());
        if (!Consume(LengthCodes()[s].length)) return kExplodeBrokenStream;
        unsigned value = s;
        if (yv::testing::kLengthExtra[s] > 0) {
          const unsigned n = yv::testing::kLengthExtra[s];
          const unsigned e = buffer_ & ((1u << n) - 1);
          if (!Consume(n)) {
            if (s + e == 270) break;
            return kExplodeBrokenStream;
          }
          value = yv::testing::kLengthBase[s] + e;
        }
        if (value == 517) break;
        const unsigned length = value + 2;
        const unsigned h = Lookup(DistanceCodes());
        if (!Consume(DistanceCodes()[h].length)) return kExplodeBrokenStream;
        const unsigned lowBits = length == 2 ? 2 : k;
        const unsigned low = buffer_ & ((1u << lowBits) - 1);
        if (!Consume(lowBits)) return kExplodeBrokenStream;
        const std::size_t distance = ((h << lowBits) | low) + 1;
        for (unsigned i = 0; i < length; ++i) window.push_back(window[window.size() - distance]);
      }
      out = window.substr(4096);
    }
    out = window.substr(4096);
    return kExplodeOk;
  }

 private:
  unsigned Byte(std::size_t i) const { return static_cast<unsigned char>(in_[i]); }

  bool Consume(unsigned n) {
    if (extra_ >= n) {
      buffer_ >>= n;
      extra_ -= n;
      return true;
    }
    buffer_ >>= extra_;
    if (position_ >= in_.size()) return false;
    buffer_ |= Byte(position_++) << 8;
    buffer_ >>= n - extra_;
    extra_ = extra_ + 8 - n;
    return true;
  }

  // The symbol whose code matches the low bits of the look-ahead.
  unsigned Lookup(const std::vector<yv::testing::HandCode>& codes) const {
    for (unsigned s = 0; s < codes.size(); ++s) {
      if ((buffer_ & ((1u << codes[s].length) - 1)) == codes[s].value) return s;
    }
    ADD_FAILURE() << "incomplete code";
    return 0;
  }

  void BuildAsciiTables() {
    first_.assign(256, -1);
    afterFour_.assign(256, -1);
    afterSix_.assign(128, -1);
    afterEight_.assign(256, -1);
    for (unsigned b = 0; b < 256; ++b) {
      const auto c = AsciiCodes()[b];
      auto fill = [&](std::vector<int>& table, unsigned shift, unsigned indexBits) {
        const unsigned rest = c.length - shift;
        ASSERT_LE(rest, indexBits) << "code of " << b << " does not fit its table";
        for (unsigned i = c.value >> shift; i < (1u << indexBits); i += 1u << rest) {
          ASSERT_EQ(table[i], -1) << "two codes share a table entry";
          table[i] = static_cast<int>(b);
        }
      };
      if (c.length <= 8) {
        fill(first_, 0, 8);
      } else if ((c.value & 0xFF) != 0) {
        first_[c.value & 0xFF] = 0xFF;  // escape
        if ((c.value & 0x3F) != 0) {
          fill(afterFour_, 4, 8);
        } else {
          fill(afterSix_, 6, 7);
        }
      } else {
        fill(afterEight_, 8, 8);
      }
    }
  }

  bool AsciiLiteral(unsigned& byte) {
    const unsigned lookAhead = buffer_ & 0xFF;
    unsigned consumed;
    int entry;
    if (lookAhead != 0) {
      entry = first_[lookAhead];
      consumed = 0;
      if (entry == 0xFF) {
        if ((lookAhead & 0x3F) != 0) {
          if (!Consume(4)) return false;
          consumed = 4;
          entry = afterFour_[buffer_ & 0xFF];
        } else {
          if (!Consume(6)) return false;
          consumed = 6;
          entry = afterSix_[buffer_ & 0x7F];
        }
      }
    } else {
      if (!Consume(8)) return false;
      consumed = 8;
      entry = afterEight_[buffer_ & 0xFF];
    }
    if (entry < 0) {
      ADD_FAILURE() << "no ASCII code matches";
      return false;
    }
    byte = static_cast<unsigned>(entry);
    return Consume(AsciiCodes()[byte].length - consumed);
  }

  const std::string& in_;
  std::size_t position_ = 0;
  unsigned buffer_ = 0;
  unsigned extra_ = 0;
  std::vector<int> first_, afterFour_, afterSix_, afterEight_;
};

}  // namespace

TEST(Explode, AgreesWithThePlainDescriptionOnAnyInput) {
  std::mt19937 rng(2024);
  auto next = [&rng](unsigned n) { return static_cast<unsigned>(rng() % n); };
  for (int round = 0; round < 3000; ++round) {
    std::string stream;
    if (round % 2 == 0) {
      // A valid stream cut at a random point, or with a few bits flipped.
      HandStream s(round % 4 == 0, 4 + next(3));
      const unsigned tokens = next(400);
      std::size_t produced = 0;
      for (unsigned t = 0; t < tokens; ++t) {
        if (produced == 0 || next(2)) {
          s.Literal(static_cast<unsigned char>(next(4) ? " etaoinshrdlu"[next(13)] : next(256)));
          ++produced;
        } else {
          const unsigned length = 2 + next(60);
          s.Copy(length, 1 + next(length == 2 ? 256 : 1024));
          produced += length;
        }
      }
      s.EndOfStream();
      stream = s.Bytes();
      if (next(2)) stream.resize(5 + next(static_cast<unsigned>(stream.size())));
      for (unsigned flips = next(3); flips > 0; --flips) {
        const std::size_t at = 2 + next(static_cast<unsigned>(stream.size() - 2));
        stream[at] = static_cast<char>(stream[at] ^ (1 << next(8)));
      }
    } else {
      // Noise, mostly behind valid header bytes.
      stream.resize(next(3000));
      for (char& c : stream) c = static_cast<char>(rng());
      if (stream.size() > 2 && next(8) != 0) {
        stream[0] = static_cast<char>(next(2));
        stream[1] = static_cast<char>(4 + next(3));
      }
    }
    std::string expected;
    const unsigned expectedResult = ReferenceDecoder(stream).Decode(expected);
    const DecodeRun run = Decode(stream, next(3) == 0 ? 1 + next(40) : 0);
    ASSERT_EQ(run.result, expectedResult) << "round " << round;
    ASSERT_EQ(run.output, expected) << "round " << round;
  }
}
