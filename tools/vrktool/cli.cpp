// The command line of the media tool: finds the command, parses its options with the
// one parser, and answers --help for the tool and for each command.
#include <new>

#include "vrktool/commands.h"

namespace yv::vrktool {

namespace {

using CommandRunner = int (*)(const ParsedCommand&, const ToolContext&);

struct CommandEntry {
  std::string_view name;
  CommandRunner run;
};

constexpr CommandEntry kRunners[] = {
    {"pack", RunPack},     {"pack-file", RunPackFile},       {"list", RunList}, {"extract", RunExtract},
    {"verify", RunVerify}, {"check-medium", RunCheckMedium}, {"init", RunInit},
};

int RunCommand(const std::vector<std::string>& args, const ToolContext& tool) {
  if (args.empty()) return Usage(tool.err, "no command given");
  const std::string& command = args[0];
  if (command == "--help" || command == "-h" || command == "help") {
    PrintToolHelp(tool.out);
    return kExitOk;
  }
  const CommandSyntax* syntax = FindCommandSyntax(command);
  if (!syntax) return Usage(tool.err, "unknown command '" + command + "'");
  auto parsed = ParseCommand(*syntax, args, tool.err);
  if (!parsed) return kExitUsage;
  for (const CommandEntry& entry : kRunners) {
    if (entry.name != syntax->name) continue;
    // check-medium adds the list of its findings to its help.
    if (parsed->help && entry.name != "check-medium") {
      PrintCommandHelp(*syntax, tool.out);
      return kExitOk;
    }
    return entry.run(*parsed, tool);
  }
  return Usage(tool.err, "unknown command '" + command + "'");
}

}  // namespace

int Run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err, bool terminal) {
  // The readers name the entry themselves; this catches what is left (a file to pack
  // that does not fit in memory, say).
  try {
    return RunCommand(args, ToolContext{out, err, terminal});
  } catch (const std::bad_alloc&) {
    err << "vrktool: not enough memory\n";
    return kExitFailed;
  }
}

}  // namespace yv::vrktool
