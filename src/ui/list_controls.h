// List box and combo box: items as GBK texts, the selected index, and typed events.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "ui/controls.h"

namespace yv::ui {

// The item calls both kinds share (the list of a combo box answers to other messages).
class ItemList {
 public:
  explicit ItemList(bool combo) : combo_(combo) {}
  void SetItems(HWND hwnd, const std::vector<std::string>& items) const;
  int Add(HWND hwnd, const std::string& item) const;  // index of the new item
  void Clear(HWND hwnd) const;
  int Count(HWND hwnd) const;
  std::string ItemText(HWND hwnd, int index) const;
  int ItemIndex(HWND hwnd) const;  // -1: none selected
  void SetItemIndex(HWND hwnd, int index) const;
  void SetItemHeight(HWND hwnd, int height) const;

 private:
  bool combo_;
};

// A control of items: the calls a list box and a combo box share.
template <bool kCombo>
class ItemControl : public Control {
 public:
  using Control::Control;

  void SetItems(const std::vector<std::string>& items) { list_.SetItems(Handle(), items); }
  int Add(const std::string& item) { return list_.Add(Handle(), item); }
  void Clear() { list_.Clear(Handle()); }
  int Count() const { return list_.Count(Handle()); }
  std::string ItemText(int index) const { return list_.ItemText(Handle(), index); }
  int ItemIndex() const { return list_.ItemIndex(Handle()); }
  // Selects without raising the control's event, as a program's own choice.
  void SetItemIndex(int index) { list_.SetItemIndex(Handle(), index); }
  void SetItemHeight(int height) { list_.SetItemHeight(Handle(), height); }

 private:
  ItemList list_{kCombo};
};

class ListBox : public ItemControl<false> {
 public:
  using ItemControl::ItemControl;

  // onClick: the user selected another item, with the mouse or the keys.
  std::function<void()> onDblClick;  // the user double-clicked an item

  void OnCommand(WORD code) override;
};

class ComboBox : public ItemControl<true> {
 public:
  using ItemControl::ItemControl;

  bool DroppedDown() const;
  std::function<void()> onChange;  // another item picked, or the text typed changed

  void OnCommand(WORD code) override;
  // An open list takes Enter and Esc itself (they close it).
  bool UsesKey(WPARAM key) const override;
};

}  // namespace yv::ui
