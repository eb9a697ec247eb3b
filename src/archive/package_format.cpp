#include "archive/package_format.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>

#include "archive/byte_order.h"
#include "archive/crc32.h"
#include "archive/explode.h"
#include "archive/stream_decode.h"
#include "text/gbk.h"

namespace yv::archive {

// ---- Checks on raw bytes ----------------------------------------------------------------

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

// ---- Byte sources ----------------------------------------------------------------------

bool ByteSource::Skip(uint64_t size) {
  char buffer[4096];
  while (size > 0) {
    const std::size_t chunk = size < sizeof buffer ? static_cast<std::size_t>(size) : sizeof buffer;
    if (!ReadExact(buffer, chunk)) return false;
    size -= chunk;
  }
  return true;
}

bool MemoryByteSource::Skip(uint64_t size) {
  if (size > Remaining()) return false;
  position_ += static_cast<std::size_t>(size);
  return true;
}

bool MemoryByteSource::ReadExact(void* buffer, std::size_t size) {
  if (size > bytes_.size() - position_) return false;
  if (size != 0) std::memcpy(buffer, bytes_.data() + position_, size);
  position_ += size;
  return true;
}

namespace {

// 64-bit file positions on every system (a long is 32 bits on Windows).
int64_t Tell(std::FILE* file) {
#ifdef _WIN32
  return _ftelli64(file);
#else
  return ftello(file);
#endif
}

bool Seek(std::FILE* file, int64_t offset, int whence) {
#ifdef _WIN32
  return _fseeki64(file, offset, whence) == 0;
#else
  return fseeko(file, static_cast<off_t>(offset), whence) == 0;
#endif
}

}  // namespace

StdioByteSource::StdioByteSource(std::FILE* file) : file_(file) {
  const int64_t here = Tell(file);
  if (here < 0 || !Seek(file, 0, SEEK_END)) return;
  const int64_t end = Tell(file);
  if (!Seek(file, here, SEEK_SET) || end < here) return;
  remaining_ = static_cast<uint64_t>(end - here);
}

bool StdioByteSource::Skip(uint64_t size) {
  if (size > remaining_) return false;
  if (!Seek(file_, static_cast<int64_t>(size), SEEK_CUR)) {
    remaining_ = 0;
    return false;
  }
  remaining_ -= size;
  return true;
}

bool StdioByteSource::ReadExact(void* buffer, std::size_t size) {
  if (size > remaining_) return false;
  if (std::fread(buffer, 1, size, file_) != size) {
    remaining_ = 0;
    return false;
  }
  remaining_ -= size;
  return true;
}

// ---- PackageReader ------------------------------------------------------------------------

bool PackageReader::Fail(PackageFault fault) {
  fault_ = fault;
  return false;
}

bool PackageReader::ReadHeader() {
  unsigned char raw[kPackageHeaderSize];
  if (!source_.ReadExact(raw, sizeof raw)) {
    // Too short to hold a header: refused like a wrong header.
    return Fail(PackageFault::kBadHeader);
  }
  const auto header = ParsePackageHeader(raw);
  if (!header) return Fail(PackageFault::kBadHeader);
  header_ = *header;
  headerRead_ = true;
  return true;
}

bool PackageReader::NextEntry(PackageEntry& entry) {
  if (fault_ != PackageFault::kNone) return false;
  if (!headerRead_ || dataPending_) return Fail(PackageFault::kOutOfOrder);
  if (entriesRead_ >= header_.entryCount) return false;

  unsigned char raw[kPackageEntrySize];
  if (source_.Remaining() < sizeof raw) return Fail(PackageFault::kTruncated);
  if (!source_.ReadExact(raw, sizeof raw)) return Fail(PackageFault::kReadFailed);
  auto parsed = ParsePackageEntry(raw, header_.formatVersion);
  if (!parsed) return Fail(PackageFault::kBadName);

  if (header_.formatVersion >= kLongNameFormatVersion) {
    if (parsed->nameLength > kEntryLongNameMax) return Fail(PackageFault::kBadName);
    if (source_.Remaining() < parsed->nameLength) return Fail(PackageFault::kTruncated);
    char nameBytes[kEntryLongNameMax];
    if (!source_.ReadExact(nameBytes, parsed->nameLength)) return Fail(PackageFault::kReadFailed);
    parsed->name = NameFromLongNameField(std::string_view(nameBytes, parsed->nameLength));
  }
  const NameVerdict verdict = CheckEntryName(parsed->name);
  if (verdict != NameVerdict::kOk && refuseUnsafeNames_) {
    refusedVerdict_ = verdict;
    refusedName_ = parsed->name;
    ++entriesRead_;  // the fault belongs to this entry
    return Fail(PackageFault::kUnsafeName);
  }
  // Checked before any block is allocated for the data.
  if (source_.Remaining() < parsed->storedSize) return Fail(PackageFault::kTruncated);

  entry = std::move(*parsed);
  pendingSize_ = entry.storedSize;
  dataPending_ = true;
  ++entriesRead_;
  return true;
}

bool PackageReader::ReadData(unsigned char* block) {
  if (fault_ != PackageFault::kNone) return false;
  if (!dataPending_) return Fail(PackageFault::kOutOfOrder);
  dataPending_ = false;
  if (!source_.ReadExact(block, pendingSize_)) return Fail(PackageFault::kReadFailed);
  return true;
}

std::size_t PackageReader::ReadDataPart(void* buffer, std::size_t size) {
  if (fault_ != PackageFault::kNone || !dataPending_) return 0;
  if (size > pendingSize_) size = pendingSize_;
  if (!source_.ReadExact(buffer, size)) {
    Fail(PackageFault::kReadFailed);
    return 0;
  }
  pendingSize_ -= static_cast<uint32_t>(size);
  if (pendingSize_ == 0) dataPending_ = false;
  return size;
}

bool PackageReader::SkipData() {
  if (fault_ != PackageFault::kNone) return false;
  if (!dataPending_) return true;
  dataPending_ = false;
  if (!source_.Skip(pendingSize_)) return Fail(PackageFault::kReadFailed);
  pendingSize_ = 0;
  return true;
}

bool PackageReader::ReadData(std::string& data) {
  if (fault_ != PackageFault::kNone) return false;
  if (!dataPending_) return Fail(PackageFault::kOutOfOrder);
  try {
    data.assign(pendingSize_, '\0');
  } catch (const std::bad_alloc&) {
    return Fail(PackageFault::kOutOfMemory);
  }
  return ReadData(reinterpret_cast<unsigned char*>(data.data()));
}

std::string PackageReader::FaultText() const {
  switch (fault_) {
    case PackageFault::kNone: return "";
    case PackageFault::kBadHeader:
      return "not a package archive, or of an unknown version (header check failed)";
    case PackageFault::kTruncated:
      return "the archive ends before entry " + std::to_string(entriesRead_ + 1) + " of " +
             std::to_string(header_.entryCount) + " is complete";
    case PackageFault::kBadName:
      return "entry " + std::to_string(entriesRead_ + 1) + " has a malformed name";
    case PackageFault::kUnsafeName:
      return "entry " + std::to_string(entriesRead_) + ": the name " + NameVerdictText(refusedVerdict_);
    case PackageFault::kOutOfMemory:
      return "not enough memory for the data of entry " + std::to_string(entriesRead_);
    case PackageFault::kReadFailed:
      return "the archive could not be read (entry " + std::to_string(entriesRead_) + ")";
    case PackageFault::kOutOfOrder: return "entries and their data were read out of order";
  }
  return "";
}

// ---- Packed files and decoding into memory ------------------------------------------------

std::optional<PackedFileView> ParsePackedFile(std::string_view file) {
  if (file.size() < kPackedFileHeaderSize) return std::nullopt;
  const auto* p = reinterpret_cast<const unsigned char*>(file.data());
  if (!PackedFileMagicMatches(p)) return std::nullopt;
  return PackedFileView{PackedFileChecksum(p), file.substr(kPackedFileHeaderSize)};
}

MemoryDecode DecodeToMemory(std::string_view stream) {
  MemoryDecode decode;
  std::size_t position = 0;
  const StreamDecode d = DecodeStream(
      [&](char* buf, std::size_t size) {
        const std::size_t n = std::min(size, stream.size() - position);
        std::memcpy(buf, stream.data() + position, n);
        position += n;
        return n;
      },
      [&](const char* data, std::size_t size) {
        decode.content.append(data, size);
        return true;
      });
  if (d.outOfMemory) throw std::bad_alloc();
  decode.explodeResult = d.explodeResult;
  decode.checksum = d.checksum;
  return decode;
}

bool IsEmptyContentStream(std::string_view s) {
  // Header (mode 0 or 1, dictionary bits 4 to 6), then flag 1, length symbol 15 (seven
  // 0 bits) and eight 1 bits: the end-of-stream code in the next two bytes.
  return s.size() == 4 && static_cast<unsigned char>(s[0]) <= 1 && s[1] >= 4 && s[1] <= 6 && s[2] == 0x01 &&
         static_cast<unsigned char>(s[3]) == 0xFF;
}

bool DecodeAccepted(unsigned explodeResult, uint32_t checksum, uint32_t expectedChecksum, std::string_view firstRead) {
  const bool complete =
      explodeResult == kExplodeOk || (explodeResult == kExplodeInputTooShort && IsEmptyContentStream(firstRead));
  return complete && checksum == expectedChecksum;
}

bool VerifyCompressedEntry(std::string_view data, uint32_t expectedChecksum, std::string* content) {
  MemoryDecode decode = DecodeToMemory(data);
  const bool good =
      DecodeAccepted(decode.explodeResult, decode.checksum, expectedChecksum, data.substr(0, kExplodeReadRequest));
  if (content) *content = std::move(decode.content);
  return good;
}

}  // namespace yv::archive
