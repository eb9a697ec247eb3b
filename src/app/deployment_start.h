// The start of a deployment: a command line of switches taken in before anything else,
// the support log opened, and, for a silent run, every message box answered unseen.
#pragma once

#include <optional>
#include <string>

namespace yv::app {

// Takes in the switches of `commandLine` (GBK). The exit code when they are refused:
// then a box names the refused switch, unless the line asked for silence.
std::optional<int> BeginDeployment(const std::string& commandLine);

// The switch that the description makes impossible (a component or card it does not
// have), as written; std::nullopt when all can be followed.
std::optional<std::string> RefusedByDescription();

// A refused switch: its box unless silent, its log line, and the exit code.
int RefuseSwitch(const std::string& switchText, bool silent);

}  // namespace yv::app
