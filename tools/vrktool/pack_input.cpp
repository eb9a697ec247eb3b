#include "vrktool/pack_input.h"

#include <algorithm>
#include <cstdio>
#include <limits>
#include <system_error>

#include "archive/implode_parallel.h"
#include "text/gbk.h"
#include "vrktool/native.h"
#include "vrktool/tool_io.h"

namespace yv::vrktool {

namespace fs = std::filesystem;

namespace {

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
bool EntryNameOf(const fs::path& relative, const fs::path& shownPath, std::string& name, std::ostream& err) {
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

}  // namespace

std::string Ratio(uint64_t input, uint64_t output) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f%%",
                input == 0 ? 100.0 : 100.0 * static_cast<double>(output) / static_cast<double>(input));
  return text;
}

std::string ModeName(const archive::ImplodeSettings& settings) {
  return settings.mode == archive::ImplodeLiteralMode::kAscii ? "ascii" : "binary";
}

bool CollectInputs(const std::vector<std::string>& arguments, const fs::path& output, std::vector<InputFile>& files,
                   std::ostream& err) {
  std::error_code ec;
  const bool outputExists = fs::exists(output, ec);
  for (const std::string& argument : arguments) {
    const fs::path root = PathFromArgument(argument);
    const fs::file_status status = fs::status(root, ec);
    if (fs::is_regular_file(status)) {
      InputFile file{{}, root, FileSize(root)};
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
      InputFile file{{}, it->path(), FileSize(it->path())};
      if (!EntryNameOf(it->path().lexically_relative(root), it->path(), file.name, err)) return false;
      found.push_back(std::move(file));
    }
    if (ec) {
      err << "vrktool: cannot read the folder '" << argument << "': " << ec.message() << "\n";
      return false;
    }
    std::sort(found.begin(), found.end(), [](const InputFile& a, const InputFile& b) { return a.name < b.name; });
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

std::vector<std::string> ImplodeContents(const std::vector<std::string_view>& contents,
                                         const archive::ImplodeSettings& settings, unsigned jobs, Progress& progress) {
  struct Task {
    std::size_t content;
    std::size_t segment;
  };
  std::vector<Task> tasks;
  std::vector<std::vector<archive::ImplodeBits>> segments(contents.size());
  for (std::size_t c = 0; c < contents.size(); ++c) {
    segments[c].resize(archive::ImplodeSegmentCount(contents[c].size()));
    for (std::size_t s = 0; s < segments[c].size(); ++s) tasks.push_back({c, s});
  }
  archive::RunInParallel(tasks.size(), jobs, [&](std::size_t i) {
    const Task& task = tasks[i];
    const std::string_view content = contents[task.content];
    segments[task.content][task.segment] =
        archive::ImplodeSegment(content, task.segment, settings.mode, settings.dictionarySize);
    const std::size_t start = task.segment * archive::kImplodeSegmentSize;
    progress.Add(std::min(archive::kImplodeSegmentSize, content.size() - start));
  });
  std::vector<std::string> streams;
  streams.reserve(contents.size());
  for (std::size_t c = 0; c < contents.size(); ++c) {
    streams.push_back(
        archive::JoinImplodeSegments(segments[c], settings.mode, settings.dictionarySize, contents[c].size()));
    std::vector<archive::ImplodeBits>().swap(segments[c]);
  }
  return streams;
}

bool PackOutput::Open(const std::string& output, std::ostream& err) {
  shown_ = output;
  const fs::path path = PathFromArgument(output);
  std::string error;
  folder_ = OutputFolder::Open(path.has_parent_path() ? path.parent_path() : fs::path("."), error);
  file_ = folder_ ? folder_->Create({path.filename()}, error) : nullptr;
  if (!file_) {
    err << "vrktool: cannot create '" << output << "': " << error << "\n";
    return false;
  }
  return true;
}

bool PackOutput::Write(std::string_view bytes, std::ostream& err) {
  if (!file_->Write(bytes.data(), bytes.size())) {
    err << "vrktool: cannot write '" << shown_ << "'\n";
    return false;
  }
  written_ += bytes.size();
  return true;
}

bool PackOutput::Commit(std::ostream& err) {
  std::string error;
  if (!file_->Commit(std::nullopt, error)) {
    err << "vrktool: cannot write '" << shown_ << "': " << error << "\n";
    return false;
  }
  return true;
}

}  // namespace yv::vrktool
