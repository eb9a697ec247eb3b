// The page frame every wizard page shares: 492 x 293 client area, the page picture,
// the greyed maker's name, a raised line, and the buttons with their protocol.
#pragma once

#include <string>
#include <vector>

#include "ui/form.h"

namespace yv::wizard {

// Resource ids of the pictures (see resources/setup.rc).
constexpr int kIconId = 1;
constexpr int kPagePictureId = 100;

// The buttons along the bottom of a page.
enum class FrameButtons {
  BackNextCancel,   // user information ... summary
  AgreeNextCancel,  // licence: "同意" instead of Back; Next carries modal result 1
  CancelOnly,       // progress
  None,             // completion: the page brings its own buttons
};

// The cancel confirmation of every page: true unless the user chose Cancel.
bool ConfirmCancel();

class WizardPage : public ui::Form {
 public:
  WizardPage(const std::string& caption, FrameButtons buttons, const std::vector<ui::ControlSpec>& rows = {});

  // -1 after Back, +1 after an accepted Next, 0 before.
  int32_t StepDelta = 0;

  virtual void Button1Click();  // Back
  virtual void Button2Click();  // Next
  virtual void Button3Click();  // Cancel
  // The page's answer when nobody sees it (an upgrade, a silent run): its Next, with the
  // modal result the handler leaves, not what the page's creation left behind.
  virtual void AnswerUnseen();

 protected:
  // Pages whose layout puts a frame button elsewhere than the frame does move it.
  void MoveFrameButton(const char* name, int left, int top = 256);
  // Checks and stores the page's input; false keeps the page open.
  virtual bool AcceptNext() { return true; }
  // Closing the page from outside is its Cancel, with the same confirmation; a page
  // without Cancel stays.
  bool OnCloseRequest() override;
};

}  // namespace yv::wizard
