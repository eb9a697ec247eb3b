// Completion page (index 5): the receiver card is configured as the setup description
// says, and "完成" then runs the actions that finish the installation and closes the page.
#pragma once

#include <string>

#include "completion/post_install.h"
#include "completion/receiver_card.h"
#include "wizard/page_frame.h"

namespace yv::ui {
class ComboBox;
class RadioGroup;
}  // namespace yv::ui

namespace yv::completion {

class TdlgStep7 : public wizard::WizardPage {
 public:
  explicit TdlgStep7(winsys::ChangeLayer& changes);
  // The card step, then the post-installation actions, then modal result 1. A step that
  // fails keeps the page open (except without card controls), and pressing "完成" again
  // starts over from the card step.
  void Button3Click() override;
  void AnswerUnseen() override;  // Finish

  CardMode Mode() const { return mode_; }
  // How the post-installation actions start programs (tests stand in for it).
  ProgramStarter starter;

 private:
  // True when the card is configured, or the user chose to finish without it.
  bool CardStep();
  bool ConfigureChosenCard();
  bool WriteChosenDriver();
  // After a card step that failed: Yes finishes without the card.
  bool UserSkipsCard();

  bool skipCard_ = false;         // a deployment asked for no card
  ui::Control& tableLabel_;       // Label1, over the driver table
  ui::Control& memo_;             // Memo1, the last page's text
  ui::ComboBox& drivers_;         // ComboBox1, the driver table's entries
  ui::RadioGroup& cards_;         // RadioGroup1, the description's cards
  winsys::ChangeLayer& changes_;  // the last page's changes: each made at once
  CardMode mode_ = CardMode::kNone;
  std::string settingsPath_;  // the driver table's file (driver table mode)
};

}  // namespace yv::completion
