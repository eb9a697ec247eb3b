// What a change of the machine can run into: one value for the change layer, the
// extraction and the uninstaller, and one classifier of Windows errors for both programs.
#pragma once

#include <windows.h>

#include <string>

namespace yv::winsys {

// Why a change could not be made: one classifier of Windows errors for the wizard and the
// uninstaller.
struct ChangeFault {
  enum class Kind {
    kNone,
    kCannotCreate,  // any other error: a missing folder, no rights, a bad name
    kReadOnly,      // a read-only file or a folder where a file should go
    kDiskFull,      // no space or quota left on the volume
    kInUse,         // another program holds the file or runs it
    kNoJournal,     // the change could not be recorded first
    kLink,          // a link or junction on the way, or in the place of what is changed
  } kind = Kind::kNone;
  std::string path;
  DWORD error = 0;
  explicit operator bool() const { return kind != Kind::kNone; }
};
ChangeFault::Kind KindOfError(DWORD error);
ChangeFault FaultOf(DWORD error, const std::string& path);
// A fault while making or writing a new file of our own: a full disk, or one that cannot be
// made (denied there means the folder, not a program holding anything).
ChangeFault NewFileFaultOf(DWORD error, const std::string& path);

}  // namespace yv::winsys
