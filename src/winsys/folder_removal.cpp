#include "winsys/folder_removal.h"

#include <windows.h>
// after windows.h, which it needs
#include <shellapi.h>

#include "text/cp936.h"
#include "text/gbk.h"
#include "text/path_rules.h"

namespace yv::winsys {

bool RemoveFolder(const std::string& path) {
  if (!text::IsFullyQualifiedBelowRoot(path) || text::ToWide(path).size() >= MAX_PATH) return false;
  const std::string folder = text::WithoutTrailingBackslash(path);
  std::wstring wide = text::ToWide(folder);
  if (GetFileAttributesW(wide.c_str()) == INVALID_FILE_ATTRIBUTES) return true;

  // A list of one item: the path, its zero and the zero that ends the list.
  wide.push_back(L'\0');
  wide.push_back(L'\0');
  SHFILEOPSTRUCTW operation{};
  operation.hwnd = nullptr;
  operation.wFunc = FO_DELETE;
  operation.pFrom = wide.c_str();
  operation.pTo = nullptr;
  operation.fFlags = FOF_NOCONFIRMATION;
  const int result = SHFileOperationW(&operation);
  if (operation.fAnyOperationsAborted) return false;
  if (result != 0) return false;
  const DWORD left = GetFileAttributesW(text::ToWide(folder).c_str());
  return left == INVALID_FILE_ATTRIBUTES || !(left & FILE_ATTRIBUTE_DIRECTORY);
}

}  // namespace yv::winsys
