// The checksum of the installation packages: the reflected CRC-32 table for the
// polynomial EDB88320, with the register starting at the caller's value and no
// complement at either end (so it is not the common CRC-32 of the data; the checksum
// of empty content, and of content made only of zero bytes, is 0).
#pragma once

#include <cstddef>
#include <cstdint>

namespace yv::archive {

// Runs `size` bytes through the register `crc` and returns the new register.
// The packages' checksum of some content is Crc32Update(content, size, 0).
// Folds with carry-less multiplication where the processor has it, else by tables;
// the way is chosen once, at the first call.
uint32_t Crc32Update(const void* data, std::size_t size, uint32_t crc);

namespace crc32 {

constexpr uint32_t kPolynomial = 0xEDB88320u;

// x^n mod P as the register holds it (reflected: bit 31 is x^0, bit 0 is x^31).
// Multiplying by x moves every bit down one place, and x^32 = P - x^32 comes back in.
// This is also the register after a 1 bit followed by n - 32 zero bits, from 0.
constexpr uint32_t XPowerMod(unsigned n) {
  uint32_t r = 0x80000000u;
  for (unsigned i = 0; i < n; ++i) r = (r & 1) ? (r >> 1) ^ kPolynomial : r >> 1;
  return r;
}

// The two ways of computing Crc32Update, for tests and benchmarks.
uint32_t UpdateByTables(const void* data, std::size_t size, uint32_t crc);
// True where the processor has carry-less multiplication (PCLMULQDQ), so that
// UpdateByFolding may be called.
bool CanFold();
uint32_t UpdateByFolding(const void* data, std::size_t size, uint32_t crc);
// True where the processor and the system have the 64-byte registers with carry-less
// multiplication (AVX-512, VPCLMULQDQ; 64-bit programs only), so that
// UpdateByWideFolding may be called.
bool CanFoldWide();
uint32_t UpdateByWideFolding(const void* data, std::size_t size, uint32_t crc);

}  // namespace crc32

}  // namespace yv::archive
