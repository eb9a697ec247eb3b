#include "vrktool/options.h"

#include <algorithm>
#include <thread>

#include "vrktool/commands.h"

namespace yv::vrktool {

namespace {

constexpr OptionSyntax kModeOption{"--mode", "binary|ascii", "how literal bytes are sent (default binary)"};
constexpr OptionSyntax kDictOption{"--dict", "1024|2048|4096", "the dictionary size (default 4096)"};
constexpr OptionSyntax kJobsOption{"-j", "N",
                                   "encode on N threads (default: one per core); the output is the same for any N"};
constexpr OptionSyntax kQuietOption{"--quiet", "", "no progress line (it is shown only on a terminal anyway)"};

const std::vector<CommandSyntax> kCommands = {
    {"pack",
     "pack [OPTIONS] -o OUT.vrk PATH...",
     "Builds a package archive from files and folders. A folder's files are named\n"
     "relative to it ('\\' between subfolders); a file given directly gets its own name.\n"
     "Version 3 (the default) keeps modification times and names up to 511 bytes;\n"
     "versions 0-2 hold names of at most 14 bytes. Entries are compressed unless\n"
     "--store is given or the compressed form would not be smaller. Symbolic links\n"
     "to files are followed; links to folders and special files are skipped. The\n"
     "archive is written under a temporary name and renamed at the end.\n",
     {{"-o", "OUT.vrk", "the archive to write (its path must contain \".vrk\")"},
      {"--format-version", "0|1|2|3", "the archive's format version (default 3)"},
      kModeOption,
      kDictOption,
      {"--store", "", "keep every entry as it is, uncompressed"},
      kJobsOption,
      kQuietOption}},
    {"pack-file",
     "pack-file [OPTIONS] -o OUT SOURCE",
     "Builds a packed file (one compressed file). OUT must not contain \".vrk\".\n",
     {{"-o", "OUT", "the packed file to write"}, kModeOption, kDictOption, kJobsOption, kQuietOption}},
    {"list",
     "list CONTAINER",
     "Lists the entries without reading their data; names are shown with control\n"
     "characters and bytes that are not GBK as \\xNN, and refused names are marked.\n",
     {}},
    {"extract",
     "extract CONTAINER (-C DIR | -o FILE)",
     "Extracts a package archive into DIR, or a packed file to FILE. Writes nothing\n"
     "from an archive with a refused or duplicate name. Never follows a link inside\n"
     "DIR: a link in place of a folder refuses the entry, and each file is written\n"
     "under a new temporary name and then renamed over any old one.\n",
     {{"-C", "DIR", "the folder a package archive goes into"},
      {"-o", "FILE", "the file a packed file goes to"},
      kQuietOption}},
    {"verify",
     "verify [--quiet] CONTAINER...",
     "Decodes everything and checks every checksum, stored entries' too (the wizard\n"
     "installs those unchecked), the entry name rule and duplicate names (compared as\n"
     "Windows compares them); mentions bytes after the last entry.\n",
     {kQuietOption}},
    {"check-medium",
     "check-medium DIR [--json]",
     "Reads the installation medium in DIR as setup.exe reads it (the same INI rules, the same\n"
     "containers; both install.ini and install6.ini when both exist; paths composed with the\n"
     "description's default installation folder and C:\\windows) and reports each finding with\n"
     "its file, section and key. Exit codes: 0 no errors, 1 errors, 2 a wrong command line.\n",
     {{"--json", "",
       "the findings as a JSON array of objects with the fields severity, code, file, section, key and "
       "message"}}},
    {"init",
     "init DIR",
     "Writes a small starting medium into DIR (created when missing, and it must hold\n"
     "nothing yet): setup.ini, a commented install.ini, the licence and component texts,\n"
     "and one folder of files packed into an archive. It passes check-medium without\n"
     "errors or warnings; docs/medium.md explains every file and key.\n",
     {}},
};

constexpr const char* kToolNotes =
    "A container whose path contains \".vrk\" (exactly so, letter case included) is a package\n"
    "archive; any other path is a packed file. Names inside containers are GBK. Defaults:\n"
    "format version 3, binary literals, 4096-byte dictionary.\n"
    "\n"
    "Exit codes: 0 ok, 1 a bad or failing container (or a file that cannot be used),\n"
    "2 a wrong command line. 'vrktool COMMAND --help' describes one command.\n";

const OptionSyntax* FindOption(const CommandSyntax& syntax, std::string_view name) {
  for (const OptionSyntax& option : syntax.options) {
    if (option.name == name) return &option;
  }
  return nullptr;
}

}  // namespace

const std::vector<CommandSyntax>& CommandSyntaxes() {
  return kCommands;
}

const CommandSyntax* FindCommandSyntax(std::string_view name) {
  for (const CommandSyntax& syntax : kCommands) {
    if (syntax.name == name) return &syntax;
  }
  return nullptr;
}

std::string ParsedCommand::Value(std::string_view name, std::string fallback) const {
  auto it = options.find(name);
  return it == options.end() ? fallback : it->second;
}

std::optional<ParsedCommand> ParseCommand(const CommandSyntax& syntax, const std::vector<std::string>& args,
                                          std::ostream& err) {
  ParsedCommand parsed;
  bool optionsEnded = false;
  for (std::size_t i = 1; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (optionsEnded || arg.empty() || arg[0] != '-') {
      parsed.operands.push_back(arg);
    } else if (arg == "--") {
      optionsEnded = true;
    } else if (arg == "--help" || arg == "-h") {
      parsed.help = true;
    } else if (const OptionSyntax* option = FindOption(syntax, arg)) {
      if (option->value.empty()) {
        parsed.options[arg] = "";
      } else if (i + 1 < args.size()) {
        parsed.options[arg] = args[++i];
      } else {
        Usage(err, arg + " needs a value (" + std::string(option->value) + ")", syntax.name);
        return std::nullopt;
      }
    } else {
      Usage(err, "unknown option '" + arg + "' for " + std::string(syntax.name), syntax.name);
      return std::nullopt;
    }
  }
  return parsed;
}

void PrintCommandHelp(const CommandSyntax& syntax, std::ostream& out) {
  out << "Usage: vrktool " << syntax.synopsis << "\n\n" << syntax.description;
  if (syntax.options.empty()) return;
  out << "\nOptions:\n";
  for (const OptionSyntax& option : syntax.options) {
    std::string head = "  " + std::string(option.name);
    if (!option.value.empty()) head += " " + std::string(option.value);
    out << head;
    if (head.size() < 24) {
      out << std::string(24 - head.size(), ' ');
    } else {
      out << "\n" << std::string(24, ' ');
    }
    // The help wrapped at 80 columns, each further line under the first.
    std::size_t column = 24;
    std::string_view words = option.help;
    while (!words.empty()) {
      const std::size_t end = std::min(words.find(' '), words.size());
      const std::string_view word = words.substr(0, end);
      if (column > 24 && column + 1 + word.size() > 80) {
        out << "\n" << std::string(24, ' ');
        column = 24;
      } else if (column > 24) {
        out << ' ';
        ++column;
      }
      out << word;
      column += word.size();
      words.remove_prefix(std::min(end + 1, words.size()));
    }
    out << "\n";
  }
}

void PrintToolHelp(std::ostream& out) {
  out << "vrktool - makes and checks the containers of Yorvane installation media\n\nUsage:\n";
  for (const CommandSyntax& syntax : kCommands) out << "  vrktool " << syntax.synopsis << "\n";
  out << "  vrktool --help\n\n";
  for (const CommandSyntax& syntax : kCommands) {
    out << syntax.name << ":\n";
    for (std::size_t at = 0; at < syntax.description.size();) {
      const std::size_t end = syntax.description.find('\n', at);
      out << "  " << syntax.description.substr(at, end - at) << "\n";
      at = end == std::string_view::npos ? syntax.description.size() : end + 1;
    }
  }
  out << "\n" << kToolNotes;
}

int Usage(std::ostream& err, const std::string& message, std::string_view command) {
  err << "vrktool: " << message << "\n(see vrktool " << command << (command.empty() ? "" : " ") << "--help)\n";
  return kExitUsage;
}

bool ImplodeSettingsFrom(const ParsedCommand& parsed, archive::ImplodeSettings& settings, std::ostream& err) {
  const std::string mode = parsed.Value("--mode", "binary");
  if (mode == "binary") {
    settings.mode = archive::ImplodeLiteralMode::kBinary;
  } else if (mode == "ascii") {
    settings.mode = archive::ImplodeLiteralMode::kAscii;
  } else {
    err << "vrktool: --mode takes binary or ascii, not '" << mode << "'\n";
    return false;
  }
  const std::string dict = parsed.Value("--dict", "4096");
  if (dict != "1024" && dict != "2048" && dict != "4096") {
    err << "vrktool: --dict takes 1024, 2048 or 4096, not '" << dict << "'\n";
    return false;
  }
  settings.dictionarySize = static_cast<unsigned>(std::stoul(dict));
  return true;
}

bool JobsFrom(const ParsedCommand& parsed, unsigned& jobs, std::ostream& err) {
  jobs = std::max(1u, std::thread::hardware_concurrency());
  if (!parsed.Has("-j")) return true;
  const std::string value = parsed.Value("-j");
  // At most 256: more threads than that only cost memory.
  if (value.empty() || value.size() > 3 || value.find_first_not_of("0123456789") != std::string::npos ||
      std::stoul(value) < 1 || std::stoul(value) > 256) {
    err << "vrktool: -j takes a number of threads from 1 to 256, not '" << value << "'\n";
    return false;
  }
  jobs = static_cast<unsigned>(std::stoul(value));
  return true;
}

}  // namespace yv::vrktool
