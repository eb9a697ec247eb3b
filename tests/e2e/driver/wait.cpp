#include "driver/wait.h"

namespace yv::e2e {

bool WaitUntil(const std::function<bool()>& done, DWORD timeoutMs) {
  const ULONGLONG deadline = GetTickCount64() + timeoutMs;
  for (;;) {
    if (done()) return true;
    if (GetTickCount64() >= deadline) return false;
    Sleep(kPollMs);
  }
}

std::optional<WindowInfo> WaitForWindowWhere(DWORD pid,
                                             const std::function<bool(const WindowInfo&)>& match,
                                             DWORD timeoutMs) {
  std::optional<WindowInfo> found;
  WaitUntil(
      [&] {
        for (const WindowInfo& w : ListWindows(pid, false)) {
          if (match(w)) {
            found = ReadWindow(w.hwnd, true);
            return true;
          }
        }
        return false;
      },
      timeoutMs);
  return found;
}

std::optional<WindowInfo> WaitForWindow(DWORD pid, std::string_view caption, DWORD timeoutMs) {
  return WaitForWindowWhere(
      pid, [&](const WindowInfo& w) { return w.caption == caption; }, timeoutMs);
}

std::optional<MessageBoxInfo> WaitForMessageBox(DWORD pid, DWORD timeoutMs,
                                                std::optional<std::string_view> text) {
  std::optional<MessageBoxInfo> found;
  WaitUntil(
      [&] {
        for (MessageBoxInfo& box : ListMessageBoxes(pid)) {
          // A box is visible a moment before its buttons are: wait for them too.
          if (box.buttons.empty()) continue;
          if (text && box.text != *text) continue;
          found = std::move(box);
          return true;
        }
        return false;
      },
      timeoutMs);
  return found;
}

bool WaitForWindowGone(HWND hwnd, DWORD timeoutMs) {
  return WaitUntil([&] { return !IsWindow(hwnd) || !IsWindowVisible(hwnd); }, timeoutMs);
}

bool WaitForCaptionGone(DWORD pid, std::string_view caption, DWORD timeoutMs) {
  return WaitUntil([&] { return FindWindowsByCaption(pid, caption, false).empty(); },
                   timeoutMs);
}

bool WaitForExit(HANDLE process, DWORD timeoutMs) {
  return WaitForSingleObject(process, timeoutMs) == WAIT_OBJECT_0;
}

}  // namespace yv::e2e
