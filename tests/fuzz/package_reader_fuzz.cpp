// The package archive reader on any bytes: every entry it yields lies inside the input,
// has a name that stays in its folder, and its data decode without a memory fault.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "archive/package_format.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  using namespace yv::archive;
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  MemoryByteSource source(bytes);
  PackageReader reader(source);
  if (!reader.ReadHeader()) return 0;
  std::size_t consumed = kPackageHeaderSize;
  PackageEntry entry;
  std::string block;
  while (reader.NextEntry(entry)) {
    if (!IsSafeEntryName(entry.name)) std::abort();
    consumed += kPackageEntrySize + entry.nameLength + entry.storedSize;
    if (consumed > size) std::abort();
    if (!reader.ReadData(block) || block.size() != entry.storedSize) std::abort();
    if (entry.IsCompressed()) VerifyCompressedEntry(block, entry.contentChecksum);
  }
  if (reader.EntriesRead() > reader.Header().entryCount) std::abort();
  if (reader.Fault() == PackageFault::kNone && reader.EntriesRead() != reader.Header().entryCount) {
    std::abort();
  }
  return 0;
}
