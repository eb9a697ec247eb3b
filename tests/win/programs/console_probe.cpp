// A console program for the tests of started programs: it never waits for input, so it
// has no idle state. Records its start, sleeps "--ms=N" milliseconds (2000 without) and
// records its end.
#include "probe_log.h"

int wmain() {
  RecordStart();
  Sleep(static_cast<DWORD>(OptionValue(L"--ms=", 2000)));
  AppendProbeLine(std::wstring(L"end ") + GetCommandLineW());
  return 0;
}
