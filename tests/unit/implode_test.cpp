#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <random>
#include <stdexcept>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "archive/crc32.h"
#include "archive/explode.h"
#include "archive/implode.h"
#include "archive/implode_parallel.h"
#include "archive/package_format.h"

using namespace yv::archive;

namespace {

// Text with the shape of documentation: words from a small vocabulary, punctuation,
// lines. Deterministic for a given seed.
std::string MakeText(std::size_t size, unsigned seed = 1) {
  static const char* const kWords[] = {
      "the",     "installation", "folder",  "archive", "of",    "and",      "program",
      "setup",   "is",           "copied",  "to",      "a",     "receiver", "card",
      "driver",  "component",    "license", "file",    "when",  "Windows",  "group",
      "shortcut", "registry",    "value",   "may",     "not",   "be",       "changed"};
  std::mt19937 rng(seed);
  std::string text;
  while (text.size() < size) {
    text += kWords[rng() % (sizeof kWords / sizeof kWords[0])];
    const unsigned r = rng() % 16;
    text += r == 0 ? ".\r\n" : r == 1 ? ", " : " ";
  }
  text.resize(size);
  return text;
}

std::string MakeRandom(std::size_t size, unsigned seed = 2) {
  std::mt19937 rng(seed);
  std::string bytes(size, '\0');
  for (char& c : bytes) c = static_cast<char>(rng() & 0xFF);
  return bytes;
}

// Something like program code: short runs of repeated structures, small integers,
// zero padding, and noise.
std::string MakeBinary(std::size_t size, unsigned seed = 3) {
  std::mt19937 rng(seed);
  std::string bytes;
  while (bytes.size() < size) {
    switch (rng() % 4) {
      case 0: bytes.append(rng() % 40, '\0'); break;
      case 1: {
        const auto v = static_cast<uint32_t>(rng() % 5000);
        for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<char>(v >> (8 * i)));
        break;
      }
      case 2: {
        const std::size_t back = 1 + rng() % std::min<std::size_t>(bytes.size() + 1, 3000);
        const std::size_t n = 3 + rng() % 30;
        for (std::size_t i = 0; i < n && back <= bytes.size(); ++i) {
          bytes.push_back(bytes[bytes.size() - back]);
        }
        break;
      }
      default: bytes.push_back(static_cast<char>(rng() & 0xFF)); break;
    }
  }
  bytes.resize(size);
  return bytes;
}

// A random block of `period` bytes repeated: the copies lie exactly `period` back, which
// for periods just above a dictionary size must not be used.
std::string MakePeriodic(std::size_t size, std::size_t period) {
  const std::string block = MakeRandom(period, static_cast<unsigned>(period));
  std::string bytes;
  while (bytes.size() < size) bytes += block;
  bytes.resize(size);
  return bytes;
}

std::string MakeContent(const std::string& kind, std::size_t size) {
  if (kind == "text") return MakeText(size);
  if (kind == "random") return MakeRandom(size);
  if (kind == "binary") return MakeBinary(size);
  if (kind == "zeros") return std::string(size, '\0');
  if (kind == "abab") return MakePeriodic(size, 2);
  if (kind == "period257") return MakePeriodic(size, 257);
  if (kind == "period1025") return MakePeriodic(size, 1025);
  if (kind == "period2049") return MakePeriodic(size, 2049);
  if (kind == "period4096") return MakePeriodic(size, 4096);
  if (kind == "period4097") return MakePeriodic(size, 4097);
  throw std::logic_error("unknown content kind " + kind);
}

// Encodes, decodes with Explode, and checks that the content comes back whole, that
// the decoder met the end-of-stream code, and that the checksum agrees.
void ExpectRoundTrip(const std::string& content, ImplodeLiteralMode mode, unsigned dictionary) {
  const std::string stream = Implode(content, mode, dictionary);
  ASSERT_GE(stream.size(), 4u);
  // The segments encoded apart on three threads join into the very same stream.
  EXPECT_TRUE(ImplodeInParallel(content, mode, dictionary, 3) == stream);
  EXPECT_EQ(static_cast<unsigned char>(stream[0]), static_cast<unsigned>(mode));
  EXPECT_EQ(static_cast<unsigned char>(stream[1]),
            dictionary == 1024 ? 4u : dictionary == 2048 ? 5u : 6u);
  const MemoryDecode decoded = DecodeToMemory(stream);
  EXPECT_EQ(decoded.explodeResult, content.empty() ? kExplodeInputTooShort : kExplodeOk);
  ASSERT_EQ(decoded.content.size(), content.size());
  EXPECT_TRUE(decoded.content == content) << "decoded content differs";
  EXPECT_EQ(decoded.checksum, Crc32Update(content.data(), content.size(), 0));
  EXPECT_TRUE(
      DecodeAccepted(decoded.explodeResult, decoded.checksum, Crc32Update(content.data(), content.size(), 0), stream));
}

