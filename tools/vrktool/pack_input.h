// What pack and pack-file share: the files to pack and their entry names, the encoding
// on several threads, and the one way both write their output.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "archive/package_writer.h"
#include "vrktool/output_folder.h"
#include "vrktool/progress.h"

namespace yv::vrktool {

struct InputFile {
  std::string name;  // GBK, '\' between folders
  std::filesystem::path path;
  uint64_t size = 0;  // as listed, for the progress line
};

// Every regular file under the given paths: a folder gives its files with names
// relative to it (sorted, so archives come out the same every time), a file its own
// base name. Symbolic links to files are followed; links to folders are not entered.
// `output` itself is left out. False after a message.
bool CollectInputs(const std::vector<std::string>& arguments, const std::filesystem::path& output,
                   std::vector<InputFile>& files, std::ostream& err);

// A file's whole content; false after a message (also for 4 GiB or more).
bool ReadContent(const std::filesystem::path& path, std::string& content, std::ostream& err);

// The implode streams of `contents`, every segment of every content one task for `jobs`
// threads; the progress counts each segment's bytes as it is done.
std::vector<std::string> ImplodeContents(const std::vector<std::string_view>& contents,
                                         const archive::ImplodeSettings& settings, unsigned jobs, Progress& progress);

// "31.9%": the output's share of the input.
std::string Ratio(uint64_t input, uint64_t output);
std::string ModeName(const archive::ImplodeSettings& settings);

// The output of both pack commands: written under a temporary name of its own beside
// the final one and renamed over it by Commit, so that a failure leaves no broken
// container and nothing already there is written through.
class PackOutput {
 public:
  // False after a message.
  bool Open(const std::string& output, std::ostream& err);
  bool Write(std::string_view bytes, std::ostream& err);
  bool Commit(std::ostream& err);
  uint64_t Written() const { return written_; }

 private:
  std::string shown_;
  std::unique_ptr<OutputFolder> folder_;
  std::unique_ptr<OutputFile> file_;
  uint64_t written_ = 0;
};

}  // namespace yv::vrktool
