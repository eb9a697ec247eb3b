// Writing package archives and packed files: the media tool's side of the containers.
// The wizard only reads them; the layouts are those of package_format.h.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "archive/implode.h"
#include "archive/package_format.h"

namespace yv::archive {

struct ImplodeSettings {
  ImplodeLiteralMode mode = ImplodeLiteralMode::kBinary;
  unsigned dictionarySize = 4096;
};

// Why `gbkName` cannot name an entry of an archive of `formatVersion` (an English
// sentence), or the empty string when it can: versions 0-2 hold at most 14 bytes in the
// record, version 3 at most 511 after it; no zero bytes (the reader stops at the first);
// and the name must stay inside the destination folder.
std::string EntryNameProblem(std::string_view gbkName, uint8_t formatVersion);

// How an entry's data are kept.
enum class EntryStorage {
  kCompress,       // always one implode stream
  kStore,          // always the bytes as they are
  kSmallerOfBoth,  // a stream, unless it would not be smaller than the content
};

// An entry ready to be written: its record fields and its data bytes.
struct EncodedEntry {
  PackageEntry entry;
  std::string data;
};

// Encodes one file's content as an entry. The checksum is always filled in, also for a
// stored entry (where readers do not check it).
EncodedEntry EncodeEntry(std::string gbkName, uint64_t lastWriteTime, std::string_view content, EntryStorage storage,
                         const ImplodeSettings& settings);
// The same with the content's implode stream made beforehand (ImplodeInParallel, say);
// `stream` is not looked at for kStore.
EncodedEntry EncodeEntryWithStream(std::string gbkName, uint64_t lastWriteTime, std::string_view content,
                                   EntryStorage storage, std::string stream);

// The 32-byte header; the bytes that readers do not interpret are zero.
std::string EncodePackageHeader(uint8_t formatVersion, uint16_t entryCount);
// Appends one entry: its 32-byte record, in version 3 its name, then its data. The
// name must have passed EntryNameProblem.
void AppendPackageEntry(std::string& out, const EncodedEntry& encoded, uint8_t formatVersion);
// A whole archive in memory.
std::string BuildPackageArchive(uint8_t formatVersion, const std::vector<EncodedEntry>& entries);

// The 64-byte header of a packed file: the magic, the checksum at offset 31, zeros.
std::string EncodePackedFileHeader(uint32_t contentChecksum);
// A whole packed file: the header and the stream of `content`.
std::string BuildPackedFile(std::string_view content, const ImplodeSettings& settings);
// The same with the content's checksum and stream made beforehand.
std::string BuildPackedFile(uint32_t contentChecksum, std::string_view stream);

}  // namespace yv::archive
