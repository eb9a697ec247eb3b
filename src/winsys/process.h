// Starting programs, and waiting for them.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

namespace yv::winsys {

// Starts `commandLine` (GBK) with `folder` as its working folder and does not wait for
// it; false when it could not be started. The handles are closed at once. `application`,
// when not empty, names the program file to run (GBK), as for RunAndAwait.
bool StartProcess(const std::string& commandLine, const std::string& folder, const std::string& application = {});

// Starts the program file `program` (GBK, a full path) without arguments in `folder` and
// does not wait for it. A process with raised rights hands the start to the signed-in
// user's shell, so that the program runs with the user's own rights, not the installer's;
// with no shell running, or when the shell does not take it, the program is started here,
// named as the application and quoted on its command line. False when it could not be
// started either way.
bool StartAsUser(const std::string& program, const std::string& folder);

// How an awaited program went.
enum class ProcessEnd {
  kEnded,               // it ran to its end; `exitCode` holds its exit code
  kNotAwaited,          // it never became idle for input (a console program): left running
  kExitCodeUnreadable,  // it ended but its exit code could not be read; it was terminated
};

struct ProcessOutcome {
  ProcessEnd end;
  DWORD exitCode = 0;
};

// Starts a program and waits for it: first until it is idle for input, then, when it
// became idle, until it ends, and then reads its exit code. The waits block on the
// process itself (no polling), so an exit code of 259 (STILL_ACTIVE) is an ordinary
// result. Messages sent to this thread's windows by other programs are answered while
// waiting, so that a program broadcasting to every window cannot hang both sides; posted
// messages and input wait until the program ends. `application`, when not empty, names
// the program file to run (GBK), and the command line is then only its arguments'
// carrier. std::nullopt when the program could not be started. Every handle is closed.
std::optional<ProcessOutcome> RunAndAwait(const std::string& commandLine, const std::string& folder,
                                          const std::string& application = {});

}  // namespace yv::winsys
