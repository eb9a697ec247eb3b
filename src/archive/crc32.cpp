#include "archive/crc32.h"

#include <array>

#include "archive/byte_order.h"

#if defined(__x86_64__) || defined(__i386__)
#include <cpuid.h>
#include <immintrin.h>
#define YV_CRC32_FOLDING 1
#endif

namespace yv::archive {

namespace {

using crc32::kPolynomial;
using crc32::XPowerMod;

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
static_assert(XPowerMod(32) == kPolynomial && XPowerMod(39) == kTables[0][1]);

}  // namespace

uint32_t crc32::UpdateByTables(const void* data, std::size_t size, uint32_t crc) {
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
    crc = kTables[7][lo & 0xFF] ^ kTables[6][(lo >> 8) & 0xFF] ^ kTables[5][(lo >> 16) & 0xFF] ^ kTables[4][lo >> 24] ^
          kTables[3][hi & 0xFF] ^ kTables[2][(hi >> 8) & 0xFF] ^ kTables[1][(hi >> 16) & 0xFF] ^ kTables[0][hi >> 24];
    p += 8;
    size -= 8;
  }
  while (size--) crc = kTables[0][(crc ^ *p++) & 0xFF] ^ (crc >> 8);
  return crc;
}

#if YV_CRC32_FOLDING

namespace {

// Folding. Content is a polynomial whose first bit (bit 0 of the first byte) is its
// highest term, and the register after it, from 0, is content * x^32 mod P. Sixteen bytes
// in a register of the processor are so Q0 * x^64 + Q1, Q0 the first eight. Carry-less
// multiplication of such a half by a 64-bit factor k gives, read the same way over 128
// bits, Q * K with K = sum of k_j * x^(64 - j). With k = (x^(n-1) mod P) << 32 that K is
// x * (x^(n-1) mod P), which leaves the same remainder as x^n. So sixteen bytes are moved
// d bits further on (to meet the bytes there) by the factors of x^(64+d) and x^d, and
// what the folds leave has the remainder of all the content folded so far.
constexpr uint64_t FactorOf(unsigned n) {
  return uint64_t{XPowerMod(n - 1)} << 32;
}

struct FoldFactors {
  uint64_t first;   // for the first eight bytes
  uint64_t second;  // for the last eight
};
constexpr FoldFactors FactorsFor(unsigned bits) {
  return {FactorOf(64 + bits), FactorOf(bits)};
}

// The functions that use the instructions are compiled for them alone; CanFold and
// CanFoldWide decide whether they run. 32-bit Windows aligns the stack to 4 bytes only,
// and these keep 16-byte values there, so they align it on entry.
#if defined(__i386__)
#define YV_FOLD_TARGET __attribute__((target("pclmul,sse2"), force_align_arg_pointer))
#else
#define YV_FOLD_TARGET __attribute__((target("pclmul,sse2")))
#endif

YV_FOLD_TARGET inline __m128i Load(const unsigned char* p) {
  return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
}

YV_FOLD_TARGET inline __m128i Factors(FoldFactors f) {
  return _mm_set_epi64x(static_cast<long long>(f.second), static_cast<long long>(f.first));
}

// `lane` moved on by the factors, plus the bytes it meets.
YV_FOLD_TARGET inline __m128i FoldInto(__m128i lane, __m128i factors, __m128i bytes) {
  return _mm_xor_si128(
      _mm_xor_si128(_mm_clmulepi64_si128(lane, factors, 0x00), _mm_clmulepi64_si128(lane, factors, 0x11)), bytes);
}

// The lanes are kept in arrays for the source's sake; their loops are unrolled so that
// they stay in registers.
#define YV_EACH_LANE _Pragma("GCC unroll 4")

// The register after `x`, which has the remainder of all the content before `p`, and
// the `size` bytes at `p`: 16 bytes a step, the last 15 or fewer through the tables.
YV_FOLD_TARGET inline uint32_t FinishFolding(__m128i x, const unsigned char* p, std::size_t size) {
  const __m128i by128 = Factors(FactorsFor(128));
  for (; size >= 16; p += 16, size -= 16) x = FoldInto(x, by128, Load(p));
  unsigned char rest[16];
  _mm_storeu_si128(reinterpret_cast<__m128i*>(rest), x);
  return crc32::UpdateByTables(p, size, crc32::UpdateByTables(rest, sizeof rest, 0));
}

struct CpuId {
  unsigned a = 0, b = 0, c = 0, d = 0;
  explicit CpuId(unsigned leaf) { __cpuid_count(leaf, 0, a, b, c, d); }
};

}  // namespace

bool crc32::CanFold() {
  static const bool can = [] {
    if (__get_cpuid_max(0, nullptr) < 1) return false;
    const CpuId features(1);
    return (features.c & bit_PCLMUL) && (features.d & bit_SSE2);
  }();
  return can;
}

