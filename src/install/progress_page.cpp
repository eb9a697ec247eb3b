#include "install/progress_page.h"

#include "wizard/texts.h"

namespace yv::install {

TdlgStep6::TdlgStep6() : WizardPage(wizard::texts::kProgressCaption, wizard::FrameButtons::CancelOnly) {}

void TdlgStep6::Button3Click() {
  if (wizard::ConfirmCancel()) {
    InstallOk = false;
  } else {
    modalResult = ui::mrNone;
  }
}

}  // namespace yv::install
