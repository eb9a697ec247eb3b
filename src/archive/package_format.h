// The two containers of the installation medium, as read by the wizard and the media
// tool: the package archive (".vrk", any number of files) and the packed file (one
// file). Both carry implode streams and the checksum of each file's content.
//
// Package archive: PackageHeader (32 bytes), then entryCount entries, each a 32-byte
// PackageEntry record, in version 3 the name (nameLength bytes), then storedSize data
// bytes. Strictly sequential: no index, no padding. Integers are little-endian.
// Packed file: a 64-byte header (magic, checksum at offset 31), then one implode stream
// that runs to the end of the file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>

#include "archive/entry_name.h"

namespace yv::archive {

// ---- Layout ---------------------------------------------------------------------------

// Package archive magic: 7 letters and a zero byte, compared exactly.
inline constexpr std::string_view kPackageMagic{"MEVRAII\0", 8};
// Packed file magic: the same 7 letters, compared without regard to letter case.
inline constexpr std::string_view kPackedFileMagic{"MEVRAII", 7};

constexpr std::size_t kPackageHeaderSize = 32;
constexpr std::size_t kPackageEntrySize = 32;
constexpr std::size_t kPackedFileHeaderSize = 64;

// PackageHeader fields (offsets in the 32-byte header).
constexpr std::size_t kHeaderVersionOffset = 8;
constexpr std::size_t kHeaderFlagsOffset = 9;
constexpr std::size_t kHeaderEntryCountOffset = 10;
constexpr uint8_t kNewestFormatVersion = 3;

// PackageEntry fields (offsets in the 32-byte record).
constexpr std::size_t kEntryShortNameField = 15;  // versions 0-2: zero-terminated name
constexpr std::size_t kEntryShortNameMax = 14;    // bytes of text in that field
constexpr std::size_t kEntryNameLengthOffset = 0;     // version 3
constexpr std::size_t kEntryLastWriteTimeOffset = 2;  // version 3: FILETIME, low then high
constexpr std::size_t kEntryCompressedFlagOffset = 15;
constexpr std::size_t kEntryStoredSizeOffset = 20;
constexpr std::size_t kEntryChecksumOffset = 24;
constexpr uint8_t kLongNameFormatVersion = 3;  // names after the record, with times
constexpr std::size_t kEntryLongNameMax = 511;

// Packed file checksum field: at offset 31, not aligned.
constexpr std::size_t kPackedFileChecksumOffset = 31;

struct PackageHeader {
  uint8_t formatVersion = 0;
  uint8_t headerFlags = 0;
  uint16_t entryCount = 0;
};

struct PackageEntry {
  std::string name;            // GBK, '\' separates folders; relative to the destination
  uint64_t lastWriteTime = 0;  // FILETIME; version 3 only
  uint8_t compressedFlag = 0;  // 0: stored as is; anything else: one implode stream
  uint32_t storedSize = 0;     // data bytes that follow the record (and the name)
  uint32_t contentChecksum = 0;  // checksum of the decoded content; compressed entries only
  uint16_t nameLength = 0;     // version 3: bytes of name after the record

  bool IsCompressed() const { return compressedFlag != 0; }
};

// ---- Checks on raw bytes ----------------------------------------------------------------

// The header, when its magic (with the zero byte) matches exactly, its version is at
// most 3 and its flags are 0; std::nullopt otherwise.
std::optional<PackageHeader> ParsePackageHeader(const unsigned char* p32);

// The fixed 32-byte record of an entry. Versions 0-2 take the name from the record
// (std::nullopt when its 15-byte field holds no terminating zero); version 3 leaves
// `name` empty and sets `nameLength` and `lastWriteTime`: the name follows the record.
std::optional<PackageEntry> ParsePackageEntry(const unsigned char* p32, uint8_t formatVersion);

// A version 3 name as the extraction uses it: the bytes up to the first zero byte.
std::string NameFromLongNameField(std::string_view bytes);

// True when the name stays inside the destination folder: not empty, no leading '\' or
// '/', no drive or other ':', no component made of dots (".." and the like, which
// Windows would take as the parent folder), no device name ("NUL", "COM1.txt").
bool IsSafeEntryName(std::string_view gbkName);

// True when the first 7 bytes spell the magic in any letter case.
bool PackedFileMagicMatches(const unsigned char* p64);
// The checksum field of a packed file header.
uint32_t PackedFileChecksum(const unsigned char* p64);

// A container path that contains ".vrk" anywhere (case-sensitive, folder names too) is a
// package archive; any other path is a packed file.
bool IsPackageArchivePath(std::string_view path);

// ---- Sequential reading -------------------------------------------------------------------

// Where container bytes come from: read in order, never sought. Windows code backs it
// with a file handle, portable code with a FILE* or memory.
class ByteSource {
 public:
  virtual ~ByteSource() = default;
  // Reads exactly `size` bytes; false when fewer are available or reading fails.
  virtual bool ReadExact(void* buffer, std::size_t size) = 0;
  // Bytes from the current position to the end. Bounds every allocation made for data.
  virtual uint64_t Remaining() const = 0;
  // Passes over `size` bytes; false when fewer are available or reading fails. Reads
  // them through a small buffer unless the source can do better.
  virtual bool Skip(uint64_t size);
};

class MemoryByteSource : public ByteSource {
 public:
  explicit MemoryByteSource(std::string_view bytes) : bytes_(bytes) {}
  bool ReadExact(void* buffer, std::size_t size) override;
  uint64_t Remaining() const override { return bytes_.size() - position_; }
  bool Skip(uint64_t size) override;

