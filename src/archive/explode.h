// Decoder of implode streams, the compressed form of the files in the installation
// packages. It is driven by two callbacks and keeps all its state in a work area that
// the caller supplies, so it allocates nothing and works in constant memory.
#pragma once

#include <cstddef>

namespace yv::archive {

// Asks for input: `*size` is the most the decoder takes (always kExplodeReadRequest);
// the callback may lower it. Returns the number of bytes placed in `buf`; 0 means that
// there is no more input.
using ExplodeRead = unsigned (*)(char* buf, unsigned* size, void* param);
// Takes decoded bytes: blocks of exactly kExplodeBlockSize bytes while decoding, then one
// last block of 0 to kExplodeBlockSize - 1 bytes (also after a failure).
using ExplodeWrite = void (*)(char* buf, unsigned* size, void* param);

// Bytes the caller allocates for one decode. The decoder's whole state fits in it.
constexpr std::size_t kExplodeWorkAreaSize = 36312;
constexpr unsigned kExplodeReadRequest = 2048;
constexpr unsigned kExplodeBlockSize = 4096;

enum ExplodeResult : unsigned {
  kExplodeOk = 0,              // the end-of-stream code was read; all output written
  kExplodeBadDictionary = 1,   // dictionary byte not 4, 5 or 6; no output
  kExplodeBadLiteralMode = 2,  // literal-mode byte not 0 or 1; no output
  kExplodeInputTooShort = 3,   // the first read delivered 4 bytes or fewer; no output
  kExplodeBrokenStream = 4,    // input ended before the end-of-stream code or mid-token;
                               // everything decoded before that point was written
};

// Decodes one stream. `workArea` holds kExplodeWorkAreaSize bytes (any alignment);
// `param` is handed unchanged to both callbacks.
ExplodeResult Explode(ExplodeRead read, ExplodeWrite write, char* workArea, void* param);

}  // namespace yv::archive
