// The reference for the speed of `vrktool verify`: zlib's in-process decompression of
// the same content. Compresses FILE with zlib at level 9 (zlib format, Adler-32 checked
// on the way back), then prints the best of seven decompressions into a buffer of the
// right size, in seconds.
#include <zlib.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: yv_inflate_reference FILE\n");
    return 2;
  }
  std::ifstream in(argv[1], std::ios::binary);
  const std::string content((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  uLongf packedSize = compressBound(static_cast<uLong>(content.size()));
  std::string packed(packedSize, '\0');
  if (compress2(reinterpret_cast<Bytef*>(packed.data()), &packedSize, reinterpret_cast<const Bytef*>(content.data()),
                static_cast<uLong>(content.size()), 9) != Z_OK) {
    return 1;
  }
  std::string out(content.size(), '\0');
  double best = 1e9;
  for (int run = 0; run < 7; ++run) {
    const auto start = std::chrono::steady_clock::now();
    uLongf outSize = static_cast<uLongf>(out.size());
    if (uncompress(reinterpret_cast<Bytef*>(out.data()), &outSize, reinterpret_cast<const Bytef*>(packed.data()),
                   packedSize) != Z_OK ||
        out != content) {
      return 1;
    }
    best = std::min(best, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
  }
  std::printf("%.6f\n", best);
  return 0;
}
