// The package archive reader on any bytes, read as the media tool reads it (entry data
// streamed in parts or skipped): every entry it yields lies inside the input and has a
// name the rule accepts, compressed data decode without a memory fault, and the
// reading ends with a fault or after exactly the counted entries.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "archive/crc32.h"
#include "archive/package_format.h"
#include "archive/stream_decode.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  using namespace yv::archive;
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  MemoryByteSource source(bytes);
  PackageReader reader(source);
  if (!reader.ReadHeader()) return 0;
  std::size_t consumed = kPackageHeaderSize;
  PackageEntry entry;
  while (reader.NextEntry(entry)) {
    if (!IsSafeEntryName(entry.name)) std::abort();
    consumed += kPackageEntrySize + entry.nameLength + entry.storedSize;
    if (consumed > size) std::abort();
    if (entry.IsCompressed()) {
      const StreamDecode d = DecodeStream([&](char* buf, std::size_t n) { return reader.ReadDataPart(buf, n); },
                                          [](const char*, std::size_t) { return true; });
      if (d.Accepted(entry.contentChecksum) && d.explodeResult != 0 && d.explodeResult != 3) std::abort();
      if (!reader.SkipData()) std::abort();
    } else if (entry.storedSize % 2) {
      if (!reader.SkipData()) std::abort();
    } else {
      char part[777];
      uint64_t total = 0;
      while (std::size_t got = reader.ReadDataPart(part, sizeof part)) total += got;
      if (total != entry.storedSize || reader.DataLeft() != 0) std::abort();
    }
  }
  if (reader.EntriesRead() > reader.Header().entryCount) std::abort();
  if (reader.Fault() == PackageFault::kNone &&
      (reader.EntriesRead() != reader.Header().entryCount || reader.TrailingBytes() != size - consumed)) {
    std::abort();
  }
  return 0;
}
