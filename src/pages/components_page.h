// Components and destination page (index 2): the installation folder with Browse, and
// one check box per component of the description, created in GroupBox1 when the page
// opens. Next reconciles the choice with a fresh or an earlier installation, asking
// about each doubtful component, and stores folder and choice in gInstall.
#pragma once

#include <array>
#include <string>

#include "medium/medium_rules.h"
#include "wizard/page_frame.h"

namespace yv::pages {

class TdlgStep3 : public wizard::WizardPage {
 public:
  TdlgStep3();  // runs the Next action once, without questions, before any showing

  void Button4Click();  // Browse

  // The folder shown in Label2.
  const std::string& Folder() const { return folder_; }
  ui::Control* ComponentBox(int index) const { return boxes_.at(static_cast<std::size_t>(index)); }

 protected:
  bool AcceptNext() override;

 private:
  void ShowFolder(const std::string& folder);
  // Asks a question about component i; IDYES or IDNO, or 0 when it would not fit its
  // buffer (the user has been told). A silent run answers `silentAnswer`: the choice its
  // switches made stands.
  int Ask(const char* format, int i, int silentAnswer);

  ui::Control& folderLabel_;                               // Label2
  ui::Control& componentsGroup_;                           // GroupBox1
  std::array<ui::Control*, medium::kCountLimit> boxes_{};  // the entries below PartCount exist
  std::string openingFolder_;                              // InstallDir when the page opened: where Browse starts
  std::string folder_;
};

}  // namespace yv::pages
