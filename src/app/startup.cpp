#include "app/startup.h"

#include <windows.h>

#include <memory>

#include "app/deployment_start.h"
#include "app/wizard.h"
#include "deploy/switches.h"
#include "install_log/log_file.h"
#include "medium/medium_rules.h"
#include "platform/file_io.h"
#include "profile/profile.h"
#include "text/gbk.h"
#include "ui/application.h"
#include "ui/message_box.h"
#include "winsys/change_layer.h"
#include "winsys/deployment.h"
#include "winsys/registry.h"
#include "winsys/system_folders.h"
#include "wizard/install_state.h"
#include "wizard/texts.h"

namespace yv::app {

using winsys::RegistryKey;
using wizard::gInstall;
namespace texts = wizard::texts;

namespace {

// Every file start-up looks for is the medium folder followed by one of these names;
// the longest decides how long the folder may be (composed paths hold 255 bytes).
constexpr std::string_view kSetupIni = "\\setup.ini";
constexpr std::string_view kLongestStartupName = "\\install6.ini";

void LookUpEarlierInstallation(int32_t& fourToSix) {
  // The App Paths key name is composed in 255 bytes; a main program name too long
  // for it cannot have been registered, so the installation counts as fresh.
  if (auto keyName = text::FormatBounded(text::kPathLimit, texts::kAppPathsKey, {gInstall.MainProgram})) {
    RegistryKey appPaths(HKEY_LOCAL_MACHINE, *keyName);
    auto path = appPaths.ReadString("Path");
    if (path && !path->empty()) {
      gInstall.InstallDir = text::WithoutTrailingBackslash(*path);
      gInstall.FreshInstall = false;
    }
  }
  if (gInstall.FreshInstall) return;

  RegistryKey product(HKEY_LOCAL_MACHINE, texts::kProductKey);
  gInstall.UserName = product.ReadString("Name").value_or("");
  gInstall.CompanyName = product.ReadString("Company").value_or("");

  // A settings path too long to compose reads like a missing file: the default.
  auto settings = text::JoinBounded(text::kPathLimit, {gInstall.InstallDir, "\\cfg\\system.dft"});
  fourToSix = settings ? profile::ReadInteger(*settings, "PARAMETER", "FourToSix", 1) : 1;
}

}  // namespace

std::wstring CommandLineTail(std::wstring_view line) {
  std::size_t i = 0;
  if (!line.empty() && line[0] == L'"') {
    std::size_t close = line.find(L'"', 1);
    i = close == std::wstring_view::npos ? line.size() : close + 1;
  } else {
    while (i < line.size() && line[i] != L' ' && line[i] != L'\t') ++i;
  }
  while (i < line.size() && (line[i] == L' ' || line[i] == L'\t')) ++i;
  return std::wstring(line.substr(i));
}

StartupOutcome PrepareInstallState(const std::string& workingDir, const std::string& commandLine) {
  gInstall.SourceDir = text::WithoutTrailingBackslash(workingDir);
  gInstall.UpgradeMode = false;
  gInstall.UserName.clear();
  gInstall.CompanyName.clear();
  gInstall.DescFileName = "\\install";
  gInstall.FreshInstall = true;
  int32_t fourToSix = 0;

  // A medium folder so deep that its file names no longer fit cannot be installed
  // from; say so rather than failing silently later.
  if (gInstall.SourceDir.size() + kLongestStartupName.size() > text::kPathLimit) {
    return StartupOutcome::BadDescription;
  }
  const std::string setupIni = gInstall.SourceDir + std::string(kSetupIni);
  if (!platform::PathExists(setupIni)) return StartupOutcome::Quit;

  gInstall.MainProgram = profile::ReadString(setupIni, "info", "name", texts::kDefaultMainProgram);
  gInstall.ProductName = profile::ReadString(setupIni, "info", "product", texts::kDefaultProduct);

  if (gInstall.ProductName == texts::kDefaultProduct) LookUpEarlierInstallation(fourToSix);

  if (!commandLine.empty()) {
    gInstall.UpgradeMode = true;
    gInstall.InstallDir = commandLine;
  }

  gInstall.DescFileName += fourToSix == 1 ? "6.ini" : ".ini";
  gInstall.DescFilePath = gInstall.SourceDir + gInstall.DescFileName;
  if (!platform::PathExists(gInstall.DescFilePath)) {
    gInstall.DescFileName = "\\install6.ini";
    gInstall.DescFilePath = gInstall.SourceDir + gInstall.DescFileName;
    if (!platform::PathExists(gInstall.DescFilePath)) return StartupOutcome::BadDescription;
  }
  return StartupOutcome::Run;
}

namespace {

// The run's own journal when the medium names no uninstaller: in the Windows folder, which
// only administrators write, where every start finds it whatever the folder of the run.
constexpr char kOwnJournal[] = "\\yvsetup.log";

std::optional<std::string> InstallLogPath(const std::string& windows) {
  if (gInstall.UninstallProgram.empty()) return std::nullopt;
  const auto uninstaller = text::JoinBounded(text::kPathLimit, {windows, "\\", gInstall.UninstallProgram});
  return uninstaller ? std::optional<std::string>(install_log::LogPathFor(*uninstaller)) : std::nullopt;
}

}  // namespace

int RunSetup(const std::string& workingDir, const std::string& commandLine) {
  // A line of switches is a deployment's; any other line names the folder of an upgrade.
  const bool withSwitches = deploy::IsSwitchLine(commandLine);
  if (withSwitches) {
    if (const auto refused = BeginDeployment(commandLine)) return *refused;
  }
  // A medium without a usable description: the box, and with switches the medium's code.
  const auto badDescription = [&](int codeWithoutSwitches) {
    winsys::NoteFault(winsys::ExitCause::kMedium, texts::kBadDescription, gInstall.DescFilePath);
    ui::ShowMessageBox(nullptr, texts::kBadDescription, texts::kSetupCaption, MB_OK);
    return withSwitches ? winsys::FinishDeployment(false) : codeWithoutSwitches;
  };
  switch (PrepareInstallState(workingDir, withSwitches ? std::string() : commandLine)) {
    case StartupOutcome::Quit:
      if (!withSwitches) return 0;
      winsys::NoteFault(winsys::ExitCause::kMedium, texts::kBadDescription,
                        gInstall.SourceDir + std::string(kSetupIni));
      return winsys::FinishDeployment(false);
    case StartupOutcome::BadDescription:
      return badDescription(0);
    case StartupOutcome::Run:
      break;
  }
  winsys::LogLine(texts::kLogMedium + gInstall.DescFilePath);
  if (withSwitches) {
    if (const auto refused = RefusedByDescription()) return RefuseSwitch(*refused, winsys::IsSilent());
  }
  try {
    auto wizard = std::make_unique<TfmWizard>();
    // "uninst" names a file in the Windows folder: anything else would put the log, which
    // decides what the uninstaller deletes, where others may write. Such a description is
    // refused as a broken one, before anything is read or written for it.
    if (!gInstall.UninstallProgram.empty() && !medium::IsPlainFileName(gInstall.UninstallProgram)) {
      return badDescription(gInstall.UpgradeMode ? 1 : 0);
    }
    // A run that a kill or a power cut ended is finished first, one way or the other.
    const std::string windows = winsys::WindowsFolder().value_or("");
    const std::string ownJournal = windows + kOwnJournal;
    const std::optional<std::string> logPath = InstallLogPath(windows);
    winsys::RecoverJournal(ownJournal);
    if (logPath) winsys::RecoverJournal(*logPath);
    winsys::RemoveEndedJournal(ownJournal);
    const bool newLog = logPath && !platform::PathExists(*logPath);
    std::unique_ptr<install_log::LogWriter> journal;
    if (!windows.empty()) {
      journal = std::make_unique<install_log::LogWriter>(
          logPath.value_or(ownJournal), gInstall.ProgramGroup,
          install_log::Record::Of(install_log::RecordKind::Run, install_log::LocalTimeText()));
    }
    wizard->changes.SetJournal(journal.get());
    ui::SetMainForm(wizard.get());
    if (winsys::IsSilent()) {
      wizard->RunUnattended();
    } else {
      wizard->Show();
    }
    int code = ui::RunMessageLoop();
    ui::SetMainForm(nullptr);
    wizard->changes.SetJournal(nullptr);
    journal.reset();
    // The run's own journal is needed only until its run is over; a log this start made
    // only while nothing was installed.
    winsys::RemoveEndedJournal(ownJournal);
    if (newLog) winsys::RemoveEndedJournal(*logPath, true);
    return withSwitches ? winsys::FinishDeployment(wizard->Finished()) : code;
  } catch (const std::exception& error) {
    ui::ReportException(error);
    ui::SetMainForm(nullptr);
    return withSwitches ? winsys::FinishDeployment(false) : 0;
  }
}

}  // namespace yv::app
