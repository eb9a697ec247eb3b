#include "ui/controls.h"

#include <commctrl.h>

#include "text/cp936.h"
#include "ui/form.h"

namespace yv::ui {

COLORREF ResolveColor(COLORREF color) {
  if (color == kNoColor) return color;
  return (color & 0x80000000u) ? GetSysColor(static_cast<int>(color & 0xFFu)) : color;
}

Control::Control(Form& form, const ControlSpec& row, HWND hwnd)
    : form_(form),
      name_(row.name),
      kind_(row.kind),
      hwnd_(hwnd),
      modalResult_(row.modalResult),
      flags_(row.flags),
      textColor_(row.textColor),
      backColor_(row.backColor) {}

std::string WindowText(HWND hwnd) {
  int n = GetWindowTextLengthW(hwnd);
  std::wstring buf(static_cast<std::size_t>(n) + 1, L'\0');
  buf.resize(static_cast<std::size_t>(GetWindowTextW(hwnd, buf.data(), n + 1)));
  return text::FromWide(buf);
}

std::string Control::Text() const { return WindowText(hwnd_); }

void Control::SetText(const std::string& gbk) { SetWindowTextW(hwnd_, text::ToWide(gbk).c_str()); }

bool Control::Enabled() const { return IsWindowEnabled(hwnd_) != 0; }
void Control::SetEnabled(bool enabled) { EnableWindow(hwnd_, enabled); }
bool Control::Visible() const { return (GetWindowLongW(hwnd_, GWL_STYLE) & WS_VISIBLE) != 0; }
void Control::SetVisible(bool visible) { ShowWindow(hwnd_, visible ? SW_SHOWNA : SW_HIDE); }
void Control::SetFocus() { ::SetFocus(hwnd_); }

bool Control::Checked() const { return SendMessageW(hwnd_, BM_GETCHECK, 0, 0) == BST_CHECKED; }
void Control::SetChecked(bool checked) {
  SendMessageW(hwnd_, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

void Control::SetRange(int minimum, int maximum) {
  SendMessageW(hwnd_, PBM_SETRANGE32, static_cast<WPARAM>(minimum), static_cast<LPARAM>(maximum));
}
void Control::SetPosition(int position) { SendMessageW(hwnd_, PBM_SETPOS, static_cast<WPARAM>(position), 0); }
int Control::Position() const { return static_cast<int>(SendMessageW(hwnd_, PBM_GETPOS, 0, 0)); }
void Control::SetStep(int step) { SendMessageW(hwnd_, PBM_SETSTEP, static_cast<WPARAM>(step), 0); }
void Control::StepIt() { SendMessageW(hwnd_, PBM_STEPIT, 0, 0); }

void Control::Click() {
  if (kind_ == Kind::CheckBox) SetChecked(!Checked());
  Clicked();
}

void Control::Clicked() {
  if (modalResult_ != mrNone) form_.modalResult = modalResult_;
  if (onClick) onClick();
}

}  // namespace yv::ui
