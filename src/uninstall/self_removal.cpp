#include "uninstall/self_removal.h"

#include <windows.h>

#include <cstdlib>

#include "text/cp936.h"
#include "text/gbk.h"
#include "winsys/handle.h"

namespace yv::uninstall {

namespace {

// The original ends within moments of starting the copy; a file still held after this
// long stays.
constexpr DWORD kWaitForOriginalMs = 60000;
constexpr int kDeleteAttempts = 50;
constexpr DWORD kDeletePauseMs = 100;

}  // namespace

bool RemoveSelfAfterExit(const std::string& ownPath) {
  wchar_t tempFolder[MAX_PATH + 1];
  const DWORD n = GetTempPathW(MAX_PATH + 1, tempFolder);
  if (n == 0 || n > MAX_PATH) return false;
  const std::wstring copy = std::wstring(tempFolder) + L"yv_uninst_" + std::to_wstring(GetCurrentProcessId()) + L".exe";
  if (!CopyFileW(text::ToWide(ownPath).c_str(), copy.c_str(), FALSE)) return false;
  // The copy waits on a handle of this process that it inherits.
  HANDLE self = nullptr;
  if (!DuplicateHandle(GetCurrentProcess(), GetCurrentProcess(), GetCurrentProcess(), &self, SYNCHRONIZE, TRUE, 0)) {
    DeleteFileW(copy.c_str());
    return false;
  }
  winsys::ScopedHandle selfHandle(self);
  std::wstring command = L"\"" + copy + L"\" " + text::ToWide(kCleanupSwitch) + L" " +
                         std::to_wstring(reinterpret_cast<uintptr_t>(self)) + L" \"" + text::ToWide(ownPath) + L"\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(copy.c_str(), command.data(), nullptr, nullptr, TRUE, 0, nullptr, tempFolder, &startup,
                      &process)) {
    DeleteFileW(copy.c_str());
    return false;
  }
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return true;
}

int RunCleanup(const std::string& arguments, const std::string& ownPath) {
  const std::size_t blank = text::FindChar(arguments, ' ');
  if (blank == std::string::npos) return 2;
  const HANDLE original = reinterpret_cast<HANDLE>(std::strtoull(arguments.substr(0, blank).c_str(), nullptr, 10));
  std::string target(text::TrimBlanks(arguments.substr(blank + 1)));
  if (target.size() >= 2 && target.front() == '"' && target.back() == '"') target = target.substr(1, target.size() - 2);
  WaitForSingleObject(original, kWaitForOriginalMs);
  CloseHandle(original);
  const std::wstring wide = text::ToWide(target);
  bool deleted = false;
  for (int attempt = 0; attempt < kDeleteAttempts && !deleted; ++attempt) {
    deleted = DeleteFileW(wide.c_str()) || GetFileAttributesW(wide.c_str()) == INVALID_FILE_ATTRIBUTES;
    if (!deleted) Sleep(kDeletePauseMs);
  }
  // This copy goes at the next restart.
  MoveFileExW(text::ToWide(ownPath).c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
  return deleted ? 0 : 1;
}

}  // namespace yv::uninstall
