#include "archive/win/file_replacement.h"

namespace yv::archive {

using Kind = winsys::ChangeFault::Kind;

FaultKind FaultOf(const winsys::ChangeFault& fault) {
  switch (fault.kind) {
    case Kind::kDiskFull:
      return FaultKind::kDiskFull;
    case Kind::kInUse:
      return FaultKind::kTargetInUse;
    default:
      return FaultKind::kCannotCreate;
  }
}

Placement PlaceFile(winsys::ChangeLayer& changes, ExtractionFaults& faults, const std::string& target, bool compressed,
                    std::optional<uint64_t> lastWriteTime, const ContentWriter& write) {
  winsys::StagedFile file;
  for (;;) {
    const winsys::ChangeFault opened = changes.StageFile(target, file);
    // A link or junction in the way ends the run without a question: the run tells why.
    if (opened.kind == Kind::kLink) return {Placement::kStopped};
    if (opened.kind == Kind::kReadOnly || opened.kind == Kind::kCannotCreate || opened.kind == Kind::kNoJournal) {
      return {Placement::kRefused};
    }
    std::optional<FaultKind> fault;
    if (opened) {
      fault = FaultOf(opened);
    } else {
      fault = write(file);
      if (!fault) {
        if (const winsys::ChangeFault finished = file.Finish(lastWriteTime)) fault = FaultOf(finished);
      }
    }
    while (!fault) {
      const winsys::ChangeFault placed = changes.Place(file);
      if (!placed) return {Placement::kPlaced};
      if (placed.kind == Kind::kLink) return {Placement::kStopped};
      if (placed.kind != Kind::kInUse) {
        fault = FaultOf(placed);
      } else if (!faults.Retry({FaultKind::kTargetInUse, target, compressed})) {
        return {Placement::kStopped, FaultKind::kTargetInUse};
      }
    }
    file.Discard();
    if (*fault != FaultKind::kDiskFull) return {Placement::kFailed, *fault};
    if (!faults.Retry({FaultKind::kDiskFull, target, compressed})) return {Placement::kStopped, FaultKind::kDiskFull};
  }
}

}  // namespace yv::archive
