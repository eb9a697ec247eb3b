// The media tool's commands, one file each. Each writes its report to `out`, its
// errors (and its progress line) to `err`, and returns the process exit code.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "vrktool/options.h"

namespace yv::vrktool {

constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;  // a bad or failing container, or a file that cannot be used
constexpr int kExitUsage = 2;   // the command line is wrong

struct ToolContext {
  std::ostream& out;
  std::ostream& err;
  bool terminal = false;  // standard error is a terminal: the progress line may be shown
};

// The commands with their parsed arguments (help already handled).
int RunPack(const ParsedCommand& parsed, const ToolContext& tool);
int RunPackFile(const ParsedCommand& parsed, const ToolContext& tool);
int RunList(const ParsedCommand& parsed, const ToolContext& tool);
int RunExtract(const ParsedCommand& parsed, const ToolContext& tool);
int RunVerify(const ParsedCommand& parsed, const ToolContext& tool);
int RunCheckMedium(const ParsedCommand& parsed, const ToolContext& tool);
int RunInit(const ParsedCommand& parsed, const ToolContext& tool);

// verify's work, which check-medium also runs on each container.
int Verify(const std::vector<std::string>& containers, const ToolContext& tool, bool progressShown);

// Entry point of the command line (arguments without the program name). `terminal`
// says whether standard error is a terminal, when `err` is standard error.
int Run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err, bool terminal = false);

}  // namespace yv::vrktool
