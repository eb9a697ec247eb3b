#include "install/installation_run.h"

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
#include "winsys/recording.h"
#include "wizard/install_state.h"

namespace yv::install {

using wizard::gInstall;

namespace {

constexpr int kComponentSlots = 5;

std::string PartCaption(int k) {
  const auto& captions = gInstall.PartCaptions;
  return captions && static_cast<std::size_t>(k) < captions->size() ? (*captions)[k] : std::string();
}

// "ad<k>.txt" of the medium; a missing or unreadable file shows an empty text.
std::string ComponentText(int k) {
  const auto path = text::JoinBounded(text::kPathLimit, {gInstall.SourceDir, "\\ad", std::to_string(k), ".txt"});
  return path ? platform::ReadWholeFile(*path).value_or("") : "";
}

void Fail(InstallationView& view, const char* message, const std::string& caption) {
  ui::ShowMessageBox(view.Window(), message, caption, MB_OK);
  view.InstallOk = false;
}

// Installs the archive lines of component k; false ends the component loop (the
// message has been shown and InstallOk cleared).
bool InstallComponent(InstallationView& view, int k) {
  const std::string caption = PartCaption(k);
  view.ShowComponentText(ComponentText(k));
  const profile::SectionPairs lines = profile::ReadSectionPairs(gInstall.DescFilePath, "part" + std::to_string(k));
  if (lines.size() == 0) {
    Fail(view, texts::kComponentMissing, caption);
    return false;
  }
  view.SetComponentMaximum(static_cast<int>(lines.size()));
  view.ShowComponentCaption(caption);
  for (std::size_t i = 0; i < lines.size() && view.InstallOk; ++i) {
    const std::string& name = lines.keys[i];
    const std::string& token = lines.values[i];
    // Names beginning with "_" hold what an earlier installation keeps (its settings).
    if (!gInstall.FreshInstall && name.rfind('_', 0) == 0) continue;
    view.StepComponent();
    view.SetFileLabel(texts::kActionInstall + name + texts::kActionTo + token);
    view.ProcessMessages();
    const auto archive = text::JoinBounded(text::kPathLimit, {gInstall.SourceDir, "\\", name});
    if (!archive) {
      ReportTooLong(view.Window(), texts::kPathName, gInstall.SourceDir + "\\" + name);
      view.InstallOk = false;
      return false;
    }
    const archive::ItemResult result = archive::InstallPackageItem(view, gInstall.InstallDir, *archive, token);
    if (!result) {
      // A user who stopped at a full disk has been told why: the medium is not at fault.
      if (result.blamesMedium) ui::ShowMessageBox(view.Window(), texts::kArchiveFailed, caption, MB_OK);
      view.InstallOk = false;
      return false;
    }
  }
  return true;
}

// The run up to the component loop: false ends it at once.
bool PrepareFolders(InstallationView& view) {
  const auto systemPath = text::JoinBounded(text::kPathLimit, {gInstall.InstallDir, texts::kSystemFolder});
  if (!systemPath) {
    ReportTooLong(view.Window(), texts::kInstallFolderName, gInstall.InstallDir);
    return false;
  }
  // Decided before anything is removed: a "system" folder deleted below still counts.
  gInstall.FreshInstall = !platform::PathExists(*systemPath);
  if (gInstall.DeleteCount >= 1 && !RemoveOldFolders(view.Window(), gInstall.InstallDir, gInstall.DescFilePath)) {
    return false;
  }
  std::string tooLong;
  if (!shell::CreateInstallFolders(gInstall.InstallDir, gInstall.DescFilePath, &tooLong)) {
    if (!tooLong.empty()) {
      ReportTooLong(view.Window(), texts::kPathName, tooLong);
    } else {
      ui::ShowMessageBox(view.Window(), texts::kCannotCreateFolders, texts::kCreateDirectoryCaption, MB_OK);
    }
    return false;
  }
  return true;
}

}  // namespace

bool RunInstallation(InstallationView& view) {
  view.InstallOk = true;
  winsys::RecordInstallation(gInstall.ProgramGroup, gInstall.InstallDir);
  if (!PrepareFolders(view)) {
    view.InstallOk = false;
    return false;
  }
  for (int k = 0; k < kComponentSlots && view.InstallOk; ++k) {
    if (gInstall.PartSelected[k] && !InstallComponent(view, k)) break;
  }
  // The extra files and the uninstall entry follow a failed or cancelled loop too.
  if (gInstall.CopyCount >= 1 &&
      !CopyExtraFiles(view, gInstall.SourceDir, gInstall.InstallDir, gInstall.DescFilePath)) {
    view.InstallOk = false;
  }
  if (!gInstall.UninstallProgram.empty() &&
      !WriteUninstallEntry(view.Window(), gInstall.ProgramGroup, gInstall.UninstallProgram, view.UninstallCommand)) {
    view.InstallOk = false;
  }
  return view.InstallOk;
}

}  // namespace yv::install
