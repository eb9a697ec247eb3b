// Command-line parsing of the media tool.
#include <new>
#include <optional>

#include "archive/package_format.h"
#include "vrktool/commands.h"

namespace yv::vrktool {

namespace {

constexpr const char* kHelp =
    R"(vrktool - makes and checks the containers of Yorvane installation media

Usage:
  vrktool pack [--format-version 0|1|2|3] [--mode binary|ascii] [--dict 1024|2048|4096]
               [--store] -o OUT.vrk PATH...
      Builds a package archive from files and folders. A folder's files are named
      relative to it ('\' between subfolders); a file given directly gets its own name.
      Version 3 (the default) keeps modification times and names up to 511 bytes;
      versions 0-2 hold names of at most 14 bytes. Entries are compressed unless
      --store is given or the compressed form would not be smaller. Symbolic links
      to files are followed; links to folders and special files are skipped.
  vrktool pack-file [--mode binary|ascii] [--dict 1024|2048|4096] -o OUT SOURCE
      Builds a packed file (one compressed file).
  vrktool list CONTAINER
      Lists the entries without reading their data; names are shown with control
      characters and bytes that are not GBK as \xNN, and refused names are marked.
  vrktool extract CONTAINER -C DIR      (a package archive)
  vrktool extract CONTAINER -o FILE     (a packed file)
      Writes nothing from an archive with a refused or duplicate name. Never follows
      a link inside DIR: a link in place of a folder refuses the entry, and each file
      is written under a new temporary name and then renamed over any old one.
  vrktool verify CONTAINER...
      Decodes everything and checks every checksum, stored entries' too (the wizard
      installs those unchecked), the entry name rule and duplicate names (compared as
      Windows compares them); mentions bytes after the last entry.
  vrktool check-medium DIR [--json]
      Reads an installation medium as setup.exe would and reports every error and
      warning it finds (vrktool check-medium --help lists them).
  vrktool --help

A container whose path contains ".vrk" (exactly so, letter case included) is a package
archive; any other path is a packed file. Names inside containers are GBK. Defaults:
format version 3, binary literals, 4096-byte dictionary.

Exit codes: 0 ok, 1 a bad or failing container (or a file that cannot be used),
2 a wrong command line.
)";

// Walks the arguments of one command.
class Arguments {
 public:
  Arguments(const std::vector<std::string>& args, std::ostream& err) : args_(args), err_(err) {}

  bool AtEnd() const { return next_ >= args_.size(); }
  const std::string& Peek() const { return args_[next_]; }
  std::string Take() { return args_[next_++]; }

  // The value after option `name`; std::nullopt (with a message) when there is none.
  std::optional<std::string> Value(const std::string& name) {
    if (AtEnd()) {
      err_ << "vrktool: " << name << " needs a value\n";
      return std::nullopt;
    }
    return Take();
  }

