// The package reader's state machine: the header, then each entry's record and name,
// then its data (read, read in parts, or skipped), strictly in file order.
#include <new>

#include "archive/package_format.h"

namespace yv::archive {

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

}  // namespace yv::archive
