// The deployment in force: whether the program was started with switches, what they
// answer, the support log they asked for, and the cause that ends the run. One per
// process, like the installation state; filled by start-up before any page exists.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>
#include <utility>

#include "deploy/switches.h"
#include "winsys/change_fault.h"

namespace yv::winsys {

// The exit codes of a program started with switches, by the cause of its end. Every code
// but kInstalled means the machine is as it was before the run.
enum class ExitCause : int {
  kInstalled = 0,
  kFailed = 1,       // another cause
  kCommandLine = 2,  // a switch was refused; nothing was done
  kMedium = 3,       // the medium is damaged or incomplete
  kDiskSpace = 4,
  kInUse = 5,  // a file stayed in use
  kCancelled = 6,
};

struct Deployment {
  bool withSwitches = false;
  deploy::Switches switches;
};
extern Deployment gDeployment;

// A switch's answer for its page, taken the first time the page is made: a page shown again
// (after Back) shows what the user left in it.
template <typename T>
std::optional<T> TakeAnswer(std::optional<T>& answer) {
  return std::exchange(answer, std::nullopt);
}

// True in a run started with /S: no window, every question gets its silent answer.
inline bool IsSilent() {
  return gDeployment.switches.silent;
}

// Opens the support log anew; false when it cannot be written.
bool OpenSupportLog(const std::string& path);
// One line of the support log (GBK), with the time; nothing without a log.
void LogLine(std::string_view text);
// A fault: its line in the log (what, path, Windows error when there is one), and the cause
// the run ends with unless a later fault or a Cancel ends it otherwise.
void NoteFault(ExitCause cause, std::string_view what, const std::string& path, DWORD error = 0);
void NoteCause(ExitCause cause);
ExitCause CauseOf(ChangeFault::Kind kind);
// The exit code of a run that installed or did not, written to the log as its last line.
int FinishDeployment(bool installed);

}  // namespace yv::winsys
