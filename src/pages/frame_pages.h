// The input pages as page frames with their captions and the Back/Next/Cancel
// protocol: components and destination (2) and summary (4). Their own controls and
// checks come with each page.
#pragma once

#include "wizard/page_frame.h"

namespace yv::pages {

class TdlgStep3 : public wizard::WizardPage {
 public:
  TdlgStep3();
};

class TdlgStep5 : public wizard::WizardPage {
 public:
  TdlgStep5();
};

}  // namespace yv::pages
