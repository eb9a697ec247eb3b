// The one option parser of the media tool: each command declares its options in a
// table, from which both the parsing and the command's --help are made.
#pragma once

#include <map>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "archive/package_writer.h"

namespace yv::vrktool {

struct OptionSyntax {
  std::string_view name;   // "-o", "--mode"
  std::string_view value;  // what follows it, as help shows it ("OUT"); empty for a flag
  std::string_view help;
};

struct CommandSyntax {
  std::string_view name;
  std::string_view synopsis;     // after "vrktool "
  std::string_view description;  // lines of at most 80 columns, each ending in '\n'
  std::vector<OptionSyntax> options;
};

// Every command, in the order --help lists them.
const std::vector<CommandSyntax>& CommandSyntaxes();
const CommandSyntax* FindCommandSyntax(std::string_view name);

struct ParsedCommand {
  std::map<std::string, std::string, std::less<>> options;  // name -> value ("" for a flag)
  std::vector<std::string> operands;
  bool help = false;  // --help or -h was given

  bool Has(std::string_view name) const { return options.find(name) != options.end(); }
  // The option's value; `fallback` when it was not given.
  std::string Value(std::string_view name, std::string fallback = {}) const;
};

// Parses the arguments after the command word: options anywhere, "--" ends them (what
// follows is an operand even when it starts with '-'), and the last value of an option
// given twice counts. On a wrong command line writes the message and returns nullopt.
std::optional<ParsedCommand> ParseCommand(const CommandSyntax& syntax, const std::vector<std::string>& args,
                                          std::ostream& err);

void PrintCommandHelp(const CommandSyntax& syntax, std::ostream& out);
void PrintToolHelp(std::ostream& out);

// Writes "vrktool: MESSAGE" with a pointer to the help and returns the usage exit code.
int Usage(std::ostream& err, const std::string& message, std::string_view command = {});

// The shared options: --mode and --dict; -j (the default: one per core). False after a
// usage message.
bool ImplodeSettingsFrom(const ParsedCommand& parsed, archive::ImplodeSettings& settings, std::ostream& err);
bool JobsFrom(const ParsedCommand& parsed, unsigned& jobs, std::ostream& err);

}  // namespace yv::vrktool
