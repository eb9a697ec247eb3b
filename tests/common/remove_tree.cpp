#include "remove_tree.h"

#include <windows.h>

namespace yv::test {

namespace {
bool RemoveBelow(const std::wstring& path) {
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW((path + L"\\*").c_str(), &found);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      std::wstring name = found.cFileName;
      if (name == L"." || name == L"..") continue;
      std::wstring child = path + L"\\" + name;
      bool folder = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
                    !(found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT);
      if (folder) {
        RemoveBelow(child);
        RemoveDirectoryW(child.c_str());
      } else {
        SetFileAttributesW(child.c_str(), FILE_ATTRIBUTE_NORMAL);
        if (!DeleteFileW(child.c_str())) RemoveDirectoryW(child.c_str());  // a link to a folder
      }
    } while (FindNextFileW(search, &found));
    FindClose(search);
  }
  return RemoveDirectoryW(path.c_str()) != FALSE;
}
}  // namespace

bool RemoveTree(const std::wstring& path, const std::wstring& marker) {
  bool absolute = path.size() > 3 && path[1] == L':' && path[2] == L'\\';
  if (!absolute || marker.empty() || path.find(marker) == std::wstring::npos) return false;
  return RemoveBelow(path);
}

}  // namespace yv::test
