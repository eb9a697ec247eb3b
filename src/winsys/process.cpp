#include "winsys/process.h"

#include "text/cp936.h"
#include "winsys/handle.h"

namespace yv::winsys {

namespace {

// Starts the program; the caller owns both handles of `pi` on success.
bool Create(const std::string& commandLine, const std::string& folder, const std::string& application,
            PROCESS_INFORMATION& pi) {
  std::wstring command = text::ToWide(commandLine);
  const std::wstring dir = text::ToWide(folder);
  const std::wstring app = text::ToWide(application);
  STARTUPINFOW si{};
  si.cb = sizeof(si);
  return CreateProcessW(app.empty() ? nullptr : app.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        dir.empty() ? nullptr : dir.c_str(), &si, &pi) != 0;
}

// Waits for `process` to end, answering messages sent to this thread meanwhile; false
// when the wait itself failed.
bool WaitForEnd(HANDLE process) {
  for (;;) {
    const DWORD woke = MsgWaitForMultipleObjects(1, &process, FALSE, INFINITE, QS_SENDMESSAGE);
    if (woke == WAIT_OBJECT_0) return true;
    if (woke != WAIT_OBJECT_0 + 1) return false;
    MSG msg;
    // Peeking delivers the pending sent messages; nothing posted is removed.
    PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
  }
}

}  // namespace

bool StartProcess(const std::string& commandLine, const std::string& folder, const std::string& application) {
  PROCESS_INFORMATION pi{};
  if (!Create(commandLine, folder, application, pi)) return false;
  ScopedHandle thread(pi.hThread);
  ScopedHandle process(pi.hProcess);
  return true;
}

std::optional<ProcessOutcome> RunAndAwait(const std::string& commandLine, const std::string& folder,
                                          const std::string& application) {
  PROCESS_INFORMATION pi{};
  if (!Create(commandLine, folder, application, pi)) return std::nullopt;
  ScopedHandle thread(pi.hThread);
  ScopedHandle process(pi.hProcess);
  if (WaitForInputIdle(process.get(), INFINITE) == WAIT_FAILED) return ProcessOutcome{ProcessEnd::kNotAwaited};
  DWORD code = 0;
  if (!WaitForEnd(process.get()) || !GetExitCodeProcess(process.get(), &code)) {
    TerminateProcess(process.get(), 1);
    return ProcessOutcome{ProcessEnd::kExitCodeUnreadable};
  }
  return ProcessOutcome{ProcessEnd::kEnded, code};
}

}  // namespace yv::winsys