 private:
  const std::vector<std::string>& args_;
  std::ostream& err_;
  std::size_t next_ = 1;  // after the command word
};

int Usage(std::ostream& err, const std::string& message) {
  err << "vrktool: " << message << "\n(see vrktool --help)\n";
  return kExitUsage;
}

// Parses --mode and --dict; true when `option` was one of them (even a bad one, which
// sets `bad`).
bool ParseImplodeOption(const std::string& option, Arguments& args, archive::ImplodeSettings& settings,
                        bool& bad, std::ostream& err) {
  if (option == "--mode") {
    auto value = args.Value(option);
    if (value && *value == "binary") {
      settings.mode = archive::ImplodeLiteralMode::kBinary;
    } else if (value && *value == "ascii") {
      settings.mode = archive::ImplodeLiteralMode::kAscii;
    } else {
      if (value) err << "vrktool: --mode takes binary or ascii, not '" << *value << "'\n";
      bad = true;
    }
    return true;
  }
  if (option == "--dict") {
    auto value = args.Value(option);
    if (value && (*value == "1024" || *value == "2048" || *value == "4096")) {
      settings.dictionarySize = static_cast<unsigned>(std::stoul(*value));
    } else {
      if (value) err << "vrktool: --dict takes 1024, 2048 or 4096, not '" << *value << "'\n";
      bad = true;
    }
    return true;
  }
  return false;
}

int RunPack(const std::vector<std::string>& argv, std::ostream& out, std::ostream& err) {
  PackOptions options;
  Arguments args(argv, err);
  bool optionsEnded = false;
  while (!args.AtEnd()) {
    const std::string arg = args.Take();
    bool bad = false;
    if (optionsEnded || arg.empty() || arg[0] != '-') {
      options.inputs.push_back(arg);
    } else if (arg == "--") {
      optionsEnded = true;
    } else if (arg == "--format-version") {
      auto value = args.Value(arg);
      if (!value || value->size() != 1 || (*value)[0] < '0' || (*value)[0] > '3') {
        if (value) err << "vrktool: --format-version takes 0, 1, 2 or 3, not '" << *value << "'\n";
        return Usage(err, "bad --format-version");
      }
      options.formatVersion = static_cast<uint8_t>((*value)[0] - '0');
    } else if (arg == "--store") {
      options.store = true;
    } else if (arg == "-o") {
      auto value = args.Value(arg);
      if (!value) return Usage(err, "-o needs the output path");
      options.output = *value;
    } else if (ParseImplodeOption(arg, args, options.implode, bad, err)) {
      if (bad) return Usage(err, "bad " + arg);
    } else {
      return Usage(err, "unknown option '" + arg + "' for pack");
    }
  }
  if (options.output.empty()) return Usage(err, "pack needs -o OUT.vrk");
  if (options.inputs.empty()) return Usage(err, "pack needs at least one file or folder");
  if (!archive::IsPackageArchivePath(options.output)) {
    return Usage(err, "the output of pack must contain \".vrk\" in its path; "
                      "otherwise it is read as a packed file (use pack-file for those)");
  }
  return Pack(options, out, err);
}

int RunPackFile(const std::vector<std::string>& argv, std::ostream& out, std::ostream& err) {
  PackFileOptions options;
  Arguments args(argv, err);
  std::vector<std::string> sources;
  bool optionsEnded = false;
  while (!args.AtEnd()) {
    const std::string arg = args.Take();
    bool bad = false;
    if (optionsEnded || arg.empty() || arg[0] != '-') {
      sources.push_back(arg);
    } else if (arg == "--") {
      optionsEnded = true;
    } else if (arg == "-o") {
      auto value = args.Value(arg);
      if (!value) return Usage(err, "-o needs the output path");
      options.output = *value;
    } else if (ParseImplodeOption(arg, args, options.implode, bad, err)) {
      if (bad) return Usage(err, "bad " + arg);
    } else {
      return Usage(err, "unknown option '" + arg + "' for pack-file");
    }
  }
  if (options.output.empty()) return Usage(err, "pack-file needs -o OUT");
  if (sources.size() != 1) return Usage(err, "pack-file takes exactly one SOURCE file");
  if (archive::IsPackageArchivePath(options.output)) {
    return Usage(err, "a packed file's path must not contain \".vrk\"; "
                      "it would be read as a package archive (use pack for those)");
  }
  options.source = sources[0];
  return PackFile(options, out, err);
}

int RunExtract(const std::vector<std::string>& argv, std::ostream& out, std::ostream& err) {
  Arguments args(argv, err);
  std::vector<std::string> containers;
  std::string folder;
  std::string file;
  while (!args.AtEnd()) {
    const std::string arg = args.Take();
    if (arg == "-C" || arg == "-o") {
      auto value = args.Value(arg);
      if (!value) return Usage(err, arg + " needs a path");
      (arg == "-C" ? folder : file) = *value;
    } else if (!arg.empty() && arg[0] == '-') {
      return Usage(err, "unknown option '" + arg + "' for extract");
    } else {
      containers.push_back(arg);
    }
  }
  if (containers.size() != 1) return Usage(err, "extract takes exactly one CONTAINER");
  const bool package = archive::IsPackageArchivePath(containers[0]);
  if (package && (folder.empty() || !file.empty())) {
    return Usage(err, "a package archive is extracted with -C DIR");
  }
  if (!package && (file.empty() || !folder.empty())) {
    return Usage(err, "a packed file (no \".vrk\" in its path) is extracted with -o FILE");
  }
  return Extract(containers[0], folder, file, out, err);
}

int RunCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  if (args.empty()) return Usage(err, "no command given");
  const std::string& command = args[0];
  if (command == "--help" || command == "-h" || command == "help") {
    out << kHelp;
    return kExitOk;
  }
  if (command == "pack") return RunPack(args, out, err);
  if (command == "pack-file") return RunPackFile(args, out, err);
  if (command == "extract") return RunExtract(args, out, err);
  if (command == "check-medium") return RunCheckMedium(args, out, err);
  if (command == "list" || command == "verify") {
    std::vector<std::string> containers(args.begin() + 1, args.end());
    for (const std::string& c : containers) {
      if (!c.empty() && c[0] == '-') return Usage(err, "unknown option '" + c + "' for " + command);
    }
    if (containers.empty()) return Usage(err, command + " needs a CONTAINER");
    if (command == "list") {
      if (containers.size() != 1) return Usage(err, "list takes exactly one CONTAINER");
      return List(containers[0], out, err);
    }
    return Verify(containers, out, err);
  }
  return Usage(err, "unknown command '" + command + "'");
}

}  // namespace

int Run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  // The readers name the entry themselves; this catches what is left (a file to pack
  // that does not fit in memory, say).
  try {
    return RunCommand(args, out, err);
  } catch (const std::bad_alloc&) {
    err << "vrktool: not enough memory\n";
    return kExitFailed;
  }
}

}  // namespace yv::vrktool
