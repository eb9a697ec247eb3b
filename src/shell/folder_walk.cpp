#include "shell/folder_walk.h"

#include <windows.h>

#include "text/cp936.h"
#include "winsys/handle.h"

namespace yv::shell {

namespace {

void Walk(const std::wstring& folder, std::vector<std::string>& list) {
  WIN32_FIND_DATAW found;
  winsys::ScopedFind search(FindFirstFileW((folder + L"\\*.*").c_str(), &found));
  if (!search) return;
  do {
    // The folder's own entry and its parent's are passed over by name: a file system
    // need not return them first, or at all.
    const std::wstring name = found.cFileName;
    if (name == L"." || name == L"..") continue;
    if (found.dwFileAttributes != FILE_ATTRIBUTE_DIRECTORY) continue;
    const std::wstring child = folder + L"\\" + name;
    list.push_back(text::FromWide(child));
    Walk(child, list);
  } while (FindNextFileW(search.get(), &found));
}

}  // namespace

std::vector<std::string> ListPlainFolders(const std::string& root) {
  std::vector<std::string> list;
  Walk(text::ToWide(root), list);
  return list;
}

}  // namespace yv::shell
