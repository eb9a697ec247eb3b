#include "install/installation_run.h"

#include <optional>

#include "archive/win/extract.h"
#include "install/extra_files.h"
#include "install/install_texts.h"
#include "install/old_folders.h"
#include "install/too_long_message.h"
#include "install/uninstall_entry.h"
#include "platform/file_io.h"
#include "profile/section_readers.h"
#include "shell/folder_paths.h"
#include "text/gbk.h"
#include "ui/message_box.h"
#include "winsys/deployment.h"
#include "wizard/install_state.h"
#include "wizard/texts.h"

namespace yv::install {

using wizard::gInstall;

namespace {

constexpr int kComponentSlots = 5;

// The run's own message about what ended it: shown once the run has been undone.
struct Failure {
  std::string text;
  std::string caption;
};

std::string PartCaption(int k) {
  const auto& captions = gInstall.PartCaptions;
  return captions && static_cast<std::size_t>(k) < captions->size() ? (*captions)[k] : std::string();
}

// "ad<k>.txt" of the medium; a missing or unreadable file shows an empty text.
std::string ComponentText(int k) {
  const auto path = text::JoinBounded(text::kPathLimit, {gInstall.SourceDir, "\\ad", std::to_string(k), ".txt"});
  return path ? platform::ReadWholeFile(*path).value_or("") : "";
}

class Run {
 public:
  Run(InstallationView& view, winsys::ChangeLayer& changes) : view_(view), changes_(changes) {}

  // Stages everything; false ends the run (InstallOk cleared).
  bool Stage() {
    if (!PrepareFolders()) return false;
    for (int k = 0; k < kComponentSlots && view_.InstallOk; ++k) {
      if (gInstall.PartSelected[k] && !InstallComponent(k)) return false;
    }
    if (!view_.InstallOk) return false;  // a confirmed Cancel
    if (gInstall.CopyCount >= 1 &&
        !CopyExtraFiles(changes_, view_, gInstall.SourceDir, gInstall.InstallDir, gInstall.DescFilePath)) {
      return false;
    }
    // Last of the staging: the entry's size counts every file staged before it.
    const InstalledProduct product{gInstall.ProgramGroup, gInstall.UninstallProgram, gInstall.InstallDir,
                                   gInstall.MainProgram, gInstall.DescFilePath};
    return gInstall.UninstallProgram.empty() ||
           WriteUninstallEntry(view_.Window(), changes_, product, view_.UninstallCommand);
  }

  std::optional<Failure> failure;
  // An earlier installation is in the folder (decided before anything else is done).
  bool earlier = false;

 private:
  bool Fail(std::string text, std::string caption, winsys::ExitCause cause = winsys::ExitCause::kFailed) {
    winsys::NoteFault(cause, text, "");
    failure = Failure{std::move(text), std::move(caption)};
    return false;
  }

  // The run up to the component loop.
  bool PrepareFolders() {
    const auto systemPath = text::JoinBounded(text::kPathLimit, {gInstall.InstallDir, texts::kSystemFolder});
    if (!systemPath) {
      ReportTooLong(view_.Window(), texts::kInstallFolderName, gInstall.InstallDir);
      return false;
    }
    // Decided before anything is removed: a "system" folder replaced below still counts.
    gInstall.FreshInstall = !platform::PathExists(*systemPath);
    earlier = !gInstall.FreshInstall;
    if (gInstall.DeleteCount >= 1) {
      if (const auto stays = RemoveOldFolders(changes_, gInstall.InstallDir, gInstall.DescFilePath)) {
        const auto message = text::FormatBounded(std::string::npos, texts::kCannotRemoveFolder, {*stays});
        return Fail(message.value_or(*stays), texts::kWarningCaption, winsys::ExitCause::kInUse);
      }
    }
    std::string tooLong;
    if (!shell::CreateInstallFolders(changes_, gInstall.InstallDir, gInstall.DescFilePath, &tooLong)) {
      if (!tooLong.empty()) {
        ReportTooLong(view_.Window(), texts::kPathName, tooLong);
        return false;
      }
      return Fail(texts::kCannotCreateFolders, texts::kCreateDirectoryCaption);
    }
    return true;
  }

