// The byte layouts of package archives and packed files: the header and entry records,
// the packed file's header, and the path rule that tells the two kinds apart.
#include <cstring>

#include "archive/byte_order.h"
#include "archive/package_format.h"
#include "text/gbk.h"

namespace yv::archive {

std::optional<PackageHeader> ParsePackageHeader(const unsigned char* p32) {
  if (std::memcmp(p32, kPackageMagic.data(), kPackageMagic.size()) != 0) return std::nullopt;
  PackageHeader header;
  header.formatVersion = p32[kHeaderVersionOffset];
  header.headerFlags = p32[kHeaderFlagsOffset];
  header.entryCount = LoadLE16(p32 + kHeaderEntryCountOffset);
  if (header.formatVersion > kNewestFormatVersion || header.headerFlags != 0) return std::nullopt;
  return header;
}

std::optional<PackageEntry> ParsePackageEntry(const unsigned char* p32, uint8_t formatVersion) {
  PackageEntry entry;
  if (formatVersion >= kLongNameFormatVersion) {
    entry.nameLength = LoadLE16(p32 + kEntryNameLengthOffset);
    entry.lastWriteTime = LoadLE64(p32 + kEntryLastWriteTimeOffset);
  } else {
    const void* end = std::memchr(p32, 0, kEntryShortNameField);
    if (end == nullptr) return std::nullopt;
    entry.name.assign(reinterpret_cast<const char*>(p32),
                      static_cast<const unsigned char*>(end) - p32);
  }
  entry.compressedFlag = p32[kEntryCompressedFlagOffset];
  entry.storedSize = LoadLE32(p32 + kEntryStoredSizeOffset);
  entry.contentChecksum = LoadLE32(p32 + kEntryChecksumOffset);
  return entry;
}

std::string NameFromLongNameField(std::string_view bytes) {
  return std::string(bytes.substr(0, bytes.find('\0')));
}

bool PackedFileMagicMatches(const unsigned char* p64) {
  return text::EqualsIgnoreCase(std::string_view(reinterpret_cast<const char*>(p64), kPackedFileMagic.size()),
                                kPackedFileMagic);
}

uint32_t PackedFileChecksum(const unsigned char* p64) { return LoadLE32(p64 + kPackedFileChecksumOffset); }

bool IsPackageArchivePath(std::string_view path) {
  return text::FindText(path, ".vrk") != std::string_view::npos;
}

std::optional<PackedFileView> ParsePackedFile(std::string_view file) {
  if (file.size() < kPackedFileHeaderSize) return std::nullopt;
  const auto* p = reinterpret_cast<const unsigned char*>(file.data());
  if (!PackedFileMagicMatches(p)) return std::nullopt;
  return PackedFileView{PackedFileChecksum(p), file.substr(kPackedFileHeaderSize)};
}

}  // namespace yv::archive
