#include "pages/progress_page.h"

#include "app/texts.h"

namespace yv::pages {

TdlgStep6::TdlgStep6() : WizardPage(app::texts::kProgressCaption, app::FrameButtons::CancelOnly) {}

void TdlgStep6::Button3Click() {
  if (app::ConfirmCancel()) {
    InstallOk = false;
  } else {
    modalResult = ui::mrNone;
  }
}

}  // namespace yv::pages
