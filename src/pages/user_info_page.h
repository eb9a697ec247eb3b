// User information page (index 1): the user's company and name, proposed from the
// installation state or the current user's setup defaults, recorded on Next in the
// product's registry key and the installation state.
#pragma once

#include "winsys/change_layer.h"
#include "wizard/page_frame.h"

namespace yv::pages {

class TdlgStep2 : public wizard::WizardPage {
 public:
  explicit TdlgStep2(winsys::ChangeLayer& changes);

 protected:
  // Records the input, or shows "注册失败!" and keeps the page when the product key
  // cannot be created or opened for writing.
  bool AcceptNext() override;

 private:
  ui::Control& name_;             // Edit3
  ui::Control& company_;          // Edit4
  winsys::ChangeLayer& changes_;  // records the product key's values before they are written
};

}  // namespace yv::pages
