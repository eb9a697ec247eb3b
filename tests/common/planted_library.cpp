// A stand-in for a system library, planted where a program must never load one from.
// A process that loads it leaves "<its file name>.loaded" beside it, naming the process's
// program, and is ended at once: it would otherwise go on with a library that has none of
// the functions it asked for.
#include <windows.h>

extern "C" BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID) {
  if (reason != DLL_PROCESS_ATTACH) return TRUE;
  wchar_t marker[MAX_PATH + 8];
  const DWORD length = GetModuleFileNameW(self, marker, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) TerminateProcess(GetCurrentProcess(), 86);
  lstrcatW(marker, L".loaded");
  wchar_t program[MAX_PATH];
  const DWORD programLength = GetModuleFileNameW(nullptr, program, MAX_PATH);
  const HANDLE file = CreateFileW(marker, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file != INVALID_HANDLE_VALUE) {
    DWORD written = 0;
    WriteFile(file, program, programLength * sizeof(wchar_t), &written, nullptr);
    CloseHandle(file);
  }
  TerminateProcess(GetCurrentProcess(), 86);
  return FALSE;
}
