// A small window for testing the UI driver itself: a push button that shows a message
// box with the edit box's text, an edit box, a check box, a disabled button, and a
// button that shows a box without icon, and one that keeps the program busy for four
// seconds. Options:
//   --exit N              end at once with exit code N, no window
//   --exit-if-file NAME   end at once: 0 when NAME exists in the working directory, else 1
//   --title TEXT          window caption (default "驱动测试窗口")
//   --delay MS            wait that long before showing the window
//   --maximised           shown maximised, with a caption bar but no system menu
// OK in the box of "显示消息" ends the program with exit code 3.
#include <windows.h>
#include <shellapi.h>

#include <cstdlib>
#include <string>

namespace {

constexpr int kShowId = 101;
constexpr int kEditId = 102;
constexpr int kCheckId = 103;
constexpr int kDisabledId = 104;
constexpr int kPlainBoxId = 105;
constexpr int kBusyId = 106;
constexpr int kExitOnOk = 3;

HWND CreateChild(HWND parent, const wchar_t* cls, const wchar_t* text, DWORD style, int x, int y,
                 int w, int h, int id) {
  return CreateWindowExW(0, cls, text, WS_CHILD | WS_VISIBLE | style, x, y, w, h, parent,
                         reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), nullptr, nullptr);
}

LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_CREATE:
      CreateChild(hwnd, L"Button", L"显示消息", BS_PUSHBUTTON | WS_TABSTOP, 10, 10, 100, 25,
                  kShowId);
      CreateChild(hwnd, L"Edit", L"初始", WS_BORDER | ES_AUTOHSCROLL | WS_TABSTOP, 10, 45, 200,
                  22, kEditId);
      SendMessageW(CreateChild(hwnd, L"Button", L"选项", BS_AUTOCHECKBOX, 10, 75, 100, 20,
                               kCheckId),
                   BM_SETCHECK, BST_CHECKED, 0);
      EnableWindow(CreateChild(hwnd, L"Button", L"禁用", BS_PUSHBUTTON, 120, 10, 80, 25,
                               kDisabledId),
                   FALSE);
      CreateChild(hwnd, L"Button", L"无图标", BS_PUSHBUTTON, 210, 10, 80, 25, kPlainBoxId);
      CreateChild(hwnd, L"Button", L"忙碌", BS_PUSHBUTTON, 300, 10, 80, 25, kBusyId);
      return 0;
    case WM_COMMAND:
      if (LOWORD(wp) == kShowId && HIWORD(wp) == BN_CLICKED) {
        wchar_t typed[512] = L"";
        GetDlgItemTextW(hwnd, kEditId, typed, 512);
        if (MessageBoxW(hwnd, typed, L"消息", MB_OKCANCEL | MB_ICONINFORMATION) == IDOK) {
          DestroyWindow(hwnd);
        }
        return 0;
      }
      if (LOWORD(wp) == kPlainBoxId && HIWORD(wp) == BN_CLICKED) {
        MessageBoxW(nullptr, L"无图标的消息", L"Setup", MB_OK);
        return 0;
      }
      if (LOWORD(wp) == kBusyId && HIWORD(wp) == BN_CLICKED) {
        Sleep(4000);  // a program that does not answer for a while
        return 0;
      }
      break;
    case WM_DESTROY:
      PostQuitMessage(kExitOnOk);
      return 0;
  }
  return DefWindowProcW(hwnd, msg, wp, lp);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  int argc = 0;
  LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  std::wstring title = L"驱动测试窗口";
  DWORD delayMs = 0;
  bool maximised = false;
  for (int i = 1; i < argc; ++i) {
    std::wstring arg = argv[i];
    bool hasValue = i + 1 < argc;
    if (arg == L"--exit" && hasValue) return std::wcstol(argv[i + 1], nullptr, 10);
    if (arg == L"--exit-if-file" && hasValue)
      return GetFileAttributesW(argv[i + 1]) == INVALID_FILE_ATTRIBUTES ? 1 : 0;
    if (arg == L"--title" && hasValue) title = argv[++i];
    else if (arg == L"--delay" && hasValue) delayMs = std::wcstoul(argv[++i], nullptr, 10);
    else if (arg == L"--maximised") maximised = true;
  }
  LocalFree(argv);
  if (delayMs) Sleep(delayMs);

  WNDCLASSW wc{};
  wc.lpfnWndProc = WindowProc;
  wc.hInstance = instance;
  wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = L"YvDriverFixture";
  RegisterClassW(&wc);
  DWORD style = maximised ? (WS_OVERLAPPED | WS_CAPTION) : WS_OVERLAPPEDWINDOW;
  RECT r{0, 0, 400, 200};
  AdjustWindowRect(&r, style, FALSE);
  HWND hwnd = CreateWindowExW(0, wc.lpszClassName, title.c_str(), style, CW_USEDEFAULT,
                              CW_USEDEFAULT, r.right - r.left, r.bottom - r.top, nullptr,
                              nullptr, instance, nullptr);
  ShowWindow(hwnd, maximised ? SW_SHOWMAXIMIZED : SW_SHOWNORMAL);
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  return static_cast<int>(msg.wParam);
}
