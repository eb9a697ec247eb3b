// Completion page (index 5): the last page, closed by "完成".
#pragma once

#include "wizard/page_frame.h"

namespace yv::completion {

class TdlgStep7 : public wizard::WizardPage {
 public:
  TdlgStep7();
  void Button3Click() override;  // finish
};

}  // namespace yv::completion
