// A window program for the tests of awaited programs: records its start, waits for
// input in its message loop for a moment (so it has been idle), records its end and
// exits with the code given as "--exit=N" (0 without).
#include "probe_log.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  RecordStart();
  const int code = OptionValue(L"--exit=", 0);
  WNDCLASSW wc{};
  wc.lpfnWndProc = DefWindowProcW;
  wc.hInstance = instance;
  wc.lpszClassName = L"YvGuiProbe";
  RegisterClassW(&wc);
  HWND window =
      CreateWindowW(L"YvGuiProbe", L"probe", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr, nullptr, instance, nullptr);
  SetTimer(window, 1, static_cast<UINT>(OptionValue(L"--ms=", 300)), nullptr);
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    if (msg.message == WM_TIMER) break;
    DispatchMessageW(&msg);
  }
  AppendProbeLine(std::wstring(L"end ") + GetCommandLineW());
  return code;
}