 private:
  std::string_view bytes_;
  std::size_t position_ = 0;
};

// Reads an open FILE* from its current position; the size is measured when constructed.
class StdioByteSource : public ByteSource {
 public:
  explicit StdioByteSource(std::FILE* file);
  bool ReadExact(void* buffer, std::size_t size) override;
  uint64_t Remaining() const override { return remaining_; }
  // Seeks: the skipped bytes are never read.
  bool Skip(uint64_t size) override;

 private:
  std::FILE* file_;
  uint64_t remaining_ = 0;
};

enum class PackageFault {
  kNone,
  kBadHeader,    // magic, version or flags wrong: refused before any entry
  kTruncated,    // the container ends inside a record, a name or data
  kBadName,      // unterminated short name, or a long name over 511 bytes
  kUnsafeName,   // a name that breaks the entry name rule (entry_name.h)
  kOutOfMemory,  // no memory for an entry's data
  kReadFailed,   // the byte source could not be read
  kOutOfOrder,   // the caller asked for data without an entry, or for an entry
                 // before the previous entry's data was read
};

// Reads a package archive entry by entry: ReadHeader once, then for each entry
// NextEntry and its data: whole (ReadData), in parts (ReadDataPart) or not at all
// (SkipData). Every size is checked against what remains of the source before anything
// is allocated or read, so a damaged container ends the reading with a fault instead of
// yielding bytes it does not hold.
class PackageReader {
 public:
  explicit PackageReader(ByteSource& source) : source_(source) {}

  // By default a name that breaks the entry name rule ends the reading (kUnsafeName).
  // A lister turns that off to show such names; NameVerdictOf then judges them.
  void RefuseUnsafeNames(bool refuse) { refuseUnsafeNames_ = refuse; }

  bool ReadHeader();
  const PackageHeader& Header() const { return header_; }

  // The next entry's record and name; false after the last entry (Fault() kNone) or on
  // a fault.
  bool NextEntry(PackageEntry& entry);
  // The data of the entry just returned: exactly storedSize bytes into `data`.
  bool ReadData(std::string& data);
  // The same into a caller's block of at least storedSize bytes.
  bool ReadData(unsigned char* block);
  // Up to `size` more bytes of the entry's data; 0 when all were read or on a fault.
  std::size_t ReadDataPart(void* buffer, std::size_t size);
  // Passes over what is left of the entry's data.
  bool SkipData();
  // Bytes of the current entry's data not read yet.
  uint32_t DataLeft() const { return dataPending_ ? pendingSize_ : 0; }
  // Bytes after the data of the last entry, which readers never look at. Meaningful
  // once NextEntry returned false without a fault.
  uint64_t TrailingBytes() const { return source_.Remaining(); }

  std::size_t EntriesRead() const { return entriesRead_; }
  PackageFault Fault() const { return fault_; }
  // Why the name of the refused entry was refused (after kUnsafeName), and that name.
  NameVerdict RefusedNameVerdict() const { return refusedVerdict_; }
  const std::string& RefusedName() const { return refusedName_; }
  // An English sentence saying why reading stopped, for the media tool.
  std::string FaultText() const;

 private:
  bool Fail(PackageFault fault);

  ByteSource& source_;
  PackageHeader header_;
  bool headerRead_ = false;
  bool refuseUnsafeNames_ = true;
  bool dataPending_ = false;
  uint32_t pendingSize_ = 0;
  std::size_t entriesRead_ = 0;
  PackageFault fault_ = PackageFault::kNone;
  NameVerdict refusedVerdict_ = NameVerdict::kOk;
  std::string refusedName_;
};

// ---- Packed files and decoding into memory ------------------------------------------------

struct PackedFileView {
  uint32_t contentChecksum = 0;
  std::string_view stream;  // from offset 64 to the end
};
// A whole packed file: its checksum and stream. std::nullopt when it is shorter than
// the header or its magic does not match.
std::optional<PackedFileView> ParsePackedFile(std::string_view file);

struct MemoryDecode {
  unsigned explodeResult = 0;  // ExplodeResult
  uint32_t checksum = 0;       // of `content`
  std::string content;
};
// Decodes one implode stream into memory.
MemoryDecode DecodeToMemory(std::string_view stream);

// True when `stream` is exactly the 4-byte stream of empty content: a valid header and
// the end-of-stream code at once. The decoder reports it as kExplodeInputTooShort, like
// any stream of 4 bytes or fewer.
bool IsEmptyContentStream(std::string_view stream);

// Whether a decode is good. The checksum is 0 for any run of zero bytes, so it alone
// cannot tell a truncated file of zeros from a whole one: a stream that broke off
// (kExplodeBrokenStream), whose header bytes are invalid (kExplodeBadDictionary,
// kExplodeBadLiteralMode), or that is too short to hold anything but is not the stream
// of empty content (kExplodeInputTooShort) fails even when the checksum matches.
// `firstRead` is what the decoder's first read delivered (only looked at when too short).
bool DecodeAccepted(unsigned explodeResult, uint32_t checksum, uint32_t expectedChecksum, std::string_view firstRead);

// Decodes and checks one compressed entry's data; the content goes to `content` when
// given (also when the check fails).
bool VerifyCompressedEntry(std::string_view data, uint32_t expectedChecksum,
                           std::string* content = nullptr);

}  // namespace yv::archive
