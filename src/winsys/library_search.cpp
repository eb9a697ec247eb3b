#include "winsys/library_search.h"

namespace yv::winsys {

void LimitLibrarySearch() {
  using SetDefaultDirectories = BOOL(WINAPI*)(DWORD);
  const auto setDefault = SystemFunction<SetDefaultDirectories>(L"kernel32.dll", "SetDefaultDllDirectories");
  if (setDefault) setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32);
  SetDllDirectoryW(L"");
  SetSearchPathMode(BASE_SEARCH_PATH_ENABLE_SAFE_SEARCHMODE | BASE_SEARCH_PATH_PERMANENT);
}

std::wstring SystemFile(const wchar_t* name) {
  wchar_t folder[MAX_PATH];
  const UINT n = GetSystemDirectoryW(folder, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return {};
  return std::wstring(folder, n) + L"\\" + name;
}

HMODULE LoadSystemLibrary(const wchar_t* name) {
  const std::wstring path = SystemFile(name);
  return path.empty() ? nullptr : LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

}  // namespace yv::winsys
