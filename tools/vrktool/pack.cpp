// pack: folders and files into a package archive.
#include <limits>

#include "archive/package_format.h"
#include "vrktool/commands.h"
#include "vrktool/native.h"
#include "vrktool/pack_input.h"

namespace yv::vrktool {

namespace {

// Files are read and encoded in batches of about this many bytes (a larger file makes
// a batch of its own), which keeps every thread busy on many small files and bounds
// the memory on many large ones.
constexpr uint64_t kBatchBytes = uint64_t{64} << 20;

struct PackOptions {
  uint8_t formatVersion = 3;
  archive::ImplodeSettings implode;
  bool store = false;
  unsigned jobs = 1;
  std::string output;
  std::vector<std::string> inputs;
};

int Pack(const PackOptions& options, const ToolContext& tool, Progress& progress, const std::vector<InputFile>& files) {
  std::ostream& err = progress.Messages();
  PackOutput output;
  if (!output.Open(options.output, err)) return kExitFailed;
  // The temporary file goes with `output` on any failure.
  if (!output.Write(archive::EncodePackageHeader(options.formatVersion, static_cast<uint16_t>(files.size())), err)) {
    return kExitFailed;
  }
  uint64_t inputBytes = 0;
  std::size_t compressedCount = 0;
  const auto storage = options.store ? archive::EntryStorage::kStore : archive::EntryStorage::kSmallerOfBoth;
  for (std::size_t first = 0; first < files.size();) {
    // Read one batch.
    std::vector<std::string> contents;
    std::vector<uint64_t> times;
    uint64_t batchBytes = 0;
    for (std::size_t i = first; i < files.size() && (i == first || batchBytes < kBatchBytes); ++i) {
      const InputFile& file = files[i];
      std::string content;
      if (!ReadContent(file.path, content, err)) {
        err << "vrktool: packing stopped\n";
        return kExitFailed;
      }
      uint64_t lastWriteTime = 0;
      if (options.formatVersion >= archive::kLongNameFormatVersion) {
        auto time = ReadLastWriteTime(file.path);
        if (!time) {
          err << "vrktool: cannot read the modification time of '" << PathForDisplay(file.path) << "'\n";
          return kExitFailed;
        }
        lastWriteTime = *time;
      }
      batchBytes += content.size();
      contents.push_back(std::move(content));
      times.push_back(lastWriteTime);
    }
    std::vector<std::string> streams(contents.size());
    if (options.store) {
      progress.Add(batchBytes);
    } else {
      streams = ImplodeContents(std::vector<std::string_view>(contents.begin(), contents.end()), options.implode,
                                options.jobs, progress);
    }
    for (std::size_t k = 0; k < contents.size(); ++k) {
      const archive::EncodedEntry encoded =
          archive::EncodeEntryWithStream(files[first + k].name, times[k], contents[k], storage, std::move(streams[k]));
      std::string bytes;
      archive::AppendPackageEntry(bytes, encoded, options.formatVersion);
      if (!output.Write(bytes, err)) return kExitFailed;
      inputBytes += contents[k].size();
      if (encoded.entry.IsCompressed()) ++compressedCount;
    }
    first += contents.size();
  }
  if (!output.Commit(err)) return kExitFailed;
  progress.Finish();
  tool.out << "packed " << files.size() << " files (" << compressedCount << " compressed, "
           << files.size() - compressedCount << " stored) into " << options.output << " (format version "
           << static_cast<int>(options.formatVersion) << ", " << ModeName(options.implode) << ", "
           << options.implode.dictionarySize << "-byte dictionary)\n"
           << "input " << inputBytes << " bytes, output " << output.Written() << " bytes, ratio "
           << Ratio(inputBytes, output.Written()) << "\n";
  return kExitOk;
}

}  // namespace

int RunPack(const ParsedCommand& parsed, const ToolContext& tool) {
  std::ostream& err = tool.err;
  PackOptions options;
  const std::string version = parsed.Value("--format-version", "3");
  if (version.size() != 1 || version[0] < '0' || version[0] > '3') {
    err << "vrktool: --format-version takes 0, 1, 2 or 3, not '" << version << "'\n";
    return Usage(err, "bad --format-version", "pack");
  }
  options.formatVersion = static_cast<uint8_t>(version[0] - '0');
  options.store = parsed.Has("--store");
  options.output = parsed.Value("-o");
  options.inputs = parsed.operands;
  if (!ImplodeSettingsFrom(parsed, options.implode, err) || !JobsFrom(parsed, options.jobs, err)) {
    return Usage(err, "bad option value", "pack");
  }
  if (options.output.empty()) return Usage(err, "pack needs -o OUT.vrk", "pack");
  if (options.inputs.empty()) return Usage(err, "pack needs at least one file or folder", "pack");
  if (!archive::IsPackageArchivePath(options.output)) {
    return Usage(err,
                 "the output of pack must contain \".vrk\" in its path; "
                 "otherwise it is read as a packed file (use pack-file for those)",
                 "pack");
  }

  std::vector<InputFile> files;
  if (!CollectInputs(options.inputs, PathFromArgument(options.output), files, err)) return kExitFailed;
  if (files.size() > std::numeric_limits<uint16_t>::max()) {
    err << "vrktool: " << files.size() << " files given; an archive holds at most 65535\n";
    return kExitFailed;
  }
  uint64_t total = 0;
  for (const InputFile& file : files) {
    const std::string problem = archive::EntryNameProblem(file.name, options.formatVersion);
    if (!problem.empty()) {
      err << "vrktool: cannot pack '" << PathForDisplay(file.path) << "' as '" << GbkForDisplay(file.name)
          << "': " << problem << "\n";
      return kExitFailed;
    }
    total += file.size;
  }
  Progress progress(err, ProgressShown(tool.terminal, parsed.Has("--quiet")), total);
  return Pack(options, tool, progress, files);
}

}  // namespace yv::vrktool
