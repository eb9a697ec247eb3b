// A console program for the tests of started programs: it never waits for input, so it
// has no idle state. Records its start, sleeps "--ms=N" milliseconds (2000 without) and
// records its end. With "--hold=PATH" (the rest of the command line) it keeps that file
// open without sharing while it sleeps, as a running program holds its files.
#include <string>

#include "probe_log.h"

int wmain() {
  RecordStart();
  const std::wstring command = GetCommandLineW();
  const std::size_t hold = command.find(L"--hold=");
  HANDLE held = INVALID_HANDLE_VALUE;
  if (hold != std::wstring::npos) {
    // The test looks whether the file is held yet by opening it itself now and then: an
    // open that meets that look is tried again.
    for (int tries = 0; held == INVALID_HANDLE_VALUE && tries < 500; ++tries) {
      held = CreateFileW(command.substr(hold + 7).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
      if (held == INVALID_HANDLE_VALUE && GetLastError() != ERROR_SHARING_VIOLATION) return 3;
      if (held == INVALID_HANDLE_VALUE) Sleep(10);
    }
    if (held == INVALID_HANDLE_VALUE) return 3;
  }
  Sleep(static_cast<DWORD>(OptionValue(L"--ms=", 2000)));
  if (held != INVALID_HANDLE_VALUE) CloseHandle(held);
  AppendProbeLine(std::wstring(L"end ") + GetCommandLineW());
  return 0;
}
