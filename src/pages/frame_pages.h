// The input pages as page frames with their captions and the Back/Next/Cancel
// protocol: user information (1) and program group (3). Their own controls and checks
// come with each page.
#pragma once

#include "wizard/page_frame.h"

namespace yv::pages {

class TdlgStep2 : public wizard::WizardPage {
 public:
  TdlgStep2();
};

class TdlgStep4 : public wizard::WizardPage {
 public:
  TdlgStep4();
};

}  // namespace yv::pages
