#include "archive/crc32.h"

#include <array>

#include "archive/byte_order.h"

namespace yv::archive {

namespace {

constexpr uint32_t kPolynomial = 0xEDB88320u;

// Slicing by 16: table 0 is the byte table of the checksum; table j gives the effect of
// a byte followed by j zero bytes, so sixteen bytes are folded in with sixteen
// independent lookups.
using Tables = std::array<std::array<uint32_t, 256>, 16>;

constexpr Tables MakeTables() {
  Tables t{};
  for (uint32_t i = 0; i < 256; ++i) {
    uint32_t r = i;
    for (int bit = 0; bit < 8; ++bit) r = (r & 1) ? (r >> 1) ^ kPolynomial : r >> 1;
    t[0][i] = r;
  }
  for (uint32_t i = 0; i < 256; ++i) {
    for (std::size_t j = 1; j < 16; ++j) t[j][i] = (t[j - 1][i] >> 8) ^ t[0][t[j - 1][i] & 0xFF];
  }
  return t;
}

constexpr Tables kTables = MakeTables();
static_assert(kTables[0][1] == 0x77073096u, "byte table of the reflected polynomial");

}  // namespace

uint32_t Crc32Update(const void* data, std::size_t size, uint32_t crc) {
  const auto* p = static_cast<const unsigned char*>(data);
  while (size >= 16) {
    const uint32_t a = LoadLE32(p) ^ crc;
    const uint32_t b = LoadLE32(p + 4);
    const uint32_t c = LoadLE32(p + 8);
    const uint32_t d = LoadLE32(p + 12);
    crc = kTables[15][a & 0xFF] ^ kTables[14][(a >> 8) & 0xFF] ^ kTables[13][(a >> 16) & 0xFF] ^ kTables[12][a >> 24] ^
          kTables[11][b & 0xFF] ^ kTables[10][(b >> 8) & 0xFF] ^ kTables[9][(b >> 16) & 0xFF] ^ kTables[8][b >> 24] ^
          kTables[7][c & 0xFF] ^ kTables[6][(c >> 8) & 0xFF] ^ kTables[5][(c >> 16) & 0xFF] ^ kTables[4][c >> 24] ^
          kTables[3][d & 0xFF] ^ kTables[2][(d >> 8) & 0xFF] ^ kTables[1][(d >> 16) & 0xFF] ^ kTables[0][d >> 24];
    p += 16;
    size -= 16;
  }
  while (size >= 8) {
    uint32_t lo = LoadLE32(p) ^ crc;
    uint32_t hi = LoadLE32(p + 4);
    crc = kTables[7][lo & 0xFF] ^ kTables[6][(lo >> 8) & 0xFF] ^ kTables[5][(lo >> 16) & 0xFF] ^
          kTables[4][lo >> 24] ^ kTables[3][hi & 0xFF] ^ kTables[2][(hi >> 8) & 0xFF] ^
          kTables[1][(hi >> 16) & 0xFF] ^ kTables[0][hi >> 24];
    p += 8;
    size -= 8;
  }
  while (size--) crc = kTables[0][(crc ^ *p++) & 0xFF] ^ (crc >> 8);
  return crc;
}

}  // namespace yv::archive
