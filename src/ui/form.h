// Form: a top-level window of the forms layer, built from a FormSpec and a table of
// ControlSpec rows. ShowModal() disables the thread's other windows, runs a message
// loop until ModalResult is not 0, re-enables them and returns ModalResult. A form can
// be created and its handlers called without ever being shown.
#pragma once

#include <windows.h>

#include <functional>
#include <initializer_list>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "ui/controls.h"
#include "ui/gdi.h"

namespace yv::ui {

enum class Border {
  Dialog,            // modal dialog frame with a caption, no border icons
  DialogSystemMenu,  // modal dialog frame with a caption and the system menu (close box)
  SingleNoIcons  // single-line border with a caption, no border icons
};

struct FormSpec {
  std::string caption;  // GBK
  int clientWidth;
  int clientHeight;
  Border border;
  COLORREF color;
  FontSpec font;
  bool maximized = false;  // shown maximised; centred on the screen when restored
  int iconId = 0;          // window icon resource, 0 for none
};

// Modal results.
constexpr int mrNone = 0;
constexpr int mrOk = 1;
constexpr int mrCancel = 2;

class Form {
 public:
  Form(FormSpec form, const std::vector<ControlSpec>& layout);
  virtual ~Form();
  Form(const Form&) = delete;
  Form& operator=(const Form&) = delete;

  HWND Handle() const { return hwnd_; }
  Control& operator[](const std::string& name) const;
  Control* Find(const std::string& name) const;
  // The control of that name as its own type (ui::ListBox, ...); throws when there is
  // none of that type.
  template <class T>
  T& Get(const std::string& name) const {
    auto* typed = dynamic_cast<T*>(&(*this)[name]);
    if (!typed) throw std::logic_error("control " + name + " is of another kind");
    return *typed;
  }
  // Adds a control at run time, inside the group box its row names as parent.
  Control& AddControl(const ControlSpec& row);
  // The brush of the form's colour (owner-drawn controls paint their background with it).
  HBRUSH Background() const { return background_; }
  const std::vector<std::unique_ptr<Control>>& Controls() const { return controls_; }

  // Tab moves through these controls in this order (the others follow them).
  void SetTabOrder(std::initializer_list<const char*> names);

  std::string Caption() const;
  void SetCaption(const std::string& gbk);

  int ShowModal();
  void Show();
  void Hide();
  // Closes the form: a modal form ends its loop with mrCancel unless a result is set;
  // a modeless form is destroyed (the main form's destruction ends the message loop).
  void Close();
  bool Showing() const;

  int modalResult = mrNone;

  // Timers owned by the form, by id.
  void StartTimer(UINT_PTR id, UINT intervalMs, std::function<void()> handler);
  void StopTimer(UINT_PTR id);

  // Handles Enter (default button) and Esc (cancel button) and Tab navigation for a
  // message aimed at this form or one of its controls; true when it consumed it.
  bool PreTranslate(MSG& msg);

  // The form that owns a window (itself or one of its controls), if any.
  static Form* FromWindow(HWND hwnd);

 protected:
  // Called when the window has been destroyed (the form object still exists).
  virtual void OnDestroyed() {}
  // A message the form handles itself (a private message, say): true when handled,
  // with its result in `result`.
  virtual bool OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    (void)msg, (void)wParam, (void)lParam, (void)result;
    return false;
  }
  // The window was asked to close from outside (Alt+F4, the task bar): true lets
  // Close() run; a form may instead ask the user first and return false.
  virtual bool OnCloseRequest() { return true; }

 private:
  static LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
  LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam);
  void AlignControls(int clientWidth, int clientHeight);
  Control* ControlOf(HWND hwnd) const;
  // The control that is `hwnd` or holds it (the edit field inside a combo box).
  Control* ControlAround(HWND hwnd) const;
  HBRUSH BrushFor(COLORREF color);

  FormSpec spec_;
  HWND hwnd_ = nullptr;
  HBRUSH background_ = nullptr;  // one of brushes_
  std::map<COLORREF, Brush> brushes_;
  Icon bigIcon_;
  Icon smallIcon_;
  std::vector<std::unique_ptr<Control>> controls_;
  std::map<UINT_PTR, std::function<void()>> timers_;
  bool inModalLoop_ = false;
};

// Called with each form when its modal loop starts (tests drive pages through it).
using ModalObserver = std::function<void(Form&)>;
void SetModalObserver(ModalObserver observer);

}  // namespace yv::ui
