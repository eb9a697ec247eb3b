#include "driver/process.h"

#include <utility>

#include "driver/dump.h"
#include "text/cp936.h"

namespace yv::e2e {

std::optional<Process> Process::Start(const std::wstring& program,
                                      const std::vector<std::wstring>& args,
                                      const std::wstring& workDir, std::string* error,
                                      StdHandles std) {
  std::wstring commandLine = QuoteArgument(program);
  for (const std::wstring& arg : args) commandLine += L" " + QuoteArgument(arg);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  if (std == StdHandles::kDetached) startup.dwFlags = STARTF_USESTDHANDLES;  // all null
  PROCESS_INFORMATION info{};
  if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                      workDir.empty() ? nullptr : workDir.c_str(), &startup, &info)) {
    if (error) {
      *error = "cannot start " + Utf8(text::FromWide(commandLine)) + " in " +
               Utf8(text::FromWide(workDir)) + ": error " + std::to_string(GetLastError());
    }
    return std::nullopt;
  }
  CloseHandle(info.hThread);
  return Process(info.hProcess, info.dwProcessId);
}

Process::Process(Process&& other) noexcept
    : handle_(std::exchange(other.handle_, nullptr)), pid_(std::exchange(other.pid_, 0)) {}

Process& Process::operator=(Process&& other) noexcept {
  if (this != &other) {
    Kill();
    if (handle_) CloseHandle(handle_);
    handle_ = std::exchange(other.handle_, nullptr);
    pid_ = std::exchange(other.pid_, 0);
  }
  return *this;
}

Process::~Process() {
  Kill();
  if (handle_) CloseHandle(handle_);
}

bool Process::Running() const { return handle_ && !WaitExit(0); }

bool Process::WaitExit(DWORD timeoutMs) const {
  return handle_ && WaitForSingleObject(handle_, timeoutMs) == WAIT_OBJECT_0;
}

std::optional<DWORD> Process::ExitCode() const {
  DWORD code = 0;
  if (!WaitExit(0) || !GetExitCodeProcess(handle_, &code)) return std::nullopt;
  return code;
}

void Process::Kill() {
  if (!Running()) return;
  TerminateProcess(handle_, 99);
  WaitExit(5000);
}

void Process::Detach() {
  if (handle_) CloseHandle(handle_);
  handle_ = nullptr;
  pid_ = 0;
}

std::wstring QuoteArgument(const std::wstring& arg) {
  if (!arg.empty() && arg.find_first_of(L" \t\"") == std::wstring::npos) return arg;
  // Backslashes double only before a quote (or the closing quote).
  std::wstring out = L"\"";
  std::size_t backslashes = 0;
  for (wchar_t ch : arg) {
    if (ch == L'\\') {
      ++backslashes;
      continue;
    }
    out.append(ch == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
    backslashes = 0;
    out += ch;
  }
  out.append(backslashes * 2, L'\\');
  return out + L"\"";
}

std::wstring ProgramFolder() {
  std::wstring path(32768, L'\0');
  DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
  path.resize(n);
  std::size_t slash = path.find_last_of(L"\\/");
  return slash == std::wstring::npos ? L"." : path.substr(0, slash);
}

std::wstring WindowsPath(const std::wstring& path) {
  if (path.empty() || path[0] != L'/') return path;
  // Wine's own export; absent on Windows, where such a path has no meaning anyway.
  using DosName = LPWSTR(CDECL*)(LPCSTR);
  HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
  auto toDos = reinterpret_cast<DosName>(
      reinterpret_cast<void*>(GetProcAddress(kernel, "wine_get_dos_file_name")));
  if (!toDos) return path;
  int n = WideCharToMultiByte(CP_UTF8, 0, path.c_str(), -1, nullptr, 0, nullptr, nullptr);
  std::string unixPath(static_cast<std::size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, path.c_str(), -1, unixPath.data(), n, nullptr, nullptr);
  LPWSTR dos = toDos(unixPath.c_str());
  if (!dos) return path;
  std::wstring out(dos);
  HeapFree(GetProcessHeap(), 0, dos);
  return out;
}

}  // namespace yv::e2e
