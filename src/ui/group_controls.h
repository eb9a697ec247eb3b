// Group box and radio group: captioned frames that hold controls. What their children
// report (clicks, list notifications, colours, owner-draw) goes on to the form.
#pragma once

#include <string>
#include <vector>

#include "ui/controls.h"

namespace yv::ui {

class GroupBox : public Control {
 public:
  using Control::Control;
  bool OnOwnMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
};

// Radio buttons in columns, filled column by column; ItemIndex is the checked one
// (-1: none). onClick runs when the user checks another item (mouse or arrow keys).
class RadioGroup : public Control {
 public:
  using Control::Control;
  ~RadioGroup() override;

  void SetColumns(int columns);
  void SetItems(const std::vector<std::string>& items);
  const std::vector<std::string>& Items() const { return items_; }
  int ItemIndex() const { return index_; }
  void SetItemIndex(int index);  // without onClick, as a program's own choice
  HWND ItemHandle(int index) const { return buttons_.at(static_cast<std::size_t>(index)); }

  bool OnOwnMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

 private:
  static LRESULT CALLBACK ButtonProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR id, DWORD_PTR self);
  void Arrange();
  void Select(int index, bool byUser);
  int IndexOf(HWND button) const;

  std::vector<std::string> items_;
  std::vector<HWND> buttons_;
  int columns_ = 1;
  int index_ = -1;
};

}  // namespace yv::ui
