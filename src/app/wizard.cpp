#include "app/wizard.h"

#include "app/install_state.h"
#include "app/texts.h"
#include "install/installation_run.h"
#include "pages/completion_page.h"
#include "pages/frame_pages.h"
#include "pages/licence_page.h"
#include "profile/profile.h"
#include "text/cp936.h"
#include "text/gbk.h"
#include "ui/application.h"
#include "ui/message_box.h"

namespace yv::app {

namespace {

constexpr UINT_PTR kTimer1 = 1;
constexpr COLORREF kNavy = RGB(0, 0, 128);
const ui::FontSpec kFormFont{"MS Sans Serif", -11, true, false, DEFAULT_CHARSET};
const ui::FontSpec kTitleFont{"宋体", -29, true, true};

const std::vector<ui::ControlSpec> kLayout = {
    {ui::Kind::Label, "Label1", 0, 0, 477, 29, "", ui::kAlignTop, 0, &kTitleFont,
     ui::SysColor(COLOR_BTNHIGHLIGHT)},
};

template <typename Page>
std::function<std::unique_ptr<WizardPage>()> Make() {
  return [] { return std::make_unique<Page>(); };
}

// The command line is composed in a 512-byte buffer.
constexpr std::size_t kCommandLineLimit = 511;

void StartProcess(const std::string& commandLine, const std::string& folder) {
  std::wstring command = text::ToWide(commandLine);
  std::wstring dir = text::ToWide(folder);
  STARTUPINFOW si{};
  si.cb = sizeof(si);
  PROCESS_INFORMATION pi{};
  if (CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, dir.c_str(), &si, &pi)) {
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
  }
}

}  // namespace

PageClasses StandardPageClasses() {
  PageClasses classes;
  classes.page = {Make<pages::TdlgStep1>(), Make<pages::TdlgStep2>(), Make<pages::TdlgStep3>(),
                  Make<pages::TdlgStep4>(), Make<pages::TdlgStep5>(), Make<pages::TdlgStep7>()};
  classes.progress = [] { return std::make_unique<pages::TdlgStep6>(); };
  classes.runInstallation = install::RunInstallation;
  classes.startProgram = StartProcess;
  return classes;
}

TfmWizard::TfmWizard()
    : ui::Form(ui::FormSpec{"", 477, 290, ui::Border::SingleNoIcons, kNavy, kFormFont, true, kIconId}, kLayout) {
  PageIndex = kLicencePage;
  gInstall.PartSelected.fill(false);
  const std::string& desc = gInstall.DescFilePath;
  gInstall.WizardTitle = profile::ReadString(desc, "info", "title", "");
  if (gInstall.InstallDir.empty()) {
    gInstall.InstallDir = profile::ReadString(desc, "info", "path", texts::kDefaultInstallDir);
  }
  SetCaption(gInstall.WizardTitle);
  (*this)["Label1"].SetText(gInstall.WizardTitle);
  gInstall.ProgramGroup = profile::ReadString(desc, "info", "group", texts::kDefaultProgramGroup);
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

bool TfmWizard::RunPage(int32_t index) {
  switch (index) {
    case kLicencePage: return RunLicence();
    case kUserInfoPage:
    case kProgramGroupPage: return RunShown(index);
    case kComponentsPage: return RunComponents();
    case kSummaryPage: return RunSummary();
    case kCompletionPage: return RunCompletion();
    default: return false;
  }
}

bool TfmWizard::RunLicence() {
  auto page = pageClasses.page[kLicencePage]();
  if (page->ShowModal() != ui::mrOk) return false;
  PageIndex = kUserInfoPage;
  return true;
}

bool TfmWizard::RunShown(int32_t index) {
  auto page = pageClasses.page[static_cast<std::size_t>(index)]();
  if (page->ShowModal() != ui::mrOk) return false;
  PageIndex += page->StepDelta;
  return true;
}

namespace {
// The components and summary pages: an upgrade calls their Next handler without
// showing them; otherwise the user answers. The page's modal result either way.
int Answer(WizardPage& page) {
  if (!gInstall.UpgradeMode) return page.ShowModal();
  page.Button2Click();
  return page.modalResult;
}
}  // namespace

bool TfmWizard::RunComponents() {
  auto page = pageClasses.page[kComponentsPage]();
  if (Answer(*page) != ui::mrOk) return false;
  PageIndex += page->StepDelta;
  if (gInstall.UpgradeMode) PageIndex += 1;  // no program group page in an upgrade
  return true;
}

bool TfmWizard::RunSummary() {
  auto summary = pageClasses.page[kSummaryPage]();
  if (Answer(*summary) != ui::mrOk) return false;
  PageIndex += summary->StepDelta;
  if (summary->StepDelta != 1) return true;
  auto progress = pageClasses.progress();
  progress->Show();
  pageClasses.runInstallation(*progress);
  bool ok = progress->InstallOk;
  progress.reset();  // the summary page goes after the progress page
  return ok;
}

bool TfmWizard::RunCompletion() {
  if (gInstall.UpgradeMode) {
    PageIndex += 1;
    ui::ShowMessageBox(nullptr, texts::kUpgradeDone, texts::kUpgradeDoneCaption, MB_OK);
    StartMainProgram();
    return true;
  }
  auto page = pageClasses.page[kCompletionPage]();
  if (page->ShowModal() != ui::mrOk) return false;
  PageIndex += 1;
  return true;
}

void TfmWizard::StartMainProgram() {
  // A folder too long for the command line cannot hold a startable program: the
  // upgrade is still reported, and nothing is started (as when the start fails).
  auto command = text::FormatBounded(kCommandLineLimit, "%s\\dravk.exe", {gInstall.InstallDir});
  if (command) pageClasses.startProgram(*command, gInstall.InstallDir);
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
