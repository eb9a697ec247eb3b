// The media tool's commands. Each writes its report to `out`, its errors to `err`, and
// returns the process exit code.
#pragma once

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "archive/package_writer.h"

namespace yv::vrktool {

constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;  // a bad or failing container, or a file that cannot be used
constexpr int kExitUsage = 2;   // the command line is wrong

struct PackOptions {
  uint8_t formatVersion = 3;
  archive::ImplodeSettings implode;
  bool store = false;
  std::string output;
  std::vector<std::string> inputs;
};

struct PackFileOptions {
  archive::ImplodeSettings implode;
  std::string output;
  std::string source;
};

int Pack(const PackOptions& options, std::ostream& out, std::ostream& err);
int PackFile(const PackFileOptions& options, std::ostream& out, std::ostream& err);
int List(const std::string& container, std::ostream& out, std::ostream& err);
// A package archive goes into `folder`, a packed file to `file` (one of them is empty).
int Extract(const std::string& container, const std::string& folder, const std::string& file,
            std::ostream& out, std::ostream& err);
int Verify(const std::vector<std::string>& containers, std::ostream& out, std::ostream& err);

// check-medium with its arguments (the command word first).
int RunCheckMedium(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

// Entry point of the command line (arguments without the program name).
int Run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace yv::vrktool
