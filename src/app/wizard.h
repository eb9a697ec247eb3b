// TfmWizard: the navy full-screen backdrop with the wizard title, and the page loop it
// runs once, at its timer's second tick.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>

#include "install/progress_page.h"
#include "winsys/change_layer.h"
#include "wizard/page_frame.h"

namespace yv::app {

// The private message that asks the main window for the cancel confirmation.
constexpr UINT WM_CONFIRM_CANCEL = WM_USER + 2000;

// Page indexes of the loop.
enum PageIndexes : int32_t {
  kLicencePage = 0,
  kUserInfoPage = 1,
  kComponentsPage = 2,
  kProgramGroupPage = 3,
  kSummaryPage = 4,
  kCompletionPage = 5,
  kPagesDone = 6,
  kPagesAborted = 7,
};

// How each page is made: one factory per index, replaceable (tests put scripted pages
// in), plus the progress page and the installation run behind the summary page.
struct PageClasses {
  std::array<std::function<std::unique_ptr<wizard::WizardPage>()>, 6> page;
  std::function<std::unique_ptr<install::TdlgStep6>()> progress;
  std::function<void(install::TdlgStep6&)> runInstallation;
  // Starts the installed main program after an upgrade (program file, working folder).
  std::function<void(const std::string&, const std::string&)> startProgram;
};
PageClasses StandardPageClasses(winsys::ChangeLayer& changes);

class TfmWizard : public ui::Form {
 public:
  TfmWizard();
  ~TfmWizard() override;

  int32_t PageIndex = kLicencePage;
  uint16_t TickCount = 0;
  // Every change of the installation and of the last page; its journal is set by start-up.
  winsys::ChangeLayer changes{nullptr};
  PageClasses pageClasses = StandardPageClasses(changes);

  void FormCreate();
  void Timer1Timer();
  void RunWizardPages();
  void FormDestroy();
  // A silent run: the page loop at once, with the backdrop never shown.
  void RunUnattended();
  // The pages ended normally: the installation is done.
  bool Finished() const { return PageIndex == kPagesDone; }

 protected:
  void OnDestroyed() override;
  bool OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
  // Closing the backdrop from outside asks as WM_CONFIRM_CANCEL does.
  bool OnCloseRequest() override;

 private:
  bool RunPage(int32_t index);
  void StartMainProgram();
  void ConfirmAndClose();
};

}  // namespace yv::app
