// Completion page (index 5): the last page, closed by "完成".
#pragma once

#include "app/page_frame.h"

namespace yv::pages {

class TdlgStep7 : public app::WizardPage {
 public:
  TdlgStep7();
  void Button3Click() override;  // finish
};

}  // namespace yv::pages
