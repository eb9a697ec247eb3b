#include "completion/post_install.h"

#include "completion/completion_texts.h"
#include "medium/medium_rules.h"
#include "platform/file_io.h"
#include "profile/section_readers.h"
#include "shell/shortcuts.h"
#include "text/gbk.h"
#include "ui/message_box.h"
#include "winsys/deployment.h"
#include "winsys/recording.h"
#include "winsys/registry.h"
#include "winsys/system_folders.h"
#include "wizard/install_state.h"
#include "wizard/texts.h"

namespace yv::completion {

using text::kPathLimit;
using wizard::gInstall;

namespace {

// The plain message dialog: the application's title as caption and an OK button.
void Tell(HWND owner, const std::string& message) {
  ui::ShowMessageBox(owner, message, wizard::texts::kSetupCaption, MB_OK);
}

std::string CannotRun(const std::string& value) {
  return texts::kCannotRun + value + texts::kCannotRunEnd;
}

void RegisterAppPath(HWND owner, winsys::ChangeLayer& changes) {
  const auto key = text::FormatBounded(kPathLimit, wizard::texts::kAppPathsKey, {gInstall.MainProgram});
  if (!key) {
    Tell(owner, texts::kTooLong +
                    *text::FormatBounded(std::string::npos, wizard::texts::kAppPathsKey, {gInstall.MainProgram}));
    return;
  }
  const winsys::RegistryKey appPath = winsys::RegistryKey::Create(changes, HKEY_LOCAL_MACHINE, *key);
  if (!appPath.IsOpen()) {
    ui::ShowMessageBox(owner, texts::kRegistrationFailed, "", MB_OK | MB_TOPMOST);
    return;
  }
  appPath.WriteString("Path", gInstall.InstallDir);
  appPath.WriteString("PrgGrp", gInstall.ProgramGroup);
}

// An entry of "reg" or "run": its value, and its path or command text, which begins in
// the source folder for keys starting "WPATH" and in the installation folder for keys
// starting "IPATH" (upper case, exactly); other keys are left out.
struct ListedEntry {
  std::string value;
  std::string path;
};

std::vector<ListedEntry> ReadListedEntries(HWND owner, const char* section) {
  std::vector<ListedEntry> entries;
  for (const std::string& line : profile::ReadSectionValues(gInstall.DescFilePath, section)) {
    const std::size_t eq = text::FindChar(line, '=');
    const std::string_view key = std::string_view(line).substr(0, eq);
    const std::string value = line.substr(eq + 1);
    const std::optional<medium::ListedBase> listed = medium::ListedBaseOf(key);
    if (!listed) continue;
    const std::string* base = *listed == medium::ListedBase::kMedium ? &gInstall.SourceDir : &gInstall.InstallDir;
    const auto path = text::JoinBounded(kPathLimit, {*base, "\\", value});
    if (!path) {
      Tell(owner, texts::kTooLong + *base + "\\" + value);
      continue;
    }
    entries.push_back({value, *path});
  }
  return entries;
}

// Starts and awaits one program; false when its exit code could not be read, which
// ends the actions. A program that cannot be started is reported and passed over.
bool RunAwaited(HWND owner, const ProgramStarter& starter, const std::string& commandLine, const std::string& folder,
                const std::string& application, const std::string& failure) {
  const auto outcome = starter.runAndAwait(commandLine, folder, application);
  if (!outcome) {
    Tell(owner, failure);
    return true;
  }
  if (outcome->end != winsys::ProcessEnd::kExitCodeUnreadable) return true;
  Tell(owner, failure);
  return false;
}

// The registry editor of our own bitness: the system folder's (on a 64-bit Windows the
// 32-bit one in SysWOW64, so that an import lands in the 32-bit registry view, where the
// 32-bit product reads), else the Windows folder's (a 32-bit Windows keeps it only there;
// on a 64-bit one that is the 64-bit editor, which writes the 64-bit view).
std::string RegistryEditor(const std::string& windowsFolder) {
  if (const auto system = winsys::SystemFolder()) {
    const std::string editor = *system + "\\regedit.exe";
    if (platform::PathExists(editor)) return editor;
  }
  return windowsFolder + "\\regedit.exe";
}

// Each existing registry file is imported by the registry editor, started in the
// Windows folder. The path is quoted, so a path with blanks names its file.
bool ImportRegistryFiles(HWND owner, winsys::ChangeLayer& changes, const ProgramStarter& starter) {
  const auto windows = winsys::WindowsFolder();
  for (const ListedEntry& entry : ReadListedEntries(owner, "reg")) {
    if (!platform::PathExists(entry.path)) continue;
    // The editor asks before it imports; in a silent run nobody would answer.
    const auto command =
        text::JoinBounded(kPathLimit, {winsys::IsSilent() ? "regedit.exe /s \"" : "regedit.exe \"", entry.path, "\""});
    if (!command) {
      Tell(owner, texts::kTooLong + entry.path);
      continue;
    }
    if (!windows) {
      Tell(owner, CannotRun(entry.value));
      continue;
    }
    winsys::RecordRegistryImport(changes, entry.path);
    if (!RunAwaited(owner, starter, *command, *windows, RegistryEditor(*windows), CannotRun(entry.value))) {
      return false;
    }
  }
  return true;
}

// The program path ends at the command text's first blank; the rest are its arguments.
// A program that does not exist there is passed over. The program is named as the
// application, so no other file can be started in its place.
bool RunListedPrograms(HWND owner, const ProgramStarter& starter) {
  for (const ListedEntry& entry : ReadListedEntries(owner, "run")) {
    const std::string program = entry.path.substr(0, text::FindChar(entry.path, ' '));
    if (!platform::PathExists(program)) continue;
    const std::string folder = program.substr(0, text::FindLastChar(program, '\\'));
    if (!RunAwaited(owner, starter, entry.path, folder, program, CannotRun(entry.value))) return false;
  }
  return true;
}

// The medium's own installers: hinstall.exe, awaited, and then, when it started and the
// medium has one, the BDE installer, not awaited. Their paths are quoted, so a source
// folder with blanks starts the medium's program and no other.
bool RunFollowUpInstallers(HWND owner, const ProgramStarter& starter) {
  const std::string& source = gInstall.SourceDir;
  const auto hinstall = text::FormatBounded(kPathLimit, "\"%s\\hinstall.exe\" -i -autodetect=y", {source});
  if (!hinstall) {
    Tell(owner, texts::kTooLong + source + "\\hinstall.exe");
    return true;
  }
  const auto outcome = starter.runAndAwait(*hinstall, source, {});
  if (!outcome) {
    Tell(owner, texts::kCannotRunHinstall);
    return true;
  }
  if (outcome->end == winsys::ProcessEnd::kExitCodeUnreadable) {
    Tell(owner, texts::kCannotRunHinstall);
    return false;
  }
  const std::string bde = source + "\\insBDE\\setup.exe";
  if (!platform::PathExists(bde)) return true;
  const auto command = text::JoinBounded(kPathLimit, {"\"", bde, "\""});
  if (!command) {
    Tell(owner, texts::kTooLong + bde);
    return true;
  }
  if (!starter.start(*command, source + "\\insBDE")) Tell(owner, texts::kCannotRunBde);
  return true;
}

}  // namespace

bool RunPostInstallActions(HWND owner, winsys::ChangeLayer& changes, const ProgramStarter& starter) {
  RegisterAppPath(owner, changes);
  if (!shell::CreateProgramShortcuts(changes, gInstall.InstallDir)) {
    ui::ShowMessageBox(owner, texts::kShortcutsFailed, "", MB_OK);
  }
  if (!ImportRegistryFiles(owner, changes, starter)) return false;
  // Programs that may ask questions are left to the deployment that said so.
  if (winsys::gDeployment.switches.noRun) return true;
  return RunListedPrograms(owner, starter) && RunFollowUpInstallers(owner, starter);
}

}  // namespace yv::completion
