#include "app/wizard.h"

#include <iterator>

#include "completion/completion_page.h"
#include "install/installation_run.h"
#include "medium/medium_rules.h"
#include "pages/components_page.h"
#include "pages/licence_page.h"
#include "pages/program_group_page.h"
#include "pages/summary_page.h"
#include "pages/user_info_page.h"
#include "profile/profile.h"
#include "text/cp936.h"
#include "text/gbk.h"
#include "ui/application.h"
#include "ui/message_box.h"
#include "winsys/deployment.h"
#include "winsys/process.h"
#include "wizard/install_state.h"
#include "wizard/texts.h"

namespace yv::app {

using wizard::gInstall;
namespace texts = wizard::texts;

namespace {

constexpr UINT_PTR kTimer1 = 1;
constexpr COLORREF kNavy = RGB(0, 0, 128);
const ui::FontSpec kFormFont{"MS Sans Serif", -11, true, false, DEFAULT_CHARSET};
const ui::FontSpec kTitleFont{"宋体", -29, true, true};

const std::vector<ui::ControlSpec> kLayout = {
    {ui::Kind::Label, "Label1", 0, 0, 477, 29, "", ui::kAlignTop, 0, &kTitleFont, ui::SysColor(COLOR_BTNHIGHLIGHT)},
};

template <typename Page>
std::function<std::unique_ptr<wizard::WizardPage>()> Make() {
  return [] { return std::make_unique<Page>(); };
}

// The command line is composed in a 512-byte buffer.
constexpr std::size_t kCommandLineLimit = 511;

}  // namespace

PageClasses StandardPageClasses(winsys::ChangeLayer& changes) {
  PageClasses classes;
  classes.page = {Make<pages::TdlgStep1>(), [&changes] { return std::make_unique<pages::TdlgStep2>(changes); },
                  Make<pages::TdlgStep3>(), Make<pages::TdlgStep4>(),
                  Make<pages::TdlgStep5>(), [&changes] { return std::make_unique<completion::TdlgStep7>(changes); }};
  classes.progress = [] { return std::make_unique<install::TdlgStep6>(); };
  classes.runInstallation = [&changes](install::TdlgStep6& page) { install::RunInstallation(page, changes); };
  classes.startProgram = [](const std::string& program, const std::string& folder) {
    winsys::StartAsUser(program, folder);
  };
  return classes;
}

TfmWizard::TfmWizard()
    : ui::Form(ui::FormSpec{"", 477, 290, ui::Border::SingleNoIcons, kNavy, kFormFont, true, wizard::kIconId},
               kLayout) {
  PageIndex = kLicencePage;
  gInstall.PartSelected.fill(false);
  const std::string& desc = gInstall.DescFilePath;
  gInstall.WizardTitle = profile::ReadString(desc, "info", "title", "");
  if (gInstall.InstallDir.empty()) {
    gInstall.InstallDir = profile::ReadString(desc, "info", "path", medium::kDefaultInstallDir);
  }
  SetCaption(gInstall.WizardTitle);
  (*this)["Label1"].SetText(gInstall.WizardTitle);
  gInstall.ProgramGroup = profile::ReadString(desc, "info", "group", medium::kDefaultProgramGroup);
  gInstall.UninstallProgram = profile::ReadString(desc, "info", "uninst", "");
  FormCreate();
}

TfmWizard::~TfmWizard() {
  FormDestroy();  // releasing the lists twice is harmless
}

void TfmWizard::FormCreate() {
  TickCount = 0;
  StartTimer(kTimer1, 1000, [this] { Timer1Timer(); });
}

void TfmWizard::Timer1Timer() {
  if (TickCount == 1) {
    StopTimer(kTimer1);
    RunWizardPages();
  } else {
    ++TickCount;
  }
}

void TfmWizard::RunUnattended() {
  StopTimer(kTimer1);
  RunWizardPages();
}

void TfmWizard::RunWizardPages() {
  if (gInstall.UpgradeMode) PageIndex = kComponentsPage;
  while (PageIndex >= 0 && PageIndex < kPagesDone) {
    bool ok = false;
    try {
      ok = RunPage(PageIndex);
    } catch (const std::exception& error) {
      // A page that cannot be created or shown stops the loop after the report.
      ui::ReportException(error);
    }
    if (!ok) PageIndex = kPagesAborted;
  }
  // A calling script must be able to tell that an unattended upgrade did not finish.
  if (gInstall.UpgradeMode && PageIndex != kPagesDone) ui::SetExitCode(1);
  Close();
}

namespace {

// What each page of the loop does in an unattended upgrade.
enum class InUpgrade {
  NotReached,      // before the loop's first page in an upgrade
  AnsweredUnseen,  // its Next handler runs without the page being shown
  Skipped,         // the loop passes over it
  Finishes,        // in its place: "升级成功" and the installed main program started
};

struct PageRole {
  int32_t index;
  InUpgrade inUpgrade;
  bool alwaysForward;     // a closed page moves on, whatever its StepDelta (the licence)
  bool runsInstallation;  // Next runs the installation before the loop goes on
};

constexpr PageRole kPageRoles[] = {
    {kLicencePage, InUpgrade::NotReached, true, false},         {kUserInfoPage, InUpgrade::NotReached, false, false},
    {kComponentsPage, InUpgrade::AnsweredUnseen, false, false}, {kProgramGroupPage, InUpgrade::Skipped, false, false},
    {kSummaryPage, InUpgrade::AnsweredUnseen, false, true},     {kCompletionPage, InUpgrade::Finishes, true, false},
};
static_assert(std::size(kPageRoles) == kPagesDone, "one role per page");

}  // namespace

bool TfmWizard::RunPage(int32_t index) {
  const PageRole& role = kPageRoles[index];
  const bool upgrade = gInstall.UpgradeMode;
  const bool silent = winsys::IsSilent();
  if (upgrade && role.inUpgrade == InUpgrade::Skipped) {
    PageIndex += 1;
    return true;
  }
  if (upgrade && role.inUpgrade == InUpgrade::Finishes) {
    PageIndex += 1;
    ui::ShowMessageBox(nullptr, texts::kUpgradeDone, texts::kUpgradeDoneCaption, MB_OK);
    StartMainProgram();
    return true;
  }
  auto page = pageClasses.page[static_cast<std::size_t>(index)]();
  int result;
  if (silent || (upgrade && role.inUpgrade == InUpgrade::AnsweredUnseen)) {
    page->AnswerUnseen();
    result = page->modalResult;
  } else {
    result = page->ShowModal();
  }
  if (result != ui::mrOk) return false;
  PageIndex += role.alwaysForward ? 1 : page->StepDelta;
  if (!role.runsInstallation || page->StepDelta != 1) return true;
  // The page stays until the run has ended; the progress page goes first.
  auto progress = pageClasses.progress();
  if (!silent) progress->Show();
  pageClasses.runInstallation(*progress);
  const bool ok = progress->InstallOk;
  progress.reset();
  return ok;
}

void TfmWizard::StartMainProgram() {
  // A folder too long for the command line cannot hold a startable program: the
  // upgrade is still reported, and nothing is started (as when the start fails).
  auto program = text::FormatBounded(kCommandLineLimit, "%s\\dravk.exe", {gInstall.InstallDir});
  if (program) pageClasses.startProgram(*program, gInstall.InstallDir);
}

void TfmWizard::FormDestroy() {
  gInstall.PartCaptions.reset();
  gInstall.CardList.reset();
}

void TfmWizard::OnDestroyed() {
  FormDestroy();
}

void TfmWizard::ConfirmAndClose() {
  if (ui::ShowMessageBox(Handle(), texts::kConfirmCancel, texts::kConfirmCancelCaption,
                         MB_OKCANCEL | MB_ICONINFORMATION | MB_TOPMOST) != IDCANCEL) {
    winsys::NoteCause(winsys::ExitCause::kCancelled);
    Close();
  }
}

bool TfmWizard::OnMessage(UINT msg, WPARAM, LPARAM, LRESULT& result) {
  if (msg != WM_CONFIRM_CANCEL) return false;
  ConfirmAndClose();
  result = 0;
  return true;
}

bool TfmWizard::OnCloseRequest() {
  ConfirmAndClose();
  return false;
}

}  // namespace yv::app
