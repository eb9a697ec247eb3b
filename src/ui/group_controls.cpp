#include "ui/group_controls.h"

#include <commctrl.h>

#include <algorithm>

#include "text/cp936.h"
#include "ui/application.h"
#include "ui/form.h"

namespace yv::ui {

bool GroupBox::OnOwnMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  return ForwardToForm(msg, wParam, lParam, result);
}

RadioGroup::~RadioGroup() {
  for (HWND button : buttons_) RemoveWindowSubclass(button, &RadioGroup::ButtonProc, 1);
}

void RadioGroup::SetColumns(int columns) {
  columns_ = std::max(1, columns);
  Arrange();
}

void RadioGroup::SetItems(const std::vector<std::string>& items) {
  for (HWND button : buttons_) DestroyWindow(button);
  buttons_.clear();
  items_ = items;
  index_ = -1;
  auto font = static_cast<WPARAM>(SendMessageW(Handle(), WM_GETFONT, 0, 0));
  for (std::size_t i = 0; i < items_.size(); ++i) {
    DWORD style = WS_CHILD | WS_VISIBLE | BS_RADIOBUTTON | (i == 0 ? WS_GROUP | WS_TABSTOP : 0);
    HWND button = CreateWindowExW(0, L"BUTTON", text::ToWide(items_[i]).c_str(), style, 0, 0, 0, 0, Handle(),
                                  reinterpret_cast<HMENU>(i + 1), Instance(), nullptr);
    SendMessageW(button, WM_SETFONT, font, FALSE);
    SetWindowSubclass(button, &RadioGroup::ButtonProc, 1, reinterpret_cast<DWORD_PTR>(this));
    buttons_.push_back(button);
  }
  Arrange();
}

void RadioGroup::Arrange() {
  if (buttons_.empty()) return;
  RECT rc;
  GetClientRect(Handle(), &rc);
  // Below the caption line, the rows share the height and the columns the width.
  const int captionHeight = 14, margin = 8;
  int count = static_cast<int>(buttons_.size());
  int rows = (count + columns_ - 1) / columns_;
  int rowHeight = std::max(1, static_cast<int>(rc.bottom - captionHeight - 4) / rows);
  int columnWidth = static_cast<int>(rc.right - 2 * margin) / columns_;
  for (int i = 0; i < count; ++i) {
    int column = i / rows, row = i % rows;
    MoveWindow(buttons_[static_cast<std::size_t>(i)], margin + column * columnWidth,
               captionHeight + row * rowHeight + (rowHeight - 16) / 2, columnWidth - 4, 16, TRUE);
  }
}

void RadioGroup::SetItemIndex(int index) {
  Select(index, false);
}

void RadioGroup::Select(int index, bool byUser) {
  if (index < -1 || index >= static_cast<int>(buttons_.size())) return;
  bool changed = index != index_;
  index_ = index;
  // Only the checked button is a tab stop, so Tab enters the group at the choice.
  for (std::size_t i = 0; i < buttons_.size(); ++i) {
    bool on = static_cast<int>(i) == index_;
    SendMessageW(buttons_[i], BM_SETCHECK, on ? BST_CHECKED : BST_UNCHECKED, 0);
    LONG_PTR style = GetWindowLongPtrW(buttons_[i], GWL_STYLE) & ~static_cast<LONG_PTR>(WS_TABSTOP);
    if (on || (index_ < 0 && i == 0)) style |= WS_TABSTOP;
    SetWindowLongPtrW(buttons_[i], GWL_STYLE, style);
  }
  if (byUser && changed) Clicked();
}

int RadioGroup::IndexOf(HWND button) const {
  auto it = std::find(buttons_.begin(), buttons_.end(), button);
  return it == buttons_.end() ? -1 : static_cast<int>(it - buttons_.begin());
}

bool RadioGroup::OnOwnMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  if (msg == WM_COMMAND && HIWORD(wParam) == BN_CLICKED) {
    int index = IndexOf(reinterpret_cast<HWND>(lParam));
    if (index >= 0) {
      Select(index, true);
      result = 0;
      return true;
    }
  }
  if (msg == WM_SIZE) Arrange();
  return ForwardToForm(msg, wParam, lParam, result);
}

LRESULT CALLBACK RadioGroup::ButtonProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR self) {
  auto* group = reinterpret_cast<RadioGroup*>(self);
  if (msg == WM_GETDLGCODE) {
    // The arrow keys are the group's own: they move the choice within it.
    return DefSubclassProc(hwnd, msg, wParam, lParam) | DLGC_WANTARROWS;
  }
  if (msg == WM_KEYDOWN && (wParam == VK_UP || wParam == VK_DOWN || wParam == VK_LEFT || wParam == VK_RIGHT)) {
    int count = static_cast<int>(group->buttons_.size());
    int step = (wParam == VK_UP || wParam == VK_LEFT) ? -1 : 1;
    int from = group->IndexOf(hwnd);
    int to = (from + step + count) % count;
    ::SetFocus(group->buttons_[static_cast<std::size_t>(to)]);
    try {
      group->Select(to, true);
    } catch (const std::exception& error) {
      ReportException(error);
    }
    return 0;
  }
  return DefSubclassProc(hwnd, msg, wParam, lParam);
}

}  // namespace yv::ui
