// Progress page TdlgStep6 (after the summary): shown without being modal while the
// installation runs; Cancel only clears InstallOk, which the run looks at between
// archive lines and components.
#pragma once

#include <string>

#include "install/installation_view.h"
#include "winsys/retry_policy.h"
#include "wizard/page_frame.h"

namespace yv::install {

class TdlgStep6 : public wizard::WizardPage, public InstallationView {
 public:
  TdlgStep6();
  void Button3Click() override;

  // InstallationView: Memo1, Label1, ProgressBar1.
  void ShowComponentText(const std::string& text) override;
  void ShowComponentCaption(const std::string& caption) override;
  void SetComponentMaximum(int lines) override;
  void StepComponent() override;
  // ExtractionProgress: ProgressBar2, StaticText1, the page's window.
  void SetArchiveMaximum(int entryCount) override;
  void StepArchive() override;
  void SetFileLabel(const std::string& text) override;
  void ProcessMessages() override;
  HWND Window() override { return Handle(); }
  // The fault boxes; in an upgrade a file in use is first waited for (below).
  bool Retry(const archive::Fault& fault) override;

 private:
  ui::Control& text_;          // Memo1, the component's text
  ui::Control& caption_;       // Label1, the component's caption
  ui::Control& fileLabel_;     // StaticText1, the file being written
  ui::Control& componentBar_;  // ProgressBar1, the component's lines
  ui::Control& archiveBar_;    // ProgressBar2, the archive's entries
  // The program that started an upgrade may still be closing: a file it holds is tried
  // again every half second for 15 seconds before the user is asked; once asked, that
  // file is asked about at once.
  winsys::RetryPolicy upgradeWait_;
};

}  // namespace yv::install
