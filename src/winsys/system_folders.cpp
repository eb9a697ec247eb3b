#include "winsys/system_folders.h"

#include <windows.h>

#include "text/cp936.h"
#include "text/gbk.h"

namespace yv::winsys {

namespace {

std::optional<std::string> ReadFolder(UINT(WINAPI* query)(LPWSTR, UINT)) {
  wchar_t buffer[256];
  const UINT n = query(buffer, 256);
  if (n == 0 || n >= 256) return std::nullopt;
  std::string folder = text::FromWide(std::wstring(buffer, n));
  if (folder.size() > text::kPathLimit) return std::nullopt;
  return folder;
}

}  // namespace

std::optional<std::string> WindowsFolder() {
  return ReadFolder(GetWindowsDirectoryW);
}

std::optional<std::string> SystemFolder() {
  return ReadFolder(GetSystemDirectoryW);
}

}  // namespace yv::winsys
