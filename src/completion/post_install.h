// The actions that finish an installation, in their fixed order: the main program's App
// Paths entry, the shortcuts, the registry files of section "reg", the programs of
// section "run", and the follow-up installers of the medium.
#pragma once

#include <windows.h>

#include <functional>
#include <optional>
#include <string>

#include "winsys/change_layer.h"
#include "winsys/process.h"

namespace yv::completion {

// How the actions start programs. The defaults start real processes; tests may stand in
// for them to produce outcomes a real program cannot.
struct ProgramStarter {
  std::function<std::optional<winsys::ProcessOutcome>(const std::string& commandLine, const std::string& folder,
                                                      const std::string& application)>
      runAndAwait = winsys::RunAndAwait;
  std::function<bool(const std::string& commandLine, const std::string& folder)> start =
      [](const std::string& commandLine, const std::string& folder) {
        return winsys::StartProcess(commandLine, folder);
      };
};

// Runs every action, with `owner` (the completion page) owning the message boxes. Most
// failures are reported and passed over; false when an awaited program's exit code
// could not be read, which ends the actions there (the program is terminated).
// Every change goes through `changes`.
bool RunPostInstallActions(HWND owner, winsys::ChangeLayer& changes, const ProgramStarter& starter = {});

}  // namespace yv::completion
