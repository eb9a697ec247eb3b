#include "winsys/process.h"

#include <windows.h>

#include "text/cp936.h"
#include "winsys/handle.h"

namespace yv::winsys {

bool StartProcess(const std::string& commandLine, const std::string& folder) {
  std::wstring command = text::ToWide(commandLine);
  std::wstring dir = text::ToWide(folder);
  STARTUPINFOW si{};
  si.cb = sizeof(si);
  PROCESS_INFORMATION pi{};
  if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, dir.c_str(), &si, &pi)) {
    return false;
  }
  ScopedHandle thread(pi.hThread);
  ScopedHandle process(pi.hProcess);
  return true;
}

}  // namespace yv::winsys