// Four registers take 64 bytes a step, each folding on its own; then they are folded
// into one.
YV_FOLD_TARGET uint32_t crc32::UpdateByFolding(const void* data, std::size_t size, uint32_t crc) {
  const auto* p = static_cast<const unsigned char*>(data);
  if (size < 64) return UpdateByTables(p, size, crc);
  __m128i x[4];
  YV_EACH_LANE for (int i = 0; i < 4; ++i) x[i] = Load(p + 16 * i);
  // The register's starting value counts as if added to the first four bytes.
  x[0] = _mm_xor_si128(x[0], _mm_cvtsi32_si128(static_cast<int>(crc)));
  const __m128i by512 = Factors(FactorsFor(512));
  for (p += 64, size -= 64; size >= 64; p += 64, size -= 64) {
    YV_EACH_LANE for (int i = 0; i < 4; ++i) x[i] = FoldInto(x[i], by512, Load(p + 16 * i));
  }
  // Each lane moved on to meet the last one: three folds that do not wait on each other.
  const __m128i last = FoldInto(x[2], Factors(FactorsFor(128)), x[3]);
  const __m128i lastTwo = FoldInto(x[1], Factors(FactorsFor(256)), last);
  return FinishFolding(FoldInto(x[0], Factors(FactorsFor(384)), lastTwo), p, size);
}

#endif

#if YV_CRC32_FOLDING && defined(__x86_64__)

// The same folds on 64-byte registers, four lanes of 16 bytes each, where the processor
// and the system have them (AVX-512 with carry-less multiplication: several times the
// speed of the 16-byte registers). Only the 64-bit programs take this path.
#define YV_WIDE_FOLD_TARGET __attribute__((target("avx512f,vpclmulqdq,pclmul,sse2")))

namespace {

YV_WIDE_FOLD_TARGET inline __m512i WideFoldInto(__m512i lane, __m512i factors, __m512i bytes) {
  // 0x96: the three-way exclusive or.
  return _mm512_ternarylogic_epi64(_mm512_clmulepi64_epi128(lane, factors, 0x00),
                                   _mm512_clmulepi64_epi128(lane, factors, 0x11), bytes, 0x96);
}

YV_WIDE_FOLD_TARGET inline __m512i WideFactors(FoldFactors f) {
  const auto first = static_cast<long long>(f.first);
  const auto second = static_cast<long long>(f.second);
  return _mm512_set_epi64(second, first, second, first, second, first, second, first);
}

}  // namespace

bool crc32::CanFoldWide() {
  static const bool can = [] {
    if (__get_cpuid_max(0, nullptr) < 7 || !CanFold() || !(CpuId(1).c & bit_OSXSAVE)) return false;
    const CpuId features(7);
    if (!(features.b & bit_AVX512F) || !(features.c & bit_VPCLMULQDQ)) return false;
    // The system must save the 64-byte registers (and the mask registers) too.
    unsigned lo = 0, hi = 0;
    __asm__("xgetbv" : "=a"(lo), "=d"(hi) : "c"(0));
    return (lo & 0xE6) == 0xE6;
  }();
  return can;
}

YV_WIDE_FOLD_TARGET uint32_t crc32::UpdateByWideFolding(const void* data, std::size_t size, uint32_t crc) {
  const auto* p = static_cast<const unsigned char*>(data);
  if (size < 256) return UpdateByFolding(p, size, crc);
  __m512i x[4];
  YV_EACH_LANE for (int i = 0; i < 4; ++i) x[i] = _mm512_loadu_si512(p + 64 * i);
  x[0] = _mm512_xor_si512(x[0], _mm512_zextsi128_si512(_mm_cvtsi32_si128(static_cast<int>(crc))));
  const __m512i by2048 = WideFactors(FactorsFor(2048));
  for (p += 256, size -= 256; size >= 256; p += 256, size -= 256) {
    YV_EACH_LANE for (int i = 0; i < 4; ++i) x[i] = WideFoldInto(x[i], by2048, _mm512_loadu_si512(p + 64 * i));
  }
  const __m512i by512 = WideFactors(FactorsFor(512));
  YV_EACH_LANE for (int i = 1; i < 4; ++i) x[0] = WideFoldInto(x[0], by512, x[i]);
  // Its four lanes, folded into one.
  alignas(64) unsigned char lanes[64];
  _mm512_store_si512(lanes, x[0]);
  const __m128i by128 = Factors(FactorsFor(128));
  __m128i lane = Load(lanes);
  for (unsigned at = 16; at < 64; at += 16) lane = FoldInto(lane, by128, Load(lanes + at));
  return FinishFolding(lane, p, size);
}

#else

bool crc32::CanFoldWide() {
  return false;
}
uint32_t crc32::UpdateByWideFolding(const void* data, std::size_t size, uint32_t crc) {
  return UpdateByFolding(data, size, crc);
}

#endif

#if !YV_CRC32_FOLDING

bool crc32::CanFold() {
  return false;
}
uint32_t crc32::UpdateByFolding(const void* data, std::size_t size, uint32_t crc) {
  return UpdateByTables(data, size, crc);
}

#endif

uint32_t Crc32Update(const void* data, std::size_t size, uint32_t crc) {
  using Update = uint32_t (*)(const void*, std::size_t, uint32_t);
  static const Update update = crc32::CanFoldWide() ? crc32::UpdateByWideFolding
                               : crc32::CanFold()   ? crc32::UpdateByFolding
                                                    : crc32::UpdateByTables;
  return update(data, size, crc);
}

}  // namespace yv::archive
