// Controls of the forms layer. A page declares its controls as rows of ControlSpec,
// so that its layout reads as a table; Form creates them in row order.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

namespace yv::ui {

class Form;

// The text of a window or control, in GBK.
std::string WindowText(HWND hwnd);

enum class Kind { Label, StaticText, Button, Edit, Memo, CheckBox, ProgressBar, Bevel, Image };

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
constexpr COLORREF SysColor(int index) { return 0x80000000u | static_cast<COLORREF>(index); }
COLORREF ResolveColor(COLORREF color);

enum Flags : unsigned {
  kNone = 0,
  kDefault = 1u << 0,     // the default button: Enter presses it when it is enabled
  kCancel = 1u << 1,      // the cancel button: Esc presses it
  kDisabled = 1u << 2,
  kReadOnly = 1u << 3,
  kVScroll = 1u << 4,
  kHidden = 1u << 5,
  kAlignTop = 1u << 6,    // spans the whole width of the form at the top
  kAlignLeft = 1u << 7,   // spans the whole height of the form at the left
  kCentered = 1u << 8,    // text or picture centred in the control
};

struct ControlSpec {
  Kind kind;
  const char* name;
  int left, top, width, height;
  const char* caption = "";  // GBK
  unsigned flags = kNone;
  int modalResult = 0;       // a button that closes its form with this result
  const FontSpec* font = nullptr;  // nullptr: the form's font
  COLORREF textColor = kNoColor;
  COLORREF backColor = kNoColor;
  int resourceId = 0;        // Image: bitmap resource
};

class Control {
 public:
  Control(Form& form, const ControlSpec& row, HWND hwnd);
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

}  // namespace yv::ui