  // Stages the archive lines of component k.
  bool InstallComponent(int k) {
    const std::string caption = PartCaption(k);
    view_.ShowComponentText(ComponentText(k));
    const profile::SectionPairs lines = profile::ReadSectionPairs(gInstall.DescFilePath, "part" + std::to_string(k));
    winsys::LogLine(texts::kLogComponent + caption);
    // A component the description names but does not list is a medium put together wrongly.
    if (lines.size() == 0) return Fail(texts::kComponentMissing, caption, winsys::ExitCause::kMedium);
    view_.SetComponentMaximum(static_cast<int>(lines.size()));
    view_.ShowComponentCaption(caption);
    for (std::size_t i = 0; i < lines.size() && view_.InstallOk; ++i) {
      const std::string& name = lines.keys[i];
      const std::string& token = lines.values[i];
      // Names beginning with "_" hold what an earlier installation keeps (its settings).
      if (!gInstall.FreshInstall && name.rfind('_', 0) == 0) continue;
      view_.StepComponent();
      view_.SetFileLabel(texts::kActionInstall + name + texts::kActionTo + token);
      view_.ProcessMessages();
      const auto archive = text::JoinBounded(text::kPathLimit, {gInstall.SourceDir, "\\", name});
      if (!archive) {
        ReportTooLong(view_.Window(), texts::kPathName, gInstall.SourceDir + "\\" + name);
        return false;
      }
      const archive::ItemResult result =
          archive::InstallPackageItem(view_, changes_, gInstall.InstallDir, *archive, token);
      winsys::LogLine(texts::kActionInstall + name + texts::kActionTo + token +
                      (result ? texts::kLogItemDone : texts::kLogItemFailed));
      // An archive's records reach the disk together.
      changes_.Flush();
      if (!result) {
        // A user who stopped at a full disk has been told why: the medium is not at fault.
        if (result.blamesMedium) {
          failure = Failure{texts::kArchiveFailed, caption};  // its fault is noted already
          return false;
        }
        return false;
      }
    }
    return true;
  }

  InstallationView& view_;
  winsys::ChangeLayer& changes_;
};

}  // namespace

bool RunInstallation(InstallationView& view, winsys::ChangeLayer& changes) {
  view.InstallOk = true;
  Run run(view, changes);
  winsys::LogLine(texts::kLogFolder + gInstall.InstallDir);
  winsys::LogLine(texts::kLogGroup + gInstall.ProgramGroup);
  if (const winsys::ChangeFault begun = changes.BeginRun(gInstall.ProgramGroup, gInstall.InstallDir)) {
    run.failure = Failure{wizard::texts::kLogNotWritten + begun.path, wizard::texts::kLogNotWrittenCaption};
    winsys::NoteFault(winsys::ExitCause::kFailed, wizard::texts::kLogNotWritten, begun.path, begun.error);
    view.InstallOk = false;
  } else if (!run.Stage()) {
    view.InstallOk = false;
  }
  if (view.InstallOk) {
    if (const winsys::ChangeFault fault = changes.Commit()) {
      run.failure = Failure{texts::kCannotReplace + fault.path, texts::kWarningCaption};
      winsys::NoteFault(winsys::CauseOf(fault.kind), texts::kCannotReplace, fault.path, fault.error);
      view.InstallOk = false;
    }
  } else {
    changes.Undo();
  }
  winsys::LogLine(view.InstallOk ? texts::kLogCommitted : texts::kLogUndone);
  if (view.InstallOk) return true;
  // A link or junction in the way ended the run, whatever step met it.
  if (const winsys::ChangeFault& link = changes.LinkInTheWay()) {
    run.failure = Failure{texts::kLinkInTheWay + link.path, texts::kWarningCaption};
  }
  // The machine is as it was before the run: an earlier installation is whole.
  if (run.failure) {
    ui::ShowMessageBox(view.Window(), run.failure->text + (run.earlier ? texts::kEarlierKeptLine : ""),
                       run.failure->caption, MB_OK);
  } else if (run.earlier) {
    ui::ShowMessageBox(view.Window(), texts::kEarlierKept, wizard::texts::kConfirmCancelCaption, MB_OK);
  }
  return false;
}

}  // namespace yv::install
