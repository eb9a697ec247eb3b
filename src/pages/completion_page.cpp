#include "pages/completion_page.h"

#include "app/texts.h"

namespace yv::pages {

namespace {
const std::vector<ui::ControlSpec> kRows = {
    {ui::Kind::Button, "Button3", 264, 256, 75, 25, app::texts::kFinish, ui::kDefault},
};
}  // namespace

TdlgStep7::TdlgStep7() : WizardPage(app::texts::kCompletionCaption, app::FrameButtons::None, kRows) {
  (*this)["Button3"].onClick = [this] { Button3Click(); };
}

void TdlgStep7::Button3Click() { modalResult = ui::mrOk; }

}  // namespace yv::pages
