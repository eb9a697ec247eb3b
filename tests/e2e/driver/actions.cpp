#include "driver/actions.h"

#include <cstdlib>
#include <vector>

#include "driver/dump.h"
#include "driver/wait.h"
#include "text/cp936.h"

namespace yv::e2e {

namespace {

constexpr UINT kSendTimeoutMs = 2000;

Outcome Failed(std::string why, DWORD pid) {
  return {false, why + "\n" + DumpWindows(pid)};
}

DWORD ProcessOf(HWND hwnd) {
  DWORD pid = 0;
  GetWindowThreadProcessId(hwnd, &pid);
  return pid;
}

// The edit control that `which` names in w (its number from 1, or #id), or nullptr.
const ControlInfo* FindEdit(const WindowInfo& w, std::string_view which) {
  if (which.empty()) return nullptr;
  std::string digits(which[0] == '#' ? which.substr(1) : which);
  char* end = nullptr;
  long number = std::strtol(digits.c_str(), &end, 0);
  if (digits.empty() || *end != '\0') return nullptr;
  if (which[0] == '#') return w.FindControlById(static_cast<int>(number));
  long seen = 0;
  for (const ControlInfo& c : w.controls)
    if (c.IsEdit() && ++seen == number) return &c;
  return nullptr;
}

}  // namespace

Outcome PressKey(HWND window, WPARAM virtualKey) {
  GUITHREADINFO info{};
  info.cbSize = sizeof(info);
  DWORD thread = GetWindowThreadProcessId(window, nullptr);
  if (thread == 0 || !GetGUIThreadInfo(thread, &info)) return {false, "no such window"};
  HWND target = info.hwndFocus ? info.hwndFocus : window;
  UINT scan = MapVirtualKeyW(static_cast<UINT>(virtualKey), MAPVK_VK_TO_VSC);
  // lParam: repeat count 1 and the scan code; a key-up adds the previous-state and
  // transition bits (30 and 31), composed unsigned so that a 32-bit LPARAM takes them.
  const auto keyDown = static_cast<DWORD>(1u | (scan << 16));
  const auto keyUp = static_cast<DWORD>(keyDown | (3u << 30));
  PostMessageW(target, WM_KEYDOWN, virtualKey, static_cast<LPARAM>(keyDown));
  PostMessageW(target, WM_KEYUP, virtualKey, static_cast<LPARAM>(keyUp));
  return {true, "key pressed"};
}

int StandardButtonId(std::string_view name) {
  static const struct {
    const char* name;
    int id;
  } kNames[] = {{"OK", IDOK},         {"Cancel", IDCANCEL}, {"Abort", IDABORT},
                {"Retry", IDRETRY},   {"Ignore", IDIGNORE}, {"Yes", IDYES},
                {"No", IDNO},         {"Close", IDCLOSE},   {"Help", IDHELP},
                {"TryAgain", IDTRYAGAIN}, {"Continue", IDCONTINUE}};
  for (const auto& n : kNames)
    if (name == n.name) return n.id;
  return 0;
}

Outcome PressButton(HWND window, std::string_view buttonCaption, DWORD timeoutMs) {
  bool seenDisabled = false;
  WindowInfo w;
  HWND target = nullptr;
  WaitUntil(
      [&] {
        if (!IsWindow(window)) return true;
        w = ReadWindow(window, true);
        seenDisabled = false;
        for (const ControlInfo& c : w.controls) {
          if (!c.IsPushButton() || !c.visible || !CaptionMatches(c.text, buttonCaption)) continue;
          if (!c.enabled) {
            seenDisabled = true;
            continue;
          }
          target = c.hwnd;
          return true;
        }
        return false;
      },
      timeoutMs);
  if (!target) {
    std::string why = !IsWindow(window) ? "window is gone"
                      : seenDisabled    ? "button is disabled"
                                        : "no such button";
    return Failed("press \"" + Utf8(buttonCaption) + "\" in \"" + Utf8(w.caption) +
                      "\": " + why,
                  ProcessOf(window));
  }
  if (!PostMessageW(target, BM_CLICK, 0, 0))
    return Failed("press \"" + Utf8(buttonCaption) + "\": BM_CLICK could not be posted",
                  ProcessOf(window));
  return {true, "pressed \"" + Utf8(buttonCaption) + "\" in \"" + Utf8(w.caption) + "\""};
}

Outcome PressButton(DWORD pid, std::string_view windowCaption, std::string_view buttonCaption,
                    DWORD timeoutMs) {
  const ULONGLONG start = GetTickCount64();
  std::optional<WindowInfo> w = WaitForWindow(pid, windowCaption, timeoutMs);
  if (!w) return Failed("no visible window \"" + Utf8(windowCaption) + "\"", pid);
  ULONGLONG spent = GetTickCount64() - start;
  DWORD left = spent < timeoutMs ? static_cast<DWORD>(timeoutMs - spent) : 0;
  return PressButton(w->hwnd, buttonCaption, left);
}

Outcome AnswerMessageBox(DWORD pid, std::string_view buttonCaption, DWORD timeoutMs) {
  const int standardId = StandardButtonId(buttonCaption);
  std::optional<MessageBoxInfo::Button> chosen;
  std::optional<MessageBoxInfo> answered;
  WaitUntil(
      [&] {
        for (const MessageBoxInfo& box : ListMessageBoxes(pid)) {
          for (const auto& b : box.buttons) {
            if (!b.enabled) continue;
            if (CaptionMatches(b.caption, buttonCaption) || (standardId && b.id == standardId)) {
              chosen = b;
              answered = box;
              return true;
            }
          }
        }
        return false;
      },
      timeoutMs);
  if (!chosen) return Failed("no message box with a button \"" + Utf8(buttonCaption) + "\"", pid);
  if (!PostMessageW(chosen->hwnd, BM_CLICK, 0, 0))
    return Failed("answer \"" + Utf8(buttonCaption) + "\": BM_CLICK could not be posted", pid);
  return {true, "answered \"" + Utf8(answered->text) + "\" with \"" + Utf8(chosen->caption) +
                    "\""};
}

Outcome TypeText(HWND window, std::string_view control, std::string_view typed,
                 DWORD timeoutMs) {
  HWND target = nullptr;
  WindowInfo w;
  WaitUntil(
      [&] {
        if (!IsWindow(window)) return true;
        w = ReadWindow(window, true);
        const ControlInfo* c = FindEdit(w, control);
        if (c && c->enabled && c->visible) target = c->hwnd;
        return target != nullptr;
      },
      timeoutMs);
  if (!target)
    return Failed("type into " + std::string(control) + " of \"" + Utf8(w.caption) +
                      "\": no such enabled edit control",
                  ProcessOf(window));
  // WM_SETTEXT rather than posted characters: those go through the keyboard's code page
  // and turn Chinese into '?'.
  std::wstring wide = text::ToWide(typed);
  DWORD_PTR result = 0;
  if (!SendMessageTimeoutW(target, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(wide.c_str()),
                           SMTO_ABORTIFHUNG, kSendTimeoutMs, &result) ||
      !result)
    return Failed("type into " + std::string(control) + ": WM_SETTEXT failed", ProcessOf(window));
  return {true, "typed \"" + Utf8(typed) + "\" into " + std::string(control) + " of \"" +
                    Utf8(w.caption) + "\""};
}

Outcome TypeText(DWORD pid, std::string_view windowCaption, std::string_view control,
                 std::string_view typed, DWORD timeoutMs) {
  const ULONGLONG start = GetTickCount64();
  std::optional<WindowInfo> w = WaitForWindow(pid, windowCaption, timeoutMs);
  if (!w) return Failed("no visible window \"" + Utf8(windowCaption) + "\"", pid);
  ULONGLONG spent = GetTickCount64() - start;
  DWORD left = spent < timeoutMs ? static_cast<DWORD>(timeoutMs - spent) : 0;
  return TypeText(w->hwnd, control, typed, left);
}

}  // namespace yv::e2e
