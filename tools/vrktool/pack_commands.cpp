// pack and pack-file: folders and files into containers.
#include <algorithm>
#include <cstdio>
#include <limits>
#include <system_error>

#include "archive/package_writer.h"
#include "text/gbk.h"
#include "vrktool/commands.h"
#include "vrktool/native.h"
#include "vrktool/output_folder.h"
#include "vrktool/tool_io.h"

namespace yv::vrktool {

namespace fs = std::filesystem;

namespace {

struct InputFile {
  std::string name;  // GBK, '\' between folders
  fs::path path;
};

std::string Ratio(uint64_t input, uint64_t output) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f%%",
                input == 0 ? 100.0 : 100.0 * static_cast<double>(output) / static_cast<double>(input));
  return text;
}

std::string ModeName(const archive::ImplodeSettings& settings) {
  return settings.mode == archive::ImplodeLiteralMode::kAscii ? "ascii" : "binary";
}

// Windows refuses these in file names, so an entry holding them could never be
// extracted by the wizard.
bool HasCharacterWindowsRefuses(std::string_view gbk) {
  for (std::size_t i = 0; i < gbk.size(); i += text::CharLength(gbk, i)) {
    const auto c = static_cast<unsigned char>(gbk[i]);
    if (text::CharLength(gbk, i) == 1 &&
        (c < 0x20 || std::string_view("<>:\"/\\|?*").find(static_cast<char>(c)) != std::string_view::npos)) {
      return true;
    }
  }
  return false;
}

// The entry name of `relative` (a path below a given folder, or a bare file name):
// each component in GBK, joined with '\'.
bool EntryNameOf(const fs::path& relative, const fs::path& shownPath, std::string& name,
                 std::ostream& err) {
  name.clear();
  for (const fs::path& component : relative) {
    auto gbk = ComponentToGbk(component);
    if (!gbk) {
      err << "vrktool: cannot pack '" << PathForDisplay(shownPath)
          << "': its name has characters that GBK cannot hold\n";
      return false;
    }
    if (HasCharacterWindowsRefuses(*gbk)) {
      err << "vrktool: cannot pack '" << PathForDisplay(shownPath)
          << "': its name holds a character that Windows does not allow in file names\n";
      return false;
    }
    if (!name.empty()) name += '\\';
    name += *gbk;
  }
  return true;
}

// Every regular file under the given paths: a folder gives its files with names
// relative to it (sorted, so archives come out the same every time), a file its own
// base name. Symbolic links to files are followed; links to folders are not entered.
bool CollectInputs(const std::vector<std::string>& arguments, const fs::path& output,
                   std::vector<InputFile>& files, std::ostream& err) {
  std::error_code ec;
  const bool outputExists = fs::exists(output, ec);
  for (const std::string& argument : arguments) {
    const fs::path root = PathFromArgument(argument);
    const fs::file_status status = fs::status(root, ec);
    if (fs::is_regular_file(status)) {
      InputFile file{{}, root};
      if (!EntryNameOf(root.filename(), root, file.name, err)) return false;
      files.push_back(std::move(file));
      continue;
    }
    if (!fs::is_directory(status)) {
      err << "vrktool: cannot pack '" << argument << "': no such file or folder\n";
      return false;
    }
    std::vector<InputFile> found;
    fs::recursive_directory_iterator it(root, ec), end;
    for (; !ec && it != end; it.increment(ec)) {
      if (!it->is_regular_file(ec)) continue;
      std::error_code sameError;
      if (outputExists && fs::equivalent(it->path(), output, sameError)) continue;
      InputFile file{{}, it->path()};
      if (!EntryNameOf(it->path().lexically_relative(root), it->path(), file.name, err)) return false;
      found.push_back(std::move(file));
    }
    if (ec) {
      err << "vrktool: cannot read the folder '" << argument << "': " << ec.message() << "\n";
      return false;
    }
    std::sort(found.begin(), found.end(),
              [](const InputFile& a, const InputFile& b) { return a.name < b.name; });
    for (InputFile& file : found) files.push_back(std::move(file));
  }
  // Windows folders ignore letter case, so names that differ only in case would
  // overwrite each other when extracted.
  std::vector<std::pair<std::string, std::size_t>> folded;
  folded.reserve(files.size());
  for (std::size_t i = 0; i < files.size(); ++i) folded.emplace_back(text::ToLowerAscii(files[i].name), i);
  std::sort(folded.begin(), folded.end());
  for (std::size_t k = 1; k < folded.size(); ++k) {
    if (folded[k].first == folded[k - 1].first) {
      const InputFile& a = files[folded[k - 1].second];
      const InputFile& b = files[folded[k].second];
      err << "vrktool: '" << PathForDisplay(a.path) << "' and '" << PathForDisplay(b.path)
          << "' give the same entry name '" << GbkForDisplay(a.name) << "'\n";
      return false;
    }
  }
  return true;
}

