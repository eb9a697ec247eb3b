// The one place where the extraction and the copy step put a file: through the change
// layer, which records it, writes it under its staged name, and replaces the target at
// the commit (in a run) or at once (on the last page). A file that cannot be finished
// leaves the target exactly as it was and no staged file behind.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "archive/win/extraction_faults.h"
#include "winsys/change_layer.h"

namespace yv::archive {

// The fault a change fault is reported as.
FaultKind FaultOf(const winsys::ChangeFault& fault);

// Writes the new content into an open staged file: std::nullopt when all of it is there,
// otherwise why not (kChecksum, kReadError, kDiskFull, kCannotCreate, ...).
using ContentWriter = std::function<std::optional<FaultKind>(winsys::StagedFile& file)>;

struct Placement {
  enum Result {
    kPlaced,   // the new content is staged for the commit, or in place
    kRefused,  // no staged file could be made (a read-only target, a missing folder)
    kFailed,   // `fault` ended it; nothing has been shown
    kStopped,  // the user chose Cancel at the question about `fault`, or a link was in the way
  } result;
  FaultKind fault = FaultKind::kCannotCreate;
};

// Puts `target` in place from `write`, asking `faults` on the way: after a full disk,
// Retry writes the file again from its start; while the target is in use, Retry checks
// it again. Whatever the end, no staged file is left unless it waits for the commit.
Placement PlaceFile(winsys::ChangeLayer& changes, ExtractionFaults& faults, const std::string& target, bool compressed,
                    std::optional<uint64_t> lastWriteTime, const ContentWriter& write);

}  // namespace yv::archive
