#include "ui/application.h"

#include <commctrl.h>

#include "ui/form.h"
#include "ui/message_box.h"

namespace yv::ui {

namespace {
HINSTANCE gInstance = nullptr;
Form* gMainForm = nullptr;
int gExitCode = 0;
}  // namespace

void InitializeApplication(HINSTANCE instance) {
  gInstance = instance;
  INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_PROGRESS_CLASS | ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&icc);
}

HINSTANCE Instance() { return gInstance ? gInstance : GetModuleHandleW(nullptr); }

void SetMainForm(Form* form) { gMainForm = form; }
Form* MainForm() { return gMainForm; }
HWND ApplicationWindow() { return gMainForm ? gMainForm->Handle() : nullptr; }

void SetExitCode(int code) { gExitCode = code; }

void DispatchOne(MSG& msg) {
  HWND root = msg.hwnd ? GetAncestor(msg.hwnd, GA_ROOT) : nullptr;
  if (Form* form = root ? Form::FromWindow(root) : nullptr) {
    if (form->PreTranslate(msg)) return;
  }
  TranslateMessage(&msg);
  DispatchMessageW(&msg);
}

int RunMessageLoop() {
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) DispatchOne(msg);
  return gExitCode;
}

void ProcessMessages() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(msg.wParam));
      return;
    }
    DispatchOne(msg);
  }
}

void ReportException(const std::exception& error) {
  ShowMessageBox(ApplicationWindow(), error.what(), "Setup", MB_OK | MB_ICONSTOP);
}

}  // namespace yv::ui
