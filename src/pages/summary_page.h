// Summary page (index 4): what the earlier pages chose, read-only. Next is the point of
// no return: the page loop runs the installation after it.
#pragma once

#include <string>

#include "wizard/install_state.h"
#include "wizard/page_frame.h"

namespace yv::pages {

// The summary text of Memo2: each line followed by CR LF.
std::string SummaryText(const wizard::InstallState& state);

class TdlgStep5 : public wizard::WizardPage {
 public:
  TdlgStep5();  // fills Memo2 from gInstall as it is now
};

}  // namespace yv::pages
