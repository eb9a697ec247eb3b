// What the driver sees of a process's windows: the visible top-level windows, their
// child controls and their state, read from outside the process as a person would see
// them. All texts are GBK, like every text of the wizard.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>
#include <vector>

namespace yv::e2e {

struct ControlInfo {
  HWND hwnd{};
  HWND parent{};
  int depth = 1;          // 1: a direct child of the top-level window
  std::string className;  // as registered (ASCII for the standard controls)
  std::string text;       // GBK
  int id = 0;
  RECT rect{};            // in client coordinates of the top-level window
  LONG style = 0;
  bool enabled = false;
  bool visible = false;
  int checked = -1;       // BST_UNCHECKED/CHECKED/INDETERMINATE for check and radio buttons

  int Width() const { return rect.right - rect.left; }
  int Height() const { return rect.bottom - rect.top; }
  bool IsButton() const;  // any control of the Button class
  bool IsPushButton() const;
  bool IsEdit() const;
};

struct WindowInfo {
  HWND hwnd{};
  DWORD pid = 0;
  HWND owner{};
  std::string className;
  std::string caption;  // GBK
  RECT rect{};          // screen coordinates
  SIZE client{};
  LONG style = 0;
  LONG exStyle = 0;
  bool maximised = false;
  bool minimised = false;
  bool enabled = false;
  std::vector<ControlInfo> controls;  // every descendant, in z-order, parents first

  bool IsMessageBox() const;
  bool HasStyle(LONG bits) const { return (style & bits) == bits; }
  // The first control of the given text (accelerator marks ignored) and, when given,
  // class; nullptr when there is none.
  const ControlInfo* FindControl(std::string_view text, std::string_view ofClass = {}) const;
  const ControlInfo* FindControlById(int id) const;
};

// A message box as the user sees it: text, caption, buttons, icon.
struct MessageBoxInfo {
  struct Button {
    HWND hwnd{};
    int id = 0;           // IDOK, IDCANCEL, ...
    std::string caption;  // GBK, as shown ("确定")
    bool enabled = false;
  };
  HWND hwnd{};
  DWORD pid = 0;
  HWND owner{};
  std::string caption;  // GBK
  std::string text;     // GBK
  std::vector<Button> buttons;
  bool hasIcon = false;

  std::vector<int> ButtonIds() const;
};

// The visible top-level windows of process pid (every process when pid is 0), topmost
// first. Without controls only the windows themselves are read (cheaper, for polling).
std::vector<WindowInfo> ListWindows(DWORD pid, bool withControls = true);
WindowInfo ReadWindow(HWND hwnd, bool withControls = true);

// Reads hwnd as a message box (class #32770 with the text static 0xFFFF); false when it
// is none.
bool ReadMessageBox(HWND hwnd, MessageBoxInfo* box);
std::vector<MessageBoxInfo> ListMessageBoxes(DWORD pid);

// The visible top-level windows of pid (0: any) whose caption is exactly caption.
std::vector<WindowInfo> FindWindowsByCaption(DWORD pid, std::string_view caption,
                                             bool withControls = true);

// Text of any window, also of another process (WM_GETTEXT with a timeout, then the
// window's stored text when the owner does not answer).
std::string ReadText(HWND hwnd);

// True when the window's thread answers a message within timeoutMs.
bool IsResponsive(HWND hwnd, DWORD timeoutMs = 2000);

// Caption comparison as a person reads it: '&' marks ignored, and a trailing
// accelerator in brackets ("是(&Y)") may be left out of wanted.
bool CaptionMatches(std::string_view shown, std::string_view wanted);

}  // namespace yv::e2e
