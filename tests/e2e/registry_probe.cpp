// Reads one string value under HKEY_LOCAL_MACHINE the plain way, in the registry view of
// the program's own bitness, and writes its data (as a narrow reader sees it) to a file.
// Built twice from this source, as a 32-bit and a 64-bit program, so that a scenario
// sees what each kind of program finds at a path.
//
//   registry_probe KEY VALUE OUTPUT    exit 0: found; 1: no such key; 2: no such value
#include <windows.h>

#include <string>

int wmain(int argc, wchar_t** argv) {
  if (argc != 4) return 3;
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, argv[1], 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) return 1;
  char name[256];
  WideCharToMultiByte(936, 0, argv[2], -1, name, sizeof name, nullptr, nullptr);
  std::string data(1024, '\0');
  DWORD size = static_cast<DWORD>(data.size());
  const LONG result = RegQueryValueExA(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(data.data()), &size);
  RegCloseKey(key);
  if (result != ERROR_SUCCESS) return 2;
  HANDLE out = CreateFileW(argv[3], GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (out == INVALID_HANDLE_VALUE) return 3;
  DWORD written = 0;
  WriteFile(out, data.data(), size, &written, nullptr);
  CloseHandle(out);
  return 0;
}
