#include "pages/frame_pages.h"

#include "wizard/texts.h"

namespace yv::pages {

using wizard::FrameButtons;
namespace texts = wizard::texts;

TdlgStep2::TdlgStep2() : WizardPage(texts::kUserInfoCaption, FrameButtons::BackNextCancel) {}
TdlgStep4::TdlgStep4() : WizardPage(texts::kProgramGroupCaption, FrameButtons::BackNextCancel) {}

}  // namespace yv::pages
