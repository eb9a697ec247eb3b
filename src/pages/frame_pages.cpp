#include "pages/frame_pages.h"

#include "wizard/texts.h"

namespace yv::pages {

using wizard::FrameButtons;
namespace texts = wizard::texts;

TdlgStep3::TdlgStep3() : WizardPage(texts::kComponentsCaption, FrameButtons::BackNextCancel) {}
TdlgStep5::TdlgStep5() : WizardPage(texts::kSummaryCaption, FrameButtons::BackNextCancel) {}

}  // namespace yv::pages
