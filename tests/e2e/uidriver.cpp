// uidriver: the UI driver for scripts. Finds the windows of running programs, presses
// their buttons, answers their message boxes, types into them and waits for them.
// Output is UTF-8. Exit codes: 0 done, 1 not found or timed out, 2 wrong usage;
// run-wait returns the program's own exit code (127 when it cannot be started).
#include <windows.h>
#include <shellapi.h>

#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "driver/actions.h"
#include "driver/dump.h"
#include "driver/process.h"
#include "driver/wait.h"
#include "driver/window_list.h"
#include "text/cp936.h"

namespace {

using namespace yv::e2e;

constexpr int kOk = 0;
constexpr int kNotFound = 1;
constexpr int kUsage = 2;
constexpr int kCannotStart = 127;
constexpr DWORD kDefaultTimeoutMs = 10000;

const char kUsageText[] =
    "usage: uidriver [--pid PID] [--timeout MS] COMMAND ...\n"
    "  list [PID|--all]                     visible windows and their controls\n"
    "  boxes [PID]                          visible message boxes\n"
    "  state CAPTION                        maximised, style bits, client size of a window\n"
    "  wait-window CAPTION [TIMEOUT_MS]     until a window with that caption is visible\n"
    "  wait-gone CAPTION [TIMEOUT_MS]       until no window has that caption\n"
    "  wait-box [TIMEOUT_MS]                until a message box is visible\n"
    "  press CAPTION BUTTON                 click a button (posted) in that window\n"
    "  answer BUTTON                        click a message box button: its caption, or\n"
    "                                       OK, Cancel, Yes, No, Abort, Retry, Ignore\n"
    "  type CAPTION N|#ID TEXT              set the text of the N-th edit control (from 1)\n"
    "                                       or of the control with that id\n"
    "  wait-exit PID|CAPTION [TIMEOUT_MS]   until that process ends; prints its exit code\n"
    "  start DIR PROGRAM [ARGS...]          start a program in DIR; prints its pid\n"
    "  run-wait DIR PROGRAM [ARGS...]       start, wait, print and return its exit code\n"
    "--pid limits the search to one process; --timeout is how long press, answer and type\n"
    "look for their target (default 10000 ms). Unix paths (/...) are accepted for DIR and\n"
    "PROGRAM under Wine.\n";

void Print(const std::string& utf8) {
  DWORD written = 0;
  WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), utf8.data(), static_cast<DWORD>(utf8.size()),
            &written, nullptr);
}

void PrintError(const std::string& utf8) {
  DWORD written = 0;
  std::string line = "uidriver: " + utf8 + (utf8.empty() || utf8.back() != '\n' ? "\n" : "");
  WriteFile(GetStdHandle(STD_ERROR_HANDLE), line.data(), static_cast<DWORD>(line.size()),
            &written, nullptr);
}

std::optional<DWORD> Number(const std::wstring& arg) {
  if (arg.empty()) return std::nullopt;
  wchar_t* end = nullptr;
  unsigned long value = std::wcstoul(arg.c_str(), &end, 0);
  if (*end != L'\0') return std::nullopt;
  return static_cast<DWORD>(value);
}

std::string Gbk(const std::wstring& arg) { return yv::text::FromWide(arg); }

struct Options {
  DWORD pid = 0;
  DWORD timeoutMs = kDefaultTimeoutMs;
};

int Usage(const std::string& why = {}) {
  if (!why.empty()) PrintError(why);
  DWORD written = 0;
  WriteFile(GetStdHandle(STD_ERROR_HANDLE), kUsageText, sizeof kUsageText - 1, &written,
            nullptr);
  return kUsage;
}

// An optional trailing timeout argument.
std::optional<DWORD> TimeoutArg(const std::vector<std::wstring>& a, std::size_t index,
                                DWORD fallback) {
  if (a.size() <= index) return fallback;
  return Number(a[index]);
}

