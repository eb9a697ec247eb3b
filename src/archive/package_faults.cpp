// The reader's faults as the media tool's English sentences.
#include "archive/package_format.h"

namespace yv::archive {

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

}  // namespace yv::archive
