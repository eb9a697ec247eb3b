#include "wizard/page_frame.h"

#include "ui/message_box.h"
#include "winsys/deployment.h"
#include "wizard/texts.h"

namespace yv::wizard {

using ui::ControlSpec;
using ui::Kind;

namespace {

const ui::FontSpec kPageFont{"宋体", -12};

std::vector<ControlSpec> FrameRows(FrameButtons buttons, const std::vector<ControlSpec>& rows) {
  std::vector<ControlSpec> all = {
      {Kind::Image, "Image3", 0, 0, 120, 293, "", ui::kAlignLeft | ui::kCentered, 0, nullptr, ui::kNoColor,
       ui::kNoColor, kPagePictureId},
      {Kind::Label, "Label4", 136, 224, 72, 12, texts::kMaker, ui::kDisabled},
      {Kind::Bevel, "Bevel1", 136, 240, 350, 10},
  };
  all.insert(all.end(), rows.begin(), rows.end());
  switch (buttons) {
    case FrameButtons::BackNextCancel:
      all.push_back({Kind::Button, "Button1", 160, 256, 75, 25, texts::kBack});
      all.push_back({Kind::Button, "Button2", 280, 256, 75, 25, texts::kNext, ui::kDefault});
      all.push_back({Kind::Button, "Button3", 392, 256, 75, 25, texts::kCancel, ui::kCancel, ui::mrCancel});
      break;
    case FrameButtons::AgreeNextCancel:
      all.push_back({Kind::Button, "Button1", 160, 256, 75, 25, texts::kAgree});
      all.push_back({Kind::Button, "Button2", 280, 256, 75, 25, texts::kNext, ui::kDefault | ui::kDisabled, ui::mrOk});
      all.push_back({Kind::Button, "Button3", 392, 256, 75, 25, texts::kCancel, ui::kCancel, ui::mrCancel});
      break;
    case FrameButtons::CancelOnly:
      all.push_back({Kind::Button, "Button3", 400, 256, 75, 25, texts::kCancel, ui::kCancel, ui::mrCancel});
      break;
    case FrameButtons::None:
      break;
  }
  return all;
}

}  // namespace

void WizardPage::MoveFrameButton(const char* name, int left, int top) {
  MoveWindow((*this)[name].Handle(), left, top, 75, 25, TRUE);
}

bool ConfirmCancel() {
  const bool confirmed = ui::ShowMessageBox(nullptr, texts::kConfirmCancel, texts::kConfirmCancelCaption,
                                            MB_OKCANCEL | MB_ICONINFORMATION | MB_TOPMOST) != IDCANCEL;
  if (confirmed) winsys::NoteCause(winsys::ExitCause::kCancelled);
  return confirmed;
}

WizardPage::WizardPage(const std::string& caption, FrameButtons buttons, const std::vector<ControlSpec>& rows)
    : ui::Form(ui::FormSpec{caption, 492, 293, ui::Border::Dialog, ui::SysColor(COLOR_BTNFACE), kPageFont},
               FrameRows(buttons, rows)) {
  // The licence page's Next has no handler: the button's modal result closes the page.
  if (auto* back = Find("Button1"); back && buttons == FrameButtons::BackNextCancel) {
    back->onClick = [this] { Button1Click(); };
  }
  if (auto* next = Find("Button2"); next && buttons == FrameButtons::BackNextCancel) {
    next->onClick = [this] { Button2Click(); };
  }
  if (auto* cancel = Find("Button3"); cancel && buttons != FrameButtons::None) {
    cancel->onClick = [this] { Button3Click(); };
  }
}

void WizardPage::Button1Click() {
  StepDelta = -1;
  modalResult = ui::mrOk;
}

void WizardPage::Button2Click() {
  if (!AcceptNext()) return;
  StepDelta = 1;
  modalResult = ui::mrOk;
}

void WizardPage::AnswerUnseen() {
  modalResult = ui::mrNone;
  Button2Click();
}

bool WizardPage::OnCloseRequest() {
  for (const auto& control : Controls()) {
    if (control->GetFlags() & ui::kCancel) {
      control->Click();
      break;
    }
  }
  return false;
}

void WizardPage::Button3Click() {
  // The button's modal result 2 is already in force; a declined confirmation keeps the page.
  if (!ConfirmCancel()) modalResult = ui::mrNone;
}

}  // namespace yv::wizard
