// Controls of the forms layer. A page declares its controls as rows of ControlSpec,
// so that its layout reads as a table; Form creates them in row order, one object of
// the kind's own type each (ui/list_controls.h, ui/group_controls.h,
// ui/folder_controls.h), and controls can be added at run time (Form::AddControl).
#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "ui/gdi.h"

namespace yv::ui {

class Form;

// The text of a window or control, in GBK.
std::string WindowText(HWND hwnd);

enum class Kind {
  Label,
  StaticText,
  Button,
  Edit,
  Memo,
  CheckBox,
  ProgressBar,
  Bevel,
  Image,
  GroupBox,       // a captioned frame; controls whose row names it as parent sit inside it
  ListBox,        // ui::ListBox
  ComboBox,       // ui::ComboBox: editable drop-down, or a list only with kDropDownList
  RadioGroup,     // ui::RadioGroup: a captioned group of radio buttons in columns
  DirectoryList,  // ui::DirectoryList: the folder tree of one drive
  DriveList,      // ui::DriveList: the drives, coupled to a directory list
};

// Font of a control or form: face (GBK), height in pixels (negative: character height),
// GB2312 character set unless stated.
struct FontSpec {
  const char* face;
  int height;
  bool bold = false;
  bool italic = false;
  BYTE charset = GB2312_CHARSET;
};

// Colours are either RGB values or system colours (SysColor(COLOR_...)).
constexpr COLORREF kNoColor = CLR_INVALID;
constexpr COLORREF SysColor(int index) {
  return 0x80000000u | static_cast<COLORREF>(index);
}
COLORREF ResolveColor(COLORREF color);

enum Flags : unsigned {
  kNone = 0,
  kDefault = 1u << 0,  // the default button: Enter presses it when it is enabled
  kCancel = 1u << 1,   // the cancel button: Esc presses it
  kDisabled = 1u << 2,
  kReadOnly = 1u << 3,
  kVScroll = 1u << 4,
  kHidden = 1u << 5,
  kAlignTop = 1u << 6,       // spans the whole width of the form at the top
  kAlignLeft = 1u << 7,      // spans the whole height of the form at the left
  kCentered = 1u << 8,       // text or picture centred in the control
  kHScroll = 1u << 9,        // memo: horizontal scroll bar, and lines never wrap
  kNoBorder = 1u << 10,      // edit, memo, list: no sunken border
  kDropDownList = 1u << 11,  // combo box: pick from the list only, no typing
};

struct ControlSpec {
  Kind kind;
  const char* name;
  int left, top, width, height;
  const char* caption = "";  // GBK
  unsigned flags = kNone;
  int modalResult = 0;             // a button that closes its form with this result
  const FontSpec* font = nullptr;  // nullptr: the form's font
  COLORREF textColor = kNoColor;
  COLORREF backColor = kNoColor;
  int resourceId = 0;            // Image: bitmap resource
  const char* parent = nullptr;  // name of the group box the control sits in; positions are inside it
};

// A row placed inside a group box (positions relative to the box).
inline ControlSpec Inside(const char* parent, ControlSpec row) {
  row.parent = parent;
  return row;
}

class Control {
 public:
  Control(Form& form, const ControlSpec& row, HWND hwnd);
  virtual ~Control() = default;
  Control(const Control&) = delete;
  Control& operator=(const Control&) = delete;

  const std::string& Name() const { return name_; }
  Kind GetKind() const { return kind_; }
  HWND Handle() const { return hwnd_; }
  Form& Owner() const { return form_; }
  int ModalResult() const { return modalResult_; }
  unsigned GetFlags() const { return flags_; }
  COLORREF TextColor() const { return textColor_; }
  COLORREF BackColor() const { return backColor_; }

  std::string Text() const;
  void SetText(const std::string& gbk);
  bool Enabled() const;
  void SetEnabled(bool enabled);
  bool Visible() const;
  void SetVisible(bool visible);
  void SetFocus();
  bool Checked() const;
  void SetChecked(bool checked);

  // Progress bar.
  void SetRange(int minimum, int maximum);
  void SetPosition(int position);
  int Position() const;
  void SetStep(int step);
  void StepIt();

  // Presses the control as a click would: a button's modal result goes into the form
  // first, then the click handler runs (and may set the modal result back to 0).
  void Click();
  // What a click does once the control itself has reacted (a check box has toggled).
  void Clicked();
  std::function<void()> onClick;

  // Routing of the form's window procedure to the control it concerns.
  // A WM_COMMAND notification (BN_, EN_, LBN_, CBN_ codes) from the control's window.
  virtual void OnCommand(WORD code);
  // A WM_NOTIFY from the control's window; its result goes back to the sender.
  virtual LRESULT OnNotify(const NMHDR& header) { return (void)header, 0; }
  // An owner-drawn control paints itself; true when it did.
  virtual bool OnDrawItem(const DRAWITEMSTRUCT& item) { return (void)item, false; }
  // True when the control itself uses Enter or Esc while it has the focus (an editable
  // memo's new line, an open drop-down list's Esc); otherwise the form gives the key to
  // its default or cancel button.
  virtual bool UsesKey(WPARAM key) const;
  // A message of the control's own window before its class sees it; true when handled.
  virtual bool OnOwnMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result);

 protected:
  // Group boxes hold controls: their notifications go on to the form's window, and the
  // box paints its inside in the form's colour (the form does not paint under it).
  bool ActAsContainer(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result);

 private:
  Form& form_;
  std::string name_;
  Kind kind_;
  HWND hwnd_;
  int modalResult_;
  unsigned flags_;
  COLORREF textColor_;
  COLORREF backColor_;
};

// Edit and Memo.
class Edit : public Control {
 public:
  using Control::Control;
  std::function<void()> onChange;  // the text changed (typed or set)

  void OnCommand(WORD code) override;
  bool UsesKey(WPARAM key) const override;
};

// A raised line along the top of its rectangle.
class Bevel : public Control {
 public:
  using Control::Control;
  bool OnDrawItem(const DRAWITEMSTRUCT& item) override;
};

// A bitmap resource on the form's colour, at the top left or centred.
class Image : public Control {
 public:
  Image(Form& form, const ControlSpec& row, HWND hwnd);
  ~Image() override;
  bool OnDrawItem(const DRAWITEMSTRUCT& item) override;

 private:
  Bitmap bitmap_;
};

}  // namespace yv::ui
