// Start-up: from the working directory, setup.ini, the registry and the command line
// to a filled installation state, then the main window and its message loop.
#pragma once

#include <string>
#include <string_view>

namespace yv::app {

enum class StartupOutcome {
  Quit,            // no setup.ini: end at once, silently
  BadDescription,  // no description file (or an unusable medium folder): tell the user and end
  Run,             // the state is filled: run the wizard
};

// The command-line text after the program's own name and the blanks and tabs that
// follow it; nothing else is removed.
std::wstring CommandLineTail(std::wstring_view commandLine);

// Fills gInstall from the working directory (GBK), setup.ini, the registry and the
// command-line text (GBK).
StartupOutcome PrepareInstallState(const std::string& workingDir, const std::string& commandLine);

// The whole program after the entry point: start-up, message, main window and loop.
// Returns the process exit code.
int RunSetup(const std::string& workingDir, const std::string& commandLine);

}  // namespace yv::app
