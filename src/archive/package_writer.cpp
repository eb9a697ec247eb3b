#include "archive/package_writer.h"

#include <utility>

#include "archive/byte_order.h"
#include "archive/crc32.h"

namespace yv::archive {

std::string EntryNameProblem(std::string_view gbkName, uint8_t formatVersion) {
  if (gbkName.empty()) return "the entry name is empty";
  if (gbkName.find('\0') != std::string_view::npos) return "the entry name holds a zero byte";
  if (formatVersion < kLongNameFormatVersion && gbkName.size() > kEntryShortNameMax) {
    return "the name is " + std::to_string(gbkName.size()) + " bytes long; format version " +
           std::to_string(formatVersion) + " holds at most " + std::to_string(kEntryShortNameMax) +
           " bytes (version 3 holds longer names)";
  }
  if (gbkName.size() > kEntryLongNameMax) {
    return "the name is " + std::to_string(gbkName.size()) + " bytes long; at most " +
           std::to_string(kEntryLongNameMax) + " bytes are allowed";
  }
  if (!IsSafeEntryName(gbkName)) return "the name would leave the destination folder";
  return {};
}

EncodedEntry EncodeEntry(std::string gbkName, uint64_t lastWriteTime, std::string_view content, EntryStorage storage,
                         const ImplodeSettings& settings) {
  std::string stream;
  if (storage != EntryStorage::kStore) stream = Implode(content, settings.mode, settings.dictionarySize);
  return EncodeEntryWithStream(std::move(gbkName), lastWriteTime, content, storage, std::move(stream));
}

EncodedEntry EncodeEntryWithStream(std::string gbkName, uint64_t lastWriteTime, std::string_view content,
                                   EntryStorage storage, std::string stream) {
  EncodedEntry encoded;
  encoded.entry.name = std::move(gbkName);
  encoded.entry.lastWriteTime = lastWriteTime;
  encoded.entry.contentChecksum = Crc32Update(content.data(), content.size(), 0);
  const bool compress =
      storage == EntryStorage::kCompress || (storage == EntryStorage::kSmallerOfBoth && stream.size() < content.size());
  if (compress) {
    encoded.data = std::move(stream);
    encoded.entry.compressedFlag = 1;
  } else {
    encoded.data.assign(content);
    encoded.entry.compressedFlag = 0;
  }
  encoded.entry.storedSize = static_cast<uint32_t>(encoded.data.size());
  return encoded;
}

std::string EncodePackageHeader(uint8_t formatVersion, uint16_t entryCount) {
  unsigned char header[kPackageHeaderSize] = {};
  kPackageMagic.copy(reinterpret_cast<char*>(header), kPackageMagic.size());
  header[kHeaderVersionOffset] = formatVersion;
  header[kHeaderFlagsOffset] = 0;
  StoreLE16(header + kHeaderEntryCountOffset, entryCount);
  return std::string(reinterpret_cast<const char*>(header), sizeof header);
}

void AppendPackageEntry(std::string& out, const EncodedEntry& encoded, uint8_t formatVersion) {
  const PackageEntry& entry = encoded.entry;
  unsigned char record[kPackageEntrySize] = {};
  const bool longName = formatVersion >= kLongNameFormatVersion;
  if (longName) {
    StoreLE16(record + kEntryNameLengthOffset, static_cast<uint16_t>(entry.name.size()));
    // FILETIME as its low 32 bits, then its high 32 bits.
    StoreLE64(record + kEntryLastWriteTimeOffset, entry.lastWriteTime);
  } else {
    // Zero-terminated inside the 15-byte field; the record was zero-filled.
    entry.name.copy(reinterpret_cast<char*>(record), kEntryShortNameMax);
  }
  record[kEntryCompressedFlagOffset] = entry.compressedFlag;
  StoreLE32(record + kEntryStoredSizeOffset, static_cast<uint32_t>(encoded.data.size()));
  StoreLE32(record + kEntryChecksumOffset, entry.contentChecksum);
  out.append(reinterpret_cast<const char*>(record), sizeof record);
  if (longName) out.append(entry.name);
  out.append(encoded.data);
}

std::string BuildPackageArchive(uint8_t formatVersion, const std::vector<EncodedEntry>& entries) {
  std::string out = EncodePackageHeader(formatVersion, static_cast<uint16_t>(entries.size()));
  for (const EncodedEntry& encoded : entries) AppendPackageEntry(out, encoded, formatVersion);
  return out;
}

std::string EncodePackedFileHeader(uint32_t contentChecksum) {
  unsigned char header[kPackedFileHeaderSize] = {};
  kPackedFileMagic.copy(reinterpret_cast<char*>(header), kPackedFileMagic.size());
  StoreLE32(header + kPackedFileChecksumOffset, contentChecksum);
  return std::string(reinterpret_cast<const char*>(header), sizeof header);
}

std::string BuildPackedFile(std::string_view content, const ImplodeSettings& settings) {
  return BuildPackedFile(Crc32Update(content.data(), content.size(), 0),
                         Implode(content, settings.mode, settings.dictionarySize));
}

std::string BuildPackedFile(uint32_t contentChecksum, std::string_view stream) {
  std::string out = EncodePackedFileHeader(contentChecksum);
  out += stream;
  return out;
}

}  // namespace yv::archive
