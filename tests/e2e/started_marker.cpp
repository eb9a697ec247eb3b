// A stand-in for an installed program: records that it was started, with its command
// line and working folder, in "started.txt" in its working folder, and ends.
// With "--run=MS" it is the program already running when an upgrade starts: it holds its
// own file as Windows holds a running program's (no writing, no deleting, no replacing)
// for MS milliseconds (or until ended), records nothing, and ends.
#include <windows.h>

#include <string>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  const std::wstring command = GetCommandLineW();
  const std::size_t run = command.find(L"--run=");
  if (run != std::wstring::npos) {
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    HANDLE image = CreateFileW(self, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    Sleep(static_cast<DWORD>(_wtoi(command.c_str() + run + 6)));
    if (image != INVALID_HANDLE_VALUE) CloseHandle(image);
    return 0;
  }
  wchar_t folder[MAX_PATH];
  GetCurrentDirectoryW(MAX_PATH, folder);
  std::wstring record = std::wstring(GetCommandLineW()) + L"\n" + folder + L"\n";
  HANDLE file = CreateFileW(L"started.txt", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return 1;
  DWORD written = 0;
  WriteFile(file, record.data(), static_cast<DWORD>(record.size() * sizeof(wchar_t)), &written, nullptr);
  CloseHandle(file);
  return 0;
}
