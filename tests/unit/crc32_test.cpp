#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "archive/crc32.h"

using yv::archive::Crc32Update;
namespace crc32 = yv::archive::crc32;

namespace {
uint32_t Crc(const std::string& s) {
  return Crc32Update(s.data(), s.size(), 0);
}

// The checksum one bit at a time, straight from the polynomial.
uint32_t BitwiseCrc(const std::string& s, uint32_t r) {
  for (unsigned char b : s) {
    r ^= b;
    for (int i = 0; i < 8; ++i) r = (r & 1) ? (r >> 1) ^ 0xEDB88320u : r >> 1;
  }
  return r;
}
}  // namespace

TEST(Crc32, CheckValuesWithRegisterZeroAndNoComplement) {
  EXPECT_EQ(Crc(""), 0u);
  EXPECT_EQ(Crc("abc"), 0xCA6598D0u);
  EXPECT_EQ(Crc("123456789"), 0x2DFD2D88u);
  // Content made only of zero bytes keeps the register at 0, whatever its length.
  for (std::size_t n : {1u, 7u, 8u, 9u, 4096u, 100000u}) EXPECT_EQ(Crc(std::string(n, '\0')), 0u);
  // One byte 01 gives table entry 1.
  EXPECT_EQ(Crc(std::string(1, '\x01')), 0x77073096u);
}

TEST(Crc32, MatchesTheBitwiseDefinitionInAnyPieces) {
  std::mt19937 rng(7);
  std::string data(5000, '\0');
  for (char& c : data) c = static_cast<char>(rng());
  for (std::size_t size : {0u, 1u, 3u, 8u, 15u, 16u, 17u, 4095u, 5000u}) {
    const std::string part = data.substr(0, size);
    const uint32_t start = size % 2 ? 0x12345678u : 0u;
    ASSERT_EQ(Crc32Update(part.data(), part.size(), start), BitwiseCrc(part, start)) << size;
  }
  // Updating in pieces (misaligned, odd sizes) equals one pass.
  uint32_t r = 0;
  std::size_t at = 0;
  for (std::size_t step = 1; at < data.size(); step = step * 3 % 37 + 1) {
    const std::size_t n = std::min(step, data.size() - at);
    r = Crc32Update(data.data() + at, n, r);
    at += n;
  }
  EXPECT_EQ(r, BitwiseCrc(data, 0));
}

TEST(Crc32, PowersOfXAreTheRegisterAfterOneBitAndZeros) {
  // x^n mod P, of which the folding factors are made, is the register after a 1 bit
  // followed by n - 32 zero bits: bit k of a first byte, then whole zero bytes.
  for (unsigned n = 32; n <= 1200; ++n) {
    std::string bits(1 + (n - 32) / 8, '\0');
    bits[0] = static_cast<char>(1u << (7 - (n - 32) % 8));
    ASSERT_EQ(crc32::XPowerMod(n), crc32::UpdateByTables(bits.data(), bits.size(), 0)) << n;
  }
}

TEST(Crc32, EveryPathMatchesTheTablesAtEveryLengthAndAlignment) {
  using Path = uint32_t (*)(const void*, std::size_t, uint32_t);
  std::vector<Path> paths = {Crc32Update};
  if (crc32::CanFold()) paths.push_back(crc32::UpdateByFolding);
  if (crc32::CanFoldWide()) paths.push_back(crc32::UpdateByWideFolding);
  std::mt19937 rng(11);
  std::vector<unsigned char> data((3u << 20) + 64);
  for (auto& b : data) b = static_cast<unsigned char>(rng());
  for (Path path : paths) {
    for (std::size_t align = 0; align < 16; ++align) {
      const unsigned char* p = data.data() + align;
      for (std::size_t size = 0; size <= 4096; ++size) {
        const uint32_t start = static_cast<uint32_t>(size * 0x9E3779B9u);
        ASSERT_EQ(path(p, size, start), crc32::UpdateByTables(p, size, start)) << align << " " << size;
      }
      for (std::size_t size : {(1u << 20) + 15, (3u << 20) + 33}) {
        ASSERT_EQ(path(p, size, 0xFFFFFFFFu), crc32::UpdateByTables(p, size, 0xFFFFFFFFu)) << align << " " << size;
      }
    }
  }
}
