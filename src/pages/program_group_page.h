// Program group page (index 3): the name of the folder under the Start menu's Programs
// folder that gets the shortcuts, typed or picked from the folders already there.
#pragma once

#include "wizard/page_frame.h"

namespace yv::ui {
class ListBox;
}  // namespace yv::ui

namespace yv::pages {

class TdlgStep4 : public wizard::WizardPage {
 public:
  TdlgStep4();
  void ListBox1Click();  // the picked folder becomes the name

 protected:
  // Refuses an empty name with a message; any other text, blanks included, is taken.
  bool AcceptNext() override;

 private:
  ui::Control& name_;     // Edit1
  ui::ListBox& folders_;  // ListBox1, the folders in Programs
};

}  // namespace yv::pages
