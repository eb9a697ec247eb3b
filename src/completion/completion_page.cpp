#include "completion/completion_page.h"

#include "wizard/texts.h"

namespace yv::completion {

namespace {
const std::vector<ui::ControlSpec> kRows = {
    {ui::Kind::Button, "Button3", 264, 256, 75, 25, wizard::texts::kFinish, ui::kDefault},
};
}  // namespace

TdlgStep7::TdlgStep7() : WizardPage(wizard::texts::kCompletionCaption, wizard::FrameButtons::None, kRows) {
  (*this)["Button3"].onClick = [this] { Button3Click(); };
}

void TdlgStep7::Button3Click() {
  modalResult = ui::mrOk;
}

}  // namespace yv::completion
