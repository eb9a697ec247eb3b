#include "winsys/system_folders.h"

#include <windows.h>

#include "text/cp936.h"
#include "text/gbk.h"

namespace yv::winsys {

std::optional<std::string> WindowsFolder() {
  wchar_t buffer[256];
  const UINT n = GetWindowsDirectoryW(buffer, 256);
  if (n == 0 || n >= 256) return std::nullopt;
  std::string folder = text::FromWide(std::wstring(buffer, n));
  if (folder.size() > text::kPathLimit) return std::nullopt;
  return folder;
}

}  // namespace yv::winsys
