// Explode on any input, delivered in chunks whose size the input's first byte picks:
// no memory fault, and the callbacks always see what the decoder promises.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "archive/explode.h"

// Where blocks are copied to; visible outside this file, so the copy is never dropped.
char gBlockSink[yv::archive::kExplodeBlockSize];

namespace {

struct Feed {
  const uint8_t* data;
  std::size_t size;
  std::size_t position;
  std::size_t chunk;
  std::size_t reads;
  std::size_t output;
  bool lastBlockSeen;
};

void Check(bool condition) {
  if (!condition) std::abort();
}

unsigned Read(char* buf, unsigned* size, void* param) {
  auto& f = *static_cast<Feed*>(param);
  Check(*size == yv::archive::kExplodeReadRequest);
  std::size_t n = f.size - f.position;
  if (n > *size) n = *size;
  if (f.chunk != 0 && f.reads > 0 && n > f.chunk) n = f.chunk;
  ++f.reads;
  std::memcpy(buf, f.data + f.position, n);
  f.position += n;
  *size = static_cast<unsigned>(n);
  return static_cast<unsigned>(n);
}

void Write(char* buf, unsigned* size, void* param) {
  auto& f = *static_cast<Feed*>(param);
  Check(!f.lastBlockSeen);
  Check(*size <= yv::archive::kExplodeBlockSize);
  if (*size < yv::archive::kExplodeBlockSize) f.lastBlockSeen = true;
  // Copy the whole block out so that the sanitizer checks every byte of it (a read
  // outside the window), at the cost of one memcpy rather than a loop.
  std::memcpy(gBlockSink, buf, *size);
  f.output += *size;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  Feed feed{data + 1, size - 1, 0, std::size_t{data[0]} % 17, 0, 0, false};
  auto area = std::make_unique<char[]>(yv::archive::kExplodeWorkAreaSize);
  const unsigned result = yv::archive::Explode(Read, Write, area.get(), &feed);
  Check(result <= 4);
  if (result == yv::archive::kExplodeOk || result == yv::archive::kExplodeBrokenStream) {
    Check(feed.lastBlockSeen);
  } else {
    Check(feed.output == 0 && !feed.lastBlockSeen);
  }
  return 0;
}
