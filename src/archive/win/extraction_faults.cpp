#include "archive/win/extraction_faults.h"

#include "archive/win/archive_texts.h"
#include "text/gbk.h"
#include "ui/message_box.h"
#include "winsys/deployment.h"

namespace yv::archive {

namespace {

bool Ask(HWND owner, const char* head, const std::string& path, const char* tail) {
  return ui::ShowMessageBox(owner, head + path + tail, texts::kQuestionCaption, MB_RETRYCANCEL) == IDRETRY;
}

void Warn(HWND owner, const char* message) {
  ui::ShowMessageBox(owner, message, texts::kWarningCaption, MB_OK | MB_ICONINFORMATION);
}

// What a deployment's exit code says of a fault, and what its log calls it.
winsys::ExitCause CauseOf(FaultKind kind) {
  switch (kind) {
    case FaultKind::kContainerMissing:
    case FaultKind::kBadHeader:
    case FaultKind::kContainerShort:
    case FaultKind::kChecksum:
    case FaultKind::kReadError:
      return winsys::ExitCause::kMedium;
    case FaultKind::kDiskFull:
      return winsys::ExitCause::kDiskSpace;
    case FaultKind::kTargetInUse:
      return winsys::ExitCause::kInUse;
    default:
      return winsys::ExitCause::kFailed;
  }
}

const char* FaultName(FaultKind kind) {
  switch (kind) {
    case FaultKind::kContainerMissing:
      return texts::kLogContainerMissing;
    case FaultKind::kBadHeader:
    case FaultKind::kContainerShort:
      return texts::kArchiveDamaged;
    case FaultKind::kChecksum:
      return texts::kLogChecksum;
    case FaultKind::kReadError:
      return texts::kLogReadError;
    case FaultKind::kDiskFull:
      return texts::kLogDiskFull;
    case FaultKind::kTargetInUse:
      return texts::kLogInUse;
    case FaultKind::kNoMemory:
      return texts::kCanNotAllocateMem;
    default:
      return texts::kCanNotWriteFile;
  }
}

}  // namespace

bool IsQuestion(FaultKind kind) {
  return kind == FaultKind::kReadError || kind == FaultKind::kDiskFull || kind == FaultKind::kTargetInUse;
}

bool ShowFaultBox(const Fault& fault, HWND page, HWND openFailureOwner) {
  winsys::NoteFault(CauseOf(fault.kind), FaultName(fault.kind), fault.path);
  switch (fault.kind) {
    case FaultKind::kContainerMissing: {
      // The message is composed in 255 bytes: the path gives way.
      const std::string suffix(texts::kContainerMissing + 2);  // the text after "%s"
      ui::ShowMessageBox(page,
                         std::string(text::CutToCharacters(fault.path, text::kPathLimit - suffix.size())) + suffix,
                         texts::kContainerMissingCaption, MB_OK);
      return false;
    }
    case FaultKind::kCannotOpen:
      Warn(openFailureOwner, texts::kCanNotCreateFile);
      return false;
    case FaultKind::kBadHeader:
      Warn(page, texts::kVersionError);
      return false;
    case FaultKind::kNoMemory:
      Warn(page, texts::kCanNotAllocateMem);
      return false;
    case FaultKind::kContainerShort:
      Warn(page, texts::kArchiveDamaged);
      return false;
    case FaultKind::kChecksum:
      Warn(page, texts::kCanNotUncompressFile);
      return false;
    case FaultKind::kCannotCreate:
      Warn(page, fault.compressed ? texts::kCanNotUncompressFile : texts::kCanNotWriteFile);
      return false;
    case FaultKind::kReadError:
      return Ask(page, texts::kCannotReadMedium, fault.path, texts::kCannotReadMediumEnd);
    case FaultKind::kDiskFull:
      return Ask(page, texts::kDiskFull, fault.path, texts::kDiskFullEnd);
    case FaultKind::kTargetInUse:
      return Ask(page, texts::kFileInUse, fault.path, texts::kFileInUseEnd);
  }
  return false;
}

}  // namespace yv::archive
