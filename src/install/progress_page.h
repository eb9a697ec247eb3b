// Progress page (index 4, after the summary): shown without being modal while the
// installation runs; Cancel only clears InstallOk.
#pragma once

#include "wizard/page_frame.h"

namespace yv::install {

class TdlgStep6 : public wizard::WizardPage {
 public:
  TdlgStep6();
  void Button3Click() override;

  // The run's result: false after a failure or a confirmed Cancel.
  bool InstallOk = true;
};

}  // namespace yv::install
