#include "ui/list_controls.h"

#include "text/cp936.h"

namespace yv::ui {

namespace {
LRESULT Send(HWND hwnd, UINT msg, WPARAM wParam = 0, LPARAM lParam = 0) {
  return SendMessageW(hwnd, msg, wParam, lParam);
}
}  // namespace

void ItemList::SetItems(HWND hwnd, const std::vector<std::string>& items) const {
  Clear(hwnd);
  for (const auto& item : items) Add(hwnd, item);
}

int ItemList::Add(HWND hwnd, const std::string& item) const {
  std::wstring wide = text::ToWide(item);
  return static_cast<int>(Send(hwnd, combo_ ? CB_ADDSTRING : LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(wide.c_str())));
}

void ItemList::Clear(HWND hwnd) const {
  Send(hwnd, combo_ ? CB_RESETCONTENT : LB_RESETCONTENT);
}

int ItemList::Count(HWND hwnd) const {
  return static_cast<int>(Send(hwnd, combo_ ? CB_GETCOUNT : LB_GETCOUNT));
}

std::string ItemList::ItemText(HWND hwnd, int index) const {
  LRESULT length = Send(hwnd, combo_ ? CB_GETLBTEXTLEN : LB_GETTEXTLEN, static_cast<WPARAM>(index));
  if (length < 0) return {};
  std::wstring buf(static_cast<std::size_t>(length) + 1, L'\0');
  Send(hwnd, combo_ ? CB_GETLBTEXT : LB_GETTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(buf.data()));
  buf.resize(static_cast<std::size_t>(length));
  return text::FromWide(buf);
}

int ItemList::ItemIndex(HWND hwnd) const {
  return static_cast<int>(Send(hwnd, combo_ ? CB_GETCURSEL : LB_GETCURSEL));
}

void ItemList::SetItemIndex(HWND hwnd, int index) const {
  Send(hwnd, combo_ ? CB_SETCURSEL : LB_SETCURSEL, static_cast<WPARAM>(index));
}

void ItemList::SetItemHeight(HWND hwnd, int height) const {
  Send(hwnd, combo_ ? CB_SETITEMHEIGHT : LB_SETITEMHEIGHT, 0, height);
}

void ListBox::OnCommand(WORD code) {
  if (code == LBN_SELCHANGE) Clicked();
  if (code == LBN_DBLCLK && onDblClick) onDblClick();
}

bool ComboBox::DroppedDown() const {
  return Send(Handle(), CB_GETDROPPEDSTATE) != 0;
}

void ComboBox::OnCommand(WORD code) {
  if ((code == CBN_SELCHANGE || code == CBN_EDITCHANGE) && onChange) onChange();
}

bool ComboBox::UsesKey(WPARAM key) const {
  return (key == VK_RETURN || key == VK_ESCAPE) && DroppedDown();
}

}  // namespace yv::ui