std::optional<Process> StartIn(const std::vector<std::wstring>& a, StdHandles std,
                               std::string* error) {
  std::wstring dir = WindowsPath(a[1]);
  std::wstring program = WindowsPath(a[2]);
  // A program given relative to our own working directory is made absolute, since the
  // started program's working directory is another one.
  wchar_t full[MAX_PATH];
  if (GetFileAttributesW(program.c_str()) != INVALID_FILE_ATTRIBUTES &&
      GetFullPathNameW(program.c_str(), MAX_PATH, full, nullptr))
    program = full;
  return Process::Start(program, std::vector<std::wstring>(a.begin() + 3, a.end()), dir, error,
                        std);
}

int Run(const Options& o, const std::vector<std::wstring>& a) {
  const std::wstring& cmd = a[0];
  if (cmd == L"list") {
    DWORD pid = o.pid;
    if (a.size() > 2) return Usage("list takes at most one argument");
    if (a.size() == 2 && a[1] != L"--all") {
      auto n = Number(a[1]);
      if (!n) return Usage("not a process id");
      pid = *n;
    }
    Print(DumpWindows(pid));
    return kOk;
  }
  if (cmd == L"boxes") {
    DWORD pid = o.pid;
    if (a.size() == 2) {
      auto n = Number(a[1]);
      if (!n) return Usage("not a process id");
      pid = *n;
    }
    auto boxes = ListMessageBoxes(pid);
    for (const auto& box : boxes) Print(Describe(box));
    return boxes.empty() ? kNotFound : kOk;
  }
  if (cmd == L"state") {
    if (a.size() != 2) return Usage();
    auto found = WaitForWindow(o.pid, Gbk(a[1]), o.timeoutMs);
    if (!found) {
      PrintError("no visible window \"" + Utf8(Gbk(a[1])) + "\"\n" + DumpWindows(o.pid));
      return kNotFound;
    }
    const WindowInfo& w = *found;
    Print(std::string("maximised ") + (w.maximised ? "yes" : "no") + "\nminimised " +
          (w.minimised ? "yes" : "no") + "\ncaption-bar " +
          (w.HasStyle(WS_CAPTION) ? "yes" : "no") + "\nsysmenu " +
          (w.HasStyle(WS_SYSMENU) ? "yes" : "no") + "\nminbox " +
          (w.HasStyle(WS_MINIMIZEBOX) ? "yes" : "no") + "\nmaxbox " +
          (w.HasStyle(WS_MAXIMIZEBOX) ? "yes" : "no") + "\nclient " +
          std::to_string(w.client.cx) + "x" + std::to_string(w.client.cy) + "\n");
    return kOk;
  }
  if (cmd == L"wait-window" || cmd == L"wait-gone") {
    if (a.size() < 2 || a.size() > 3) return Usage();
    auto timeout = TimeoutArg(a, 2, kDefaultTimeoutMs);
    if (!timeout) return Usage("not a timeout");
    std::string caption = Gbk(a[1]);
    if (cmd == L"wait-gone") {
      if (WaitForCaptionGone(o.pid, caption, *timeout)) return kOk;
      PrintError("window \"" + Utf8(caption) + "\" still there\n" + DumpWindows(o.pid));
      return kNotFound;
    }
    auto w = WaitForWindow(o.pid, caption, *timeout);
    if (!w) {
      PrintError("no window \"" + Utf8(caption) + "\" within " + std::to_string(*timeout) +
                 " ms\n" + DumpWindows(o.pid));
      return kNotFound;
    }
    Print("pid " + std::to_string(w->pid) + "\n");
    return kOk;
  }
  if (cmd == L"wait-box") {
    if (a.size() > 2) return Usage();
    auto timeout = TimeoutArg(a, 1, kDefaultTimeoutMs);
    if (!timeout) return Usage("not a timeout");
    auto box = WaitForMessageBox(o.pid, *timeout);
    if (!box) {
      PrintError("no message box within " + std::to_string(*timeout) + " ms\n" +
                 DumpWindows(o.pid));
      return kNotFound;
    }
    Print(Describe(*box));
    return kOk;
  }
  if (cmd == L"press" || cmd == L"answer" || cmd == L"type") {
    Outcome done;
    if (cmd == L"press" && a.size() == 3) {
      done = PressButton(o.pid, Gbk(a[1]), Gbk(a[2]), o.timeoutMs);
    } else if (cmd == L"answer" && a.size() == 2) {
      done = AnswerMessageBox(o.pid, Gbk(a[1]), o.timeoutMs);
    } else if (cmd == L"type" && a.size() == 4) {
      done = TypeText(o.pid, Gbk(a[1]), Gbk(a[2]), Gbk(a[3]), o.timeoutMs);
    } else {
      return Usage();
    }
    if (!done) {
      PrintError(done.message);
      return kNotFound;
    }
    Print(done.message + "\n");
    return kOk;
  }
  if (cmd == L"wait-exit") {
    if (a.size() < 2 || a.size() > 3) return Usage();
    auto timeout = TimeoutArg(a, 2, kDefaultTimeoutMs);
    if (!timeout) return Usage("not a timeout");
    std::optional<DWORD> pid = Number(a[1]);
    if (!pid) {
      auto found = FindWindowsByCaption(o.pid, Gbk(a[1]), false);
      if (found.empty()) {
        PrintError("no visible window \"" + Utf8(Gbk(a[1])) + "\"\n" + DumpWindows(o.pid));
        return kNotFound;
      }
      pid = found.front().pid;
    }
    HANDLE process = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, *pid);
    if (!process) {
      PrintError("no process " + std::to_string(*pid));
      return kNotFound;
    }
    bool ended = WaitForExit(process, *timeout);
    DWORD code = 0;
    if (ended) GetExitCodeProcess(process, &code);
    CloseHandle(process);
    if (!ended) {
      PrintError("process " + std::to_string(*pid) + " still runs after " +
                 std::to_string(*timeout) + " ms\n" + DumpWindows(*pid));
      return kNotFound;
    }
    Print("exit " + std::to_string(code) + "\n");
    return kOk;
  }
  if (cmd == L"start" || cmd == L"run-wait") {
    if (a.size() < 3) return Usage();
    std::string error;
    // run-wait shares our output with the program, which ends before we do; a program
    // left running by start must not hold it.
    std::optional<Process> p =
        StartIn(a, cmd == L"start" ? StdHandles::kDetached : StdHandles::kShared, &error);
    if (!p) {
      PrintError(error);
      return cmd == L"start" ? kNotFound : kCannotStart;
    }
    if (cmd == L"start") {
      Print("pid " + std::to_string(p->pid()) + "\n");
      p->Detach();  // the script drives it from here: not ours to end
      return kOk;
    }
    p->WaitExit(INFINITE);
    DWORD code = p->ExitCode().value_or(kCannotStart);
    Print("exit " + std::to_string(code) + "\n");
    return static_cast<int>(code);
  }
  return Usage("unknown command");
}

}  // namespace

int main() {
  int argc = 0;
  LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  if (!argv) return kUsage;
  std::vector<std::wstring> args(argv + 1, argv + argc);
  LocalFree(argv);

  Options options;
  while (!args.empty() && args[0].rfind(L"--", 0) == 0 && args[0] != L"--all") {
    if (args.size() < 2) return Usage();
    auto n = Number(args[1]);
    if (!n) return Usage("not a number: " + Utf8(Gbk(args[1])));
    if (args[0] == L"--pid") {
      options.pid = *n;
    } else if (args[0] == L"--timeout") {
      options.timeoutMs = *n;
    } else {
      return Usage("unknown option");
    }
    args.erase(args.begin(), args.begin() + 2);
  }
  if (args.empty()) return Usage();
  return Run(options, args);
}
