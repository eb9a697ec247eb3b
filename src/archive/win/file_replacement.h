// The one place where the installation replaces a file: the new content goes into a
// temporary file beside the target, and only a whole file is moved over it. A file that
// cannot be finished leaves the target exactly as it was and no temporary file behind.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "archive/win/extraction_faults.h"

namespace yv::archive {

// Why a file could not be put in place.
enum class WriteFault {
  kNone,
  kCannotCreate,  // no temporary file in the folder, a read-only target, any other error
  kDiskFull,      // no space (or quota) left on the destination volume
  kTargetInUse,   // another program holds the target open or runs it
};

// What a failed Windows call on the destination means.
WriteFault WriteFaultOf(DWORD error);

// Usage: Open, Write as often as needed, Finish (time and close), Replace; Replace may be
// called again after kTargetInUse. Destroying the object before a successful Replace
// deletes the temporary file.
class ReplacementFile {
 public:
  explicit ReplacementFile(std::string target) : target_(std::move(target)) {}
  ~ReplacementFile() { Discard(); }
  ReplacementFile(const ReplacementFile&) = delete;
  ReplacementFile& operator=(const ReplacementFile&) = delete;

  const std::string& Target() const { return target_; }
  // A new temporary file in the target's folder. A read-only or folder target is refused
  // here, before anything is written.
  WriteFault Open();
  WriteFault Write(const void* data, std::size_t size);
  // Gives the file its last-write time (when one is given) and closes it.
  WriteFault Finish(std::optional<uint64_t> lastWriteTime);
  // Moves the finished file over the target (a rename on the same volume).
  WriteFault Replace();
  // Deletes the temporary file; the target is not touched.
  void Discard();

 private:
  std::string target_;
  std::wstring temporary_;
  HANDLE file_ = INVALID_HANDLE_VALUE;
};

// The fault a write fault is reported as.
FaultKind FaultOf(WriteFault fault);

// Writes the new content into an open ReplacementFile: std::nullopt when all of it is
// there, otherwise why not (kChecksum, kReadError, kDiskFull, kCannotCreate, ...).
using ContentWriter = std::function<std::optional<FaultKind>(ReplacementFile& file)>;

struct Placement {
  enum Result {
    kPlaced,   // the target holds the new content
    kRefused,  // no temporary file could be made (a read-only target, a missing folder)
    kFailed,   // `fault` ended it; nothing has been shown
    kStopped,  // the user chose Cancel at the question about `fault`
  } result;
  FaultKind fault = FaultKind::kCannotCreate;
};

// Puts `target` in place from `write`, asking `faults` on the way: after a full disk,
// Retry writes the file again from its start; while the target is in use, Retry tries
// the move again. Whatever the end, no temporary file is left and a target that was not
// replaced is as it was.
Placement PlaceFile(ExtractionFaults& faults, const std::string& target, bool compressed,
                    std::optional<uint64_t> lastWriteTime, const ContentWriter& write);

}  // namespace yv::archive
