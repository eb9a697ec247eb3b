#include "archive/stream_decode.h"

#include <cstring>
#include <memory>
#include <new>

#include "archive/crc32.h"
#include "archive/explode.h"
#include "archive/package_format.h"

namespace yv::archive {

namespace {

struct Transfer {
  const StreamPull* pull;
  const BlockSink* sink;
  StreamDecode* decode;
  bool firstReadDone = false;
};

unsigned Pull(char* buf, unsigned* size, void* param) {
  auto& t = *static_cast<Transfer*>(param);
  // After a refused block nothing more is decoded: the decoder sees the input end.
  const std::size_t got = t.decode->sinkFailed ? 0 : (*t.pull)(buf, *size);
  *size = static_cast<unsigned>(got);
  if (!t.firstReadDone) {
    t.firstReadDone = true;
    t.decode->firstReadSize = got < sizeof t.decode->firstRead ? got : sizeof t.decode->firstRead;
    std::memcpy(t.decode->firstRead, buf, t.decode->firstReadSize);
  }
  return static_cast<unsigned>(got);
}

void Push(char* buf, unsigned* size, void* param) {
  auto& t = *static_cast<Transfer*>(param);
  StreamDecode& d = *t.decode;
  d.checksum = Crc32Update(buf, *size, d.checksum);
  d.size += *size;
  if (!d.sinkFailed && *size != 0 && !(*t.sink)(buf, *size)) d.sinkFailed = true;
}

}  // namespace

bool StreamDecode::Accepted(uint32_t expectedChecksum) const {
  return !sinkFailed && !outOfMemory &&
         DecodeAccepted(explodeResult, checksum, expectedChecksum,
                        std::string_view(reinterpret_cast<const char*>(firstRead), firstReadSize));
}

StreamDecode DecodeStream(const StreamPull& pull, const BlockSink& sink) {
  StreamDecode decode;
  std::unique_ptr<char[]> workArea(new (std::nothrow) char[kExplodeWorkAreaSize]());  // zero-filled
  if (!workArea) {
    decode.outOfMemory = true;
    return decode;
  }
  Transfer transfer{&pull, &sink, &decode};
  decode.explodeResult = Explode(Pull, Push, workArea.get(), &transfer);
  return decode;
}

StreamPull MemoryPull(std::string_view bytes) {
  return [bytes, position = std::size_t{0}](char* buf, std::size_t wanted) mutable {
    const std::size_t n = wanted < bytes.size() - position ? wanted : bytes.size() - position;
    std::memcpy(buf, bytes.data() + position, n);
    position += n;
    return n;
  };
}

}  // namespace yv::archive
