#include "uninstall/uninstaller.h"

#include <windows.h>

#include <optional>

#include "install_log/log_file.h"
#include "install_log/place_rules.h"
#include "install_log/removal_plan.h"
#include "platform/file_io.h"
#include "text/cp936.h"
#include "text/gbk.h"
#include "ui/application.h"
#include "ui/form.h"
#include "ui/message_box.h"
#include "uninstall/removal.h"
#include "uninstall/self_removal.h"
#include "uninstall/uninstall_texts.h"
#include "winsys/change_layer.h"
#include "winsys/registry.h"
#include "winsys/retry_policy.h"
#include "winsys/system_folders.h"

namespace yv::uninstall {

namespace {

// Unattended, a file in use is tried this often, this far apart, before the run stops.
constexpr int kSilentAttempts = 20;
constexpr DWORD kSilentPauseMs = 500;

std::string Fill(const char* format, std::initializer_list<std::string_view> args) {
  return text::FormatBounded(std::string::npos, format, args).value_or(format);
}

install_log::Places SystemPlaces() {
  install_log::Places places;
  places.windowsDir = winsys::WindowsFolder().value_or("");
  places.systemDir = winsys::SystemFolder().value_or("");
  const winsys::RegistryKey folders(HKEY_CURRENT_USER, winsys::kShellFoldersKey);
  places.programs = folders.ReadString("Programs").value_or("");
  places.desktop = folders.ReadString("Desktop").value_or("");
  places.allUsersPrograms = winsys::AllUsersProgramsFolder().value_or("");
  places.allUsersDesktop = winsys::AllUsersDesktopFolder().value_or("");
  return places;
}

const ui::FontSpec kFont{"宋体", -12};
const std::vector<ui::ControlSpec> kProgressRows = {
    {ui::Kind::Label, "Label1", 12, 12, 376, 16, texts::kRemoving},
    {ui::Kind::ProgressBar, "ProgressBar1", 12, 36, 376, 17},
};

// The small window that shows the removal going on.
class ProgressWindow : public ui::Form {
 public:
  ProgressWindow(const std::string& caption, int steps)
      : ui::Form(ui::FormSpec{caption, 400, 66, ui::Border::Dialog, ui::SysColor(COLOR_BTNFACE), kFont}, kProgressRows),
        label_((*this)["Label1"]),
        bar_((*this)["ProgressBar1"]) {
    bar_.SetRange(0, steps > 0 ? steps : 1);
    bar_.SetStep(1);
  }
  void Step(const std::string& what) {
    label_.SetText(texts::kRemoving + what);
    bar_.StepIt();
    ui::ProcessMessages();
  }

 private:
  ui::Control& label_;
  ui::Control& bar_;
};

class InteractiveUi : public RemovalUi {
 public:
  InteractiveUi(ProgressWindow& window, std::string name, std::string caption)
      : window_(window), name_(std::move(name)), caption_(std::move(caption)) {}
  void Step(const std::string& what) override { window_.Step(what); }
  bool RetryInUse(const std::string& path) override {
    return ui::ShowMessageBox(window_.Handle(), Fill(texts::kInUse, {path, name_}), caption_,
                              MB_RETRYCANCEL | MB_ICONWARNING) == IDRETRY;
  }

 private:
  ProgressWindow& window_;
  std::string name_;
  std::string caption_;
};

class SilentUi : public RemovalUi {
 public:
  void Step(const std::string&) override {}
  bool RetryInUse(const std::string& path) override {
    return wait_.TryAgain(path, [] { return false; });
  }

 private:
  winsys::RetryPolicy wait_{kSilentAttempts, kSilentPauseMs};
};

}  // namespace

int RunUninstaller(const std::string& ownPath, bool silent) {
  const std::string logPath = install_log::LogPathFor(ownPath);
  const auto tell = [silent](const std::string& message, const std::string& caption, UINT style) {
    return silent ? IDOK : ui::ShowMessageBox(nullptr, message, caption, style);
  };
  // A run of the wizard that a kill ended is finished first, one way or the other.
  winsys::RecoverJournal(logPath);
  const auto content = platform::ReadWholeFile(logPath);
  const install_log::LogContent log = content ? install_log::ReadLog(*content) : install_log::LogContent{};
  if (log.status == install_log::LogContent::Status::kNoHeader) {
    tell(Fill(texts::kNoLog, {logPath}), texts::kNoLogCaption, MB_OK | MB_ICONERROR);
    return kNothingRemoved;
  }
  const std::optional<std::size_t> refused = log.status == install_log::LogContent::Status::kBadLine
                                                 ? std::optional<std::size_t>(log.badLine)
                                                 : install_log::FirstRefusedLine(log.lines, SystemPlaces());
  if (refused) {
    tell(Fill(texts::kRefusedLog, {std::to_string(*refused), logPath}), texts::kNoLogCaption, MB_OK | MB_ICONERROR);
    return kNothingRemoved;
  }

  std::string name = install_log::GroupName(log.lines);
  if (name.empty()) name = texts::kSomeProgram;
  const std::string caption = Fill(texts::kCaption, {name});
  if (tell(Fill(texts::kConfirm, {name}), caption, MB_YESNO | MB_ICONQUESTION) == IDNO) return kNothingRemoved;

  const std::vector<install_log::LogLine> plan = install_log::PlanRemoval(log.lines);
  RemovalSite site{SystemPlaces(),
                   InstallFolders(log.lines),
                   {ownPath, logPath},
                   UninstallEntryKey(install_log::GroupName(log.lines))};
  RemovalResult result;
  {
    install_log::LogWriter done(
        logPath, install_log::ProductOf(log),
        install_log::Record::Of(install_log::RecordKind::Removal, install_log::LocalTimeText()));
    if (silent) {
      SilentUi quiet;
      result = RunRemoval(plan, site, quiet, done);
    } else {
      ProgressWindow window(caption, static_cast<int>(plan.size()));
      window.Show();
      ui::ProcessMessages();
      InteractiveUi interactive(window, name, caption);
      result = RunRemoval(plan, site, interactive, done);
    }
  }
  // Stopped at a file in use: the log and this program stay for the next run.
  if (result.cancelled) return result.removedSomething ? kRemainders : kNothingRemoved;

  std::string message = Fill(texts::kRemoved, {name});
  if (!result.remainders.empty()) {
    message += std::string("\r\n\r\n") + texts::kRemainders;
    for (const std::string& item : result.remainders) message += "\r\n" + item;
  }
  tell(message, caption, MB_OK | (result.remainders.empty() ? MB_ICONINFORMATION : MB_ICONWARNING));
  DeleteFileW(text::ToWide(logPath).c_str());
  RemoveSelfAfterExit(ownPath);
  return result.remainders.empty() ? kAllRemoved : kRemainders;
}

}  // namespace yv::uninstall