using RoundTripCase = std::tuple<std::string, std::size_t, ImplodeLiteralMode, unsigned>;

class ImplodeRoundTrip : public ::testing::TestWithParam<RoundTripCase> {};

TEST_P(ImplodeRoundTrip, DecodesToTheSameContent) {
  const auto& [kind, size, mode, dictionary] = GetParam();
  ExpectRoundTrip(MakeContent(kind, size), mode, dictionary);
}

std::string CaseName(const ::testing::TestParamInfo<RoundTripCase>& info) {
  const auto& [kind, size, mode, dictionary] = info.param;
  return kind + "_" + std::to_string(size) + "_" +
         (mode == ImplodeLiteralMode::kAscii ? "ascii" : "binary") + "_" + std::to_string(dictionary);
}

INSTANTIATE_TEST_SUITE_P(
    SmallAndBlockEdges, ImplodeRoundTrip,
    ::testing::Combine(::testing::Values("text", "random", "binary", "zeros", "abab", "period257",
                                         "period1025", "period2049", "period4096", "period4097"),
                       ::testing::Values(0, 1, 2, 3, 517, 518, 519, 4095, 4096, 4097, 70001),
                       ::testing::Values(ImplodeLiteralMode::kBinary, ImplodeLiteralMode::kAscii),
                       ::testing::Values(1024u, 2048u, 4096u)),
    CaseName);

// Several MiB, so that the encoder's planning blocks and the decoder's window both wrap
// many times.
INSTANTIATE_TEST_SUITE_P(
    SeveralMiB, ImplodeRoundTrip,
    ::testing::Values(RoundTripCase{"text", 3 * 1024 * 1024 + 17, ImplodeLiteralMode::kAscii, 4096},
                      RoundTripCase{"text", 3 * 1024 * 1024 + 17, ImplodeLiteralMode::kBinary, 1024},
                      RoundTripCase{"binary", 3 * 1024 * 1024 + 5, ImplodeLiteralMode::kBinary, 4096},
                      RoundTripCase{"binary", 3 * 1024 * 1024 + 5, ImplodeLiteralMode::kAscii, 2048},
                      RoundTripCase{"random", 2 * 1024 * 1024, ImplodeLiteralMode::kBinary, 2048},
                      RoundTripCase{"zeros", 4 * 1024 * 1024, ImplodeLiteralMode::kBinary, 4096},
                      RoundTripCase{"period4097", 2 * 1024 * 1024, ImplodeLiteralMode::kAscii, 4096},
                      RoundTripCase{"text", kImplodeSegmentSize + 1, ImplodeLiteralMode::kBinary, 4096},
                      RoundTripCase{"period4097", 2 * kImplodeSegmentSize, ImplodeLiteralMode::kAscii, 1024}),
    CaseName);

TEST(Implode, EmptyContentIsTheFourByteStream) {
  // Header, then flag 1, length symbol 15 (seven 0 bits) and eight 1 bits.
  EXPECT_EQ(Implode("", ImplodeLiteralMode::kBinary, 4096), std::string("\x00\x06\x01\xFF", 4));
  EXPECT_EQ(Implode("", ImplodeLiteralMode::kAscii, 1024), std::string("\x01\x04\x01\xFF", 4));
}

TEST(Implode, EveryByteValueSurvivesInBothModes) {
  std::string all;
  for (int round = 0; round < 3; ++round) {
    for (int b = 0; b < 256; ++b) all.push_back(static_cast<char>(round == 1 ? 255 - b : b));
  }
  ExpectRoundTrip(all, ImplodeLiteralMode::kAscii, 1024);
  ExpectRoundTrip(all, ImplodeLiteralMode::kBinary, 4096);
}

TEST(Implode, CompressesTextRepetitionAndZeros) {
  const std::string text = MakeText(256 * 1024);
  const std::size_t binarySize = Implode(text, ImplodeLiteralMode::kBinary, 4096).size();
  const std::size_t asciiSize = Implode(text, ImplodeLiteralMode::kAscii, 4096).size();
  EXPECT_LT(binarySize, text.size() * 40 / 100);
  // The ASCII literal code is made for text.
  EXPECT_LT(asciiSize, binarySize);
  // A larger dictionary finds more.
  EXPECT_LT(Implode(text, ImplodeLiteralMode::kAscii, 4096).size(),
            Implode(text, ImplodeLiteralMode::kAscii, 1024).size());

  // A run of zeros costs about 24 bits per 518-byte copy.
  const std::string zeros(1024 * 1024, '\0');
  EXPECT_LT(Implode(zeros, ImplodeLiteralMode::kBinary, 4096).size(), zeros.size() / 150);
  // Random data repeated every 200 bytes: everything after the first period is copies.
  const std::string periodic = MakePeriodic(64 * 1024, 200);
  EXPECT_LT(Implode(periodic, ImplodeLiteralMode::kBinary, 1024).size(), 2000u);
}

