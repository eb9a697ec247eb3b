// Licence page (index 0): the licence text of the medium; "同意" enables Next.
#pragma once

#include "wizard/page_frame.h"

namespace yv::pages {

class TdlgStep1 : public wizard::WizardPage {
 public:
  TdlgStep1();                   // throws when the licence text cannot be read
  void Button1Click() override;  // agree
  void AnswerUnseen() override;  // agreed on the users' behalf by whoever runs it silently
};

}  // namespace yv::pages
