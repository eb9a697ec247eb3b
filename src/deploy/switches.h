// The command line of a deployment: switches that answer the pages in advance, run the
// installation without any window, and keep a log for support. A command line whose
// first non-blank character is '/' is a list of switches; any other keeps its meaning of
// old (the folder of an unattended upgrade). Texts are GBK.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace yv::deploy {

// "/CARD=none": no receiver card is configured.
inline constexpr int kNoCard = -1;

struct Switches {
  bool silent = false;                         // /S
  std::optional<std::string> dir;              // /DIR=folder, without a trailing '\'
  std::optional<std::string> group;            // /GROUP=name
  std::optional<std::vector<int>> components;  // /COMPONENTS=i,j,...
  std::optional<std::string> user;             // /USER=name
  std::optional<std::string> company;          // /COMPANY=name
  std::optional<int> card;                     // /CARD=index, or kNoCard
  bool allUsers = false;                       // /ALLUSERS
  bool noRun = false;                          // /NORUN
  std::optional<std::string> log;              // /LOG=file
};

// The switch that was refused, as it was written, and whether the line also asked for a
// silent run (then nobody is told but the exit code).
struct Refusal {
  std::string switchText;
  bool silent = false;
};

// True when the command-line text is a list of switches.
bool IsSwitchLine(std::string_view commandLine);

// The switches of the line: blanks separate them, a quoted stretch keeps its blanks (the
// quotes themselves go), names are compared without case. An unknown switch, one given
// twice, a flag with a value, a value switch without one, and a value its page would
// refuse are refused.
std::variant<Switches, Refusal> ParseSwitches(std::string_view commandLine);

}  // namespace yv::deploy
