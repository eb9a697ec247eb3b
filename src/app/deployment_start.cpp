#include "app/deployment_start.h"

#include "medium/medium_rules.h"
#include "profile/profile.h"
#include "text/gbk.h"
#include "ui/message_box.h"
#include "winsys/deployment.h"
#include "wizard/install_state.h"
#include "wizard/texts.h"

namespace yv::app {

using winsys::gDeployment;
using wizard::gInstall;
namespace texts = wizard::texts;

namespace {

// A box of a silent run: its text goes to the log, and the answer is the one given in the
// user's place, or the one that stops rather than goes on.
int AnswerUnseen(const ui::MessageBoxCall& call) {
  winsys::LogLine(texts::kLogMessage + (call.caption.empty() ? "" : call.caption + "：") + call.text);
  if (call.silentAnswer != 0) return call.silentAnswer;
  switch (call.style & MB_TYPEMASK) {
    case MB_OKCANCEL:
    case MB_RETRYCANCEL:
    case MB_YESNOCANCEL:
      return IDCANCEL;
    case MB_YESNO:
      return IDNO;
    case MB_ABORTRETRYIGNORE:
      return IDABORT;
    default:
      return IDOK;
  }
}

std::string Named(const char* name, const std::string& value) {
  return std::string("/") + name + "=" + value;
}

}  // namespace

int RefuseSwitch(const std::string& switchText, bool silent) {
  winsys::NoteFault(winsys::ExitCause::kCommandLine, texts::kSwitchRefused + switchText, "");
  if (!silent) ui::ShowMessageBox(nullptr, texts::kSwitchRefused + switchText, texts::kSetupCaption, MB_OK);
  return winsys::FinishDeployment(false);
}

std::optional<int> BeginDeployment(const std::string& commandLine) {
  gDeployment.withSwitches = true;
  const auto parsed = deploy::ParseSwitches(commandLine);
  if (const auto* refused = std::get_if<deploy::Refusal>(&parsed)) {
    return RefuseSwitch(refused->switchText, refused->silent);
  }
  gDeployment.switches = std::get<deploy::Switches>(parsed);
  const deploy::Switches& s = gDeployment.switches;
  if (s.silent) ui::SetMessageBoxResponder(AnswerUnseen);
  if (s.log && !winsys::OpenSupportLog(*s.log)) return RefuseSwitch(Named("LOG", *s.log), s.silent);
  winsys::LogLine(texts::kLogCommandLine + commandLine);
  winsys::LogLine(s.silent ? texts::kLogSilent : texts::kLogInteractive);
  return std::nullopt;
}

std::optional<std::string> RefusedByDescription() {
  const deploy::Switches& s = gDeployment.switches;
  const std::string& desc = gInstall.DescFilePath;
  if (s.components) {
    const int parts = medium::CappedCount(profile::ReadInteger(desc, "info", "parts", 0));
    for (const int index : *s.components) {
      if (index >= parts) return Named("COMPONENTS", std::to_string(index));
    }
  }
  // The description's own card list is known now; the driver table only once installed.
  if (s.card && *s.card != deploy::kNoCard &&
      !medium::UsesDriverTable(profile::ReadString(desc, "info", "configcard", "")) &&
      *s.card >= profile::ReadInteger(desc, "info", "DriverCards", 0)) {
    return Named("CARD", std::to_string(*s.card));
  }
  return std::nullopt;
}

}  // namespace yv::app