bool ReadContent(const fs::path& path, std::string& content, std::ostream& err) {
  auto bytes = ReadFileBytes(path);
  if (!bytes) {
    err << "vrktool: cannot read '" << PathForDisplay(path) << "'\n";
    return false;
  }
  if (bytes->size() > std::numeric_limits<uint32_t>::max()) {
    err << "vrktool: '" << PathForDisplay(path) << "' is 4 GiB or larger; containers hold less\n";
    return false;
  }
  content = std::move(*bytes);
  return true;
}

}  // namespace

int Pack(const PackOptions& options, std::ostream& out, std::ostream& err) {
  const fs::path output = PathFromArgument(options.output);
  std::vector<InputFile> files;
  if (!CollectInputs(options.inputs, output, files, err)) return kExitFailed;
  if (files.size() > std::numeric_limits<uint16_t>::max()) {
    err << "vrktool: " << files.size() << " files given; an archive holds at most 65535\n";
    return kExitFailed;
  }
  for (const InputFile& file : files) {
    const std::string problem = archive::EntryNameProblem(file.name, options.formatVersion);
    if (!problem.empty()) {
      err << "vrktool: cannot pack '" << PathForDisplay(file.path) << "' as '"
          << GbkForDisplay(file.name) << "': " << problem << "\n";
      return kExitFailed;
    }
  }

  // Written to a temporary file of its own first, so that a failure leaves no broken
  // archive and nothing already there is written through.
  std::string error;
  auto folder = OutputFolder::Open(output.has_parent_path() ? output.parent_path() : fs::path("."), error);
  auto stream = folder ? folder->Create({output.filename()}, error) : nullptr;
  if (!stream) {
    err << "vrktool: cannot create '" << options.output << "': " << error << "\n";
    return kExitFailed;
  }
  auto fail = [&](const std::string& message) {
    err << "vrktool: " << message << "\n";
    return kExitFailed;  // the temporary file goes with `stream`
  };
  const std::string header =
      archive::EncodePackageHeader(options.formatVersion, static_cast<uint16_t>(files.size()));
  if (!stream->Write(header.data(), header.size())) return fail("cannot write '" + options.output + "'");
  uint64_t inputBytes = 0;
  uint64_t outputBytes = header.size();
  std::size_t compressedCount = 0;
  const auto storage = options.store ? archive::EntryStorage::kStore
                                     : archive::EntryStorage::kSmallerOfBoth;
  for (const InputFile& file : files) {
    std::string content;
    if (!ReadContent(file.path, content, err)) return fail("packing stopped");
    uint64_t lastWriteTime = 0;
    if (options.formatVersion >= archive::kLongNameFormatVersion) {
      auto time = ReadLastWriteTime(file.path);
      if (!time) return fail("cannot read the modification time of '" + PathForDisplay(file.path) + "'");
      lastWriteTime = *time;
    }
    const archive::EncodedEntry encoded =
        archive::EncodeEntry(file.name, lastWriteTime, content, storage, options.implode);
    std::string bytes;
    archive::AppendPackageEntry(bytes, encoded, options.formatVersion);
    if (!stream->Write(bytes.data(), bytes.size())) return fail("cannot write '" + options.output + "'");
    inputBytes += content.size();
    outputBytes += bytes.size();
    if (encoded.entry.IsCompressed()) ++compressedCount;
  }
  if (!stream->Commit(std::nullopt, error)) return fail("cannot write '" + options.output + "': " + error);

  out << "packed " << files.size() << " files (" << compressedCount << " compressed, "
      << files.size() - compressedCount << " stored) into " << options.output
      << " (format version " << static_cast<int>(options.formatVersion) << ", " << ModeName(options.implode)
      << ", " << options.implode.dictionarySize << "-byte dictionary)\n"
      << "input " << inputBytes << " bytes, output " << outputBytes << " bytes, ratio "
      << Ratio(inputBytes, outputBytes) << "\n";
  return kExitOk;
}

int PackFile(const PackFileOptions& options, std::ostream& out, std::ostream& err) {
  const fs::path source = PathFromArgument(options.source);
  std::error_code ec;
  if (!fs::is_regular_file(source, ec)) {
    err << "vrktool: cannot pack '" << options.source << "': no such file\n";
    return kExitFailed;
  }
  std::string content;
  if (!ReadContent(source, content, err)) return kExitFailed;
  const std::string packed = archive::BuildPackedFile(content, options.implode);
  if (!WriteFileBytes(PathFromArgument(options.output), packed)) {
    err << "vrktool: cannot write '" << options.output << "'\n";
    return kExitFailed;
  }
  out << "packed " << options.source << " into " << options.output << " (" << ModeName(options.implode)
      << ", " << options.implode.dictionarySize << "-byte dictionary)\n"
      << "input " << content.size() << " bytes, output " << packed.size() << " bytes, ratio "
      << Ratio(content.size(), packed.size()) << "\n";
  return kExitOk;
}

}  // namespace yv::vrktool
