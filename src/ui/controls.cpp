#include "ui/controls.h"

#include <commctrl.h>

#include "text/cp936.h"
#include "ui/application.h"
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

std::string Control::Text() const {
  return WindowText(hwnd_);
}

void Control::SetText(const std::string& gbk) {
  SetWindowTextW(hwnd_, text::ToWide(gbk).c_str());
}

bool Control::Enabled() const {
  return IsWindowEnabled(hwnd_) != 0;
}
void Control::SetEnabled(bool enabled) {
  EnableWindow(hwnd_, enabled);
}
bool Control::Visible() const {
  return (GetWindowLongW(hwnd_, GWL_STYLE) & WS_VISIBLE) != 0;
}
void Control::SetVisible(bool visible) {
  ShowWindow(hwnd_, visible ? SW_SHOWNA : SW_HIDE);
}
void Control::SetFocus() {
  ::SetFocus(hwnd_);
}

bool Control::Checked() const {
  return SendMessageW(hwnd_, BM_GETCHECK, 0, 0) == BST_CHECKED;
}
void Control::SetChecked(bool checked) {
  SendMessageW(hwnd_, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

void Control::SetRange(int minimum, int maximum) {
  SendMessageW(hwnd_, PBM_SETRANGE32, static_cast<WPARAM>(minimum), static_cast<LPARAM>(maximum));
}
void Control::SetPosition(int position) {
  SendMessageW(hwnd_, PBM_SETPOS, static_cast<WPARAM>(position), 0);
}
int Control::Position() const {
  return static_cast<int>(SendMessageW(hwnd_, PBM_GETPOS, 0, 0));
}
void Control::SetStep(int step) {
  SendMessageW(hwnd_, PBM_SETSTEP, static_cast<WPARAM>(step), 0);
}
void Control::StepIt() {
  SendMessageW(hwnd_, PBM_STEPIT, 0, 0);
}

void Control::Click() {
  if (kind_ == Kind::CheckBox) SetChecked(!Checked());
  Clicked();
}

void Control::Clicked() {
  if (modalResult_ != mrNone) form_.modalResult = modalResult_;
  if (onClick) onClick();
}

void Control::OnCommand(WORD code) {
  if (code == BN_CLICKED) Clicked();
}

bool Control::UsesKey(WPARAM key) const {
  return (void)key, false;
}

bool Control::OnOwnMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  (void)msg, (void)wParam, (void)lParam, (void)result;
  return false;
}

bool Control::ActAsContainer(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  switch (msg) {
    case WM_COMMAND:
    case WM_NOTIFY:
    case WM_DRAWITEM:
    case WM_MEASUREITEM:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
      if (!form_.Handle()) return false;
      result = SendMessageW(form_.Handle(), msg, wParam, lParam);
      return true;
    case WM_ERASEBKGND: {
      // The form clips its children, and a group paints only its frame: its inside is
      // the form's face, filled here.
      RECT inside;
      GetClientRect(hwnd_, &inside);
      FillRect(reinterpret_cast<HDC>(wParam), &inside, form_.Background());
      result = 1;
      return true;
    }
    default:
      return false;
  }
}

void Edit::OnCommand(WORD code) {
  if (code == EN_CHANGE && onChange) onChange();
}

bool Edit::UsesKey(WPARAM key) const {
  // Enter makes a new line in an editable memo.
  return key == VK_RETURN && GetKind() == Kind::Memo && !(GetFlags() & kReadOnly);
}

bool Bevel::OnDrawItem(const DRAWITEMSTRUCT& item) {
  // A raised line along the top: highlight above, shadow below.
  RECT rc = item.rcItem;
  FillRect(item.hDC, &rc, Owner().Background());
  const Pen light(CreatePen(PS_SOLID, 1, GetSysColor(COLOR_BTNHIGHLIGHT)));
  const Pen shadow(CreatePen(PS_SOLID, 1, GetSysColor(COLOR_BTNSHADOW)));
  int y = rc.top;
  for (const Pen* pen : {&light, &shadow}) {
    const Selected selected(item.hDC, pen->Get());
    MoveToEx(item.hDC, rc.left, y, nullptr);
    LineTo(item.hDC, rc.right, y);
    ++y;
  }
  return true;
}

Image::Image(Form& form, const ControlSpec& row, HWND hwnd) : Control(form, row, hwnd) {
  if (row.resourceId) {
    bitmap_ =
        Bitmap(static_cast<HBITMAP>(LoadImageW(Instance(), MAKEINTRESOURCEW(row.resourceId), IMAGE_BITMAP, 0, 0, 0)));
  }
}

Image::~Image() = default;

bool Image::OnDrawItem(const DRAWITEMSTRUCT& item) {
  RECT rc = item.rcItem;
  FillRect(item.hDC, &rc, Owner().Background());
  if (!bitmap_) return true;
  BITMAP bm;
  GetObjectW(bitmap_.Get(), sizeof bm, &bm);
  int x = rc.left, y = rc.top;
  if (GetFlags() & kCentered) {
    x += (rc.right - rc.left - bm.bmWidth) / 2;
    y += (rc.bottom - rc.top - bm.bmHeight) / 2;
  }
  const MemoryDc memory(CreateCompatibleDC(item.hDC));
  const Selected selected(memory.Get(), bitmap_.Get());
  BitBlt(item.hDC, x, y, bm.bmWidth, bm.bmHeight, memory.Get(), 0, 0, SRCCOPY);
  return true;
}

}  // namespace yv::ui
