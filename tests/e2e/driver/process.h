// Programs under test, started with a working directory of the test's choosing and
// watched through their own process handle. A Process still running when it is
// destroyed is terminated through that handle, so a failed test leaves nothing behind
// (and never touches another program of the same name).
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

namespace yv::e2e {

// What the started program gets as standard handles. Detached: none, so a program that
// outlives us (or starts others that do) never holds our output open; under Wine it
// would otherwise inherit it and keep a reader of our output waiting. Shared: ours.
enum class StdHandles { kDetached, kShared };

class Process {
 public:
  // Starts program with the given arguments (each quoted as needed) in workDir. On
  // failure returns nullopt and, when error is given, says why (UTF-8).
  static std::optional<Process> Start(const std::wstring& program,
                                      const std::vector<std::wstring>& args,
                                      const std::wstring& workDir, std::string* error = nullptr,
                                      StdHandles std = StdHandles::kDetached);

  Process(Process&& other) noexcept;
  Process& operator=(Process&& other) noexcept;
  Process(const Process&) = delete;
  Process& operator=(const Process&) = delete;
  ~Process();

  DWORD pid() const { return pid_; }
  HANDLE handle() const { return handle_; }
  bool Running() const;
  // True when the process ended within timeoutMs.
  bool WaitExit(DWORD timeoutMs) const;
  // The exit code once the process has ended.
  std::optional<DWORD> ExitCode() const;
  // Terminates the process (exit code 99) when it still runs, and waits for its end.
  void Kill();
  // Gives up the process: it is no longer watched nor ended by this object.
  void Detach();

 private:
  Process(HANDLE handle, DWORD pid) : handle_(handle), pid_(pid) {}
  HANDLE handle_ = nullptr;
  DWORD pid_ = 0;
};

// One argument quoted for a Windows command line, so that the started program's argv
// gets it back unchanged.
std::wstring QuoteArgument(const std::wstring& arg);

// The folder of the running program, without a trailing backslash.
std::wstring ProgramFolder();

// Under Wine, a Unix path (/work/...) given on a command line, turned into its Windows
// form; any other text is returned as it is.
std::wstring WindowsPath(const std::wstring& path);

}  // namespace yv::e2e
