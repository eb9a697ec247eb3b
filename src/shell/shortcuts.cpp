#include "shell/shortcuts.h"

#include <windows.h>

#include <optional>

#include "profile/section_readers.h"
#include "shell/folder_paths.h"
#include "shell/shell_texts.h"
#include "text/gbk.h"
#include "ui/message_box.h"
#include "winsys/deployment.h"
#include "winsys/shell_link.h"
#include "winsys/system_folders.h"
#include "wizard/install_state.h"
#include "wizard/texts.h"

namespace yv::shell {

using text::kPathLimit;
using wizard::gInstall;

namespace {

// Both messages of this service have no owner, an OK button and no icon.
void Tell(const std::string& message) {
  ui::ShowMessageBox(nullptr, message, texts::kShortcutsCaption, MB_OK);
}

// A shortcut starts in the installation folder, or in the folder part of its target
// (everything before the last '\') when the target has a '\' after its first character.
std::optional<std::string> WorkingFolder(const std::string& installDir, const std::string& value) {
  const std::size_t last = text::FindLastChar(value, '\\');
  if (last == std::string::npos || last == 0) return text::JoinBounded(kPathLimit, {installDir});
  return text::JoinBounded(kPathLimit, {installDir, "\\", std::string_view(value).substr(0, last)});
}

// One shortcut: `name`.lnk in `folder`, pointing at `target` and starting in `workDir`.
// A shortcut whose paths would not fit is named in a message and left out.
void MakeShortcut(winsys::ChangeLayer& changes, const std::string& folder, const std::string& name,
                  const std::optional<std::string>& target, const std::optional<std::string>& workDir) {
  const auto link = text::FormatBounded(kPathLimit, "%s\\%s.lnk", {folder, name});
  if (!target || !link || !workDir) {
    Tell(texts::kShortcutTooLong + name);
    return;
  }
  winsys::CreateShellLink(changes, *target, *link, workDir);
}

// The shortcuts of one section ("ico" or "desktop"), each line name=target.
void MakeSectionShortcuts(winsys::ChangeLayer& changes, const std::string& installDir, const char* section,
                          const std::string& folder) {
  for (const std::string& line : profile::ReadSectionValues(gInstall.DescFilePath, section)) {
    const std::size_t eq = text::FindChar(line, '=');
    const std::string name = line.substr(0, eq);
    const std::string value = line.substr(eq + 1);
    MakeShortcut(changes, folder, name, text::FormatBounded(kPathLimit, "%s\\%s", {installDir, value}),
                 WorkingFolder(installDir, value));
  }
}

}  // namespace

bool CreateProgramShortcuts(winsys::ChangeLayer& changes, const std::string& installDir) {
  // A deployment for every user puts them where every user sees them.
  const auto folders = winsys::ReadShortcutFolders(winsys::gDeployment.switches.allUsers);
  if (!folders) {
    Tell(texts::kNoShellFolders);
    return false;
  }
  const std::string& programs = folders->programs;
  // Without a "Desktop" the desktop shortcuts go to the Programs folder.
  const std::string desktop = folders->desktop.empty() ? programs : folders->desktop;

  // An empty group name puts the group's shortcuts in the Programs folder itself.
  const std::string group = gInstall.ProgramGroup.empty() ? programs : programs + "\\" + gInstall.ProgramGroup;
  if (group.size() > kPathLimit) {
    Tell(texts::kGroupTooLong + group);
    return false;
  }
  if (!CreateFolderPath(changes, group)) {
    Tell(*text::FormatBounded(std::string::npos, texts::kCannotCreateGroup, {group}));
    return false;
  }

  MakeSectionShortcuts(changes, installDir, "ico", group);
  MakeSectionShortcuts(changes, installDir, "desktop", desktop);

  if (gInstall.UninstallProgram.empty()) return true;
  const auto windows = winsys::WindowsFolder();
  if (!windows) return false;
  MakeShortcut(changes, group, texts::kUninstallPrefix + gInstall.ProductName,
               text::FormatBounded(kPathLimit, "%s\\%s", {*windows, gInstall.UninstallProgram}), windows);
  return true;
}

}  // namespace yv::shell
