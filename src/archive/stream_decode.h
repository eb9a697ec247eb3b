// Decoding an implode stream from any source into any sink in constant memory: input
// is pulled in the decoder's 2048-byte requests and each decoded block is handed on at
// once, so the size of the content never matters.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string_view>

namespace yv::archive {

// Places up to `size` bytes in `buffer`; returns how many (0: no more input).
using StreamPull = std::function<std::size_t(char* buffer, std::size_t size)>;
// Takes one decoded block; false when it could not be kept (the decode then ends).
using BlockSink = std::function<bool(const char* data, std::size_t size)>;

struct StreamDecode {
  unsigned explodeResult = 0;  // ExplodeResult
  uint32_t checksum = 0;       // of every decoded byte
  uint64_t size = 0;           // decoded bytes
  bool sinkFailed = false;     // the sink refused a block
  bool outOfMemory = false;    // no work area for the decoder
  // The start of the first read, which tells the stream of empty content from a cut one.
  unsigned char firstRead[5] = {};
  std::size_t firstReadSize = 0;

  // Complete, every block kept, and `expectedChecksum` matched (see DecodeAccepted).
  bool Accepted(uint32_t expectedChecksum) const;
};

StreamDecode DecodeStream(const StreamPull& pull, const BlockSink& sink);

// A pull over bytes in memory, from their first on.
StreamPull MemoryPull(std::string_view bytes);

}  // namespace yv::archive