TEST(Implode, RandomDataGrowsNoMoreThanItsLiteralCost) {
  const std::string random = MakeRandom(100000);
  // Binary mode: at most 9 bits per byte, plus header and end code.
  EXPECT_LE(Implode(random, ImplodeLiteralMode::kBinary, 4096).size(), random.size() * 9 / 8 + 5);
  // A copy found by chance is only taken when it costs fewer bits than its literals.
  EXPECT_LE(Implode(random, ImplodeLiteralMode::kAscii, 4096).size(), random.size() * 14 / 8 + 5);
}

TEST(Implode, RefusesDictionarySizesTheStreamCannotName) {
  EXPECT_THROW(Implode("abc", ImplodeLiteralMode::kBinary, 8192), std::invalid_argument);
  EXPECT_THROW(Implode("abc", ImplodeLiteralMode::kBinary, 0), std::invalid_argument);
  EXPECT_THROW(ImplodeSegment("abc", 0, ImplodeLiteralMode::kBinary, 8192), std::invalid_argument);
  EXPECT_THROW(ImplodeSegment("abc", 1, ImplodeLiteralMode::kBinary, 4096), std::out_of_range);
}

// Segments encoded in any order (last first, each by a fresh encoder) join into Implode's
// stream: a segment depends on nothing but the content.
TEST(Implode, SegmentsEncodedInAnyOrderJoinIntoTheSameStream) {
  const std::string content = MakeContent("text", 3 * kImplodeSegmentSize + 1234);
  ASSERT_EQ(ImplodeSegmentCount(content.size()), 4u);
  std::vector<ImplodeBits> segments(4);
  for (std::size_t i = 4; i-- > 0;) segments[i] = ImplodeSegment(content, i, ImplodeLiteralMode::kAscii, 2048);
  for (const ImplodeBits& segment : segments) {
    EXPECT_EQ(segment.bytes.size(), (segment.bitCount + 7) / 8);
  }
  EXPECT_TRUE(JoinImplodeSegments(segments, ImplodeLiteralMode::kAscii, 2048, content.size()) ==
              Implode(content, ImplodeLiteralMode::kAscii, 2048));
  EXPECT_EQ(JoinImplodeSegments({}, ImplodeLiteralMode::kBinary, 4096, 0),
            Implode("", ImplodeLiteralMode::kBinary, 4096));
}

// A thread keeps the encoder's tables from one content to the next: what it encoded
// before must leave no trace, whether the next content is small (its table slots are
// cleared one by one) or large (the whole tables are).
TEST(Implode, StreamDependsOnlyOnTheContentNotOnWhatTheThreadEncodedBefore) {
  const std::string before = MakeContent("binary", 3 * kImplodeSegmentSize);
  for (const std::size_t size : {std::size_t{3000}, kImplodeSegmentSize + 4321}) {
    const std::string content = MakeText(size, 7);
    const std::size_t last = ImplodeSegmentCount(size) - 1;
    std::string freshStream;
    std::string freshSegment;
    std::thread([&] {
      freshStream = Implode(content, ImplodeLiteralMode::kBinary, 4096);
      freshSegment = ImplodeSegment(content, last, ImplodeLiteralMode::kBinary, 4096).bytes;
    }).join();
    Implode(before, ImplodeLiteralMode::kBinary, 4096);
    EXPECT_TRUE(Implode(content, ImplodeLiteralMode::kBinary, 4096) == freshStream) << size;
    Implode(before, ImplodeLiteralMode::kBinary, 4096);
    EXPECT_TRUE(ImplodeSegment(content, last, ImplodeLiteralMode::kBinary, 4096).bytes == freshSegment) << size;
  }
}

TEST(RunInParallel, RunsEveryTaskOnceAndPassesTheFirstFailureOn) {
  for (unsigned threads : {1u, 2u, 5u}) {
    std::vector<std::atomic<int>> runs(40);
    RunInParallel(runs.size(), threads, [&](std::size_t i) { ++runs[i]; });
    for (const auto& n : runs) EXPECT_EQ(n, 1) << threads;
    EXPECT_THROW(RunInParallel(40, threads,
                               [](std::size_t i) {
                                 if (i == 7) throw std::runtime_error("task 7");
                               }),
                 std::runtime_error);
  }
  RunInParallel(0, 3, [](std::size_t) { FAIL() << "no task to run"; });
}

}  // namespace
